// A failed download, an unreadable or empty archive, entries that could not be written,
// settings that could not be copied and a cancel each end the installation with their own
// message (none for a cancel) and log line, and nothing after them runs: no settings copy,
// no shortcuts, no setup program.
#include "InstallRun.h"
#include "Files.h"
#include "install/InstallSteps.h"
#include <doctest.h>
#include <algorithm>

// `com`: S_FALSE once the settings step was reached, which initialises COM first.
#define CHECK_NOTHING_LATER_RAN(out, places, com)                                           \
    do {                                                                                  \
        CHECK((out).starts.empty());                                                      \
        CHECK_FALSE(IsFolder((places).settingsFolder));                                   \
        CHECK_FALSE(IsFile((places).desktopLink));                                        \
        CHECK_FALSE(IsFolder((places).startMenuFolder));                                  \
        CHECK(ResetCom() == (com));                                                       \
    } while (0)

TEST_CASE("failures end with an error message and its first line in the log")
{
    ScratchFolder folder;
    struct Row {
        const char* what;
        const char* archive;          // served as norla.zip; null: nothing served
        FtpBehaviour server;
        std::string blocked;          // a read-only file put in the way, when given
        std::string expectedMessage;
        std::vector<std::string> expectedTree;
        std::string name = "norla.zip", installDir = "";   // the descriptor's; the scratch folder
        HRESULT com = S_OK;
    };
    const FtpBehaviour plain{}, broken = FtpBehaviour::EndingAfter(700);
    const std::string dir = folder.Path();
    const std::string settings = UserPlaces().settingsFolder;
    const std::string longFolder = std::string(120, 'd') + "\\";
    const std::string small = NORLA_SMALL_VOLUME;
    const std::string server = "Auf dem Server wurde kein g\xFCltiges Installationsarchiv gefunden.\n"
                               "Bitte wenden Sie sich an den Hersteller.";
    auto space = [&](const char* needed, const char* free) {
        return "Auf dem Laufwerk von " + small + " ist nicht gen\xFCgend Speicherplatz frei.\n"
               "Ben\xF6tigt werden " + needed + " MB, frei sind " + free + " MB. Bitte schaffen Sie "
               "Platz und starten Sie die Installation erneut.";
    };
    const std::string download =
        "Das Installationsarchiv konnte nicht vom Server geladen werden.\n"
        "Bitte pr\xFC" "fen Sie die Internetverbindung und starten Sie die Installation erneut.";
    const std::string archive = "Das Installationsarchiv " + dir +
                                "norla.zip konnte nicht ge\xF6" "ffnet werden.\n"
                                "Bitte starten Sie die Installation erneut.";
    auto entries = [&](const char* counts) {
        return std::string(counts) +
               " Dateien konnten nicht entpackt werden.\n"
               "Bitte pr\xFC" "fen Sie Speicherplatz und Zugriffsrechte in " + dir +
               " und starten Sie die Installation erneut.";
    };
    std::vector<Row> rows = {
        {"archive not on the server", nullptr, plain, "", download, {}},
        {"transfer broken off", "product.zip", broken, "", download, {}},
        {"not an archive", "notzip.zip", plain, "", archive, {"norla.zip"}},
        {"an archive without entries", "empty.zip", plain, "", archive, {"norla.zip"}},
        {"target path too long", "longname.zip", plain, "", entries("1 von 3"),
         {"first.txt", "last.txt", "norla.zip"}},
        {"read-only file in the way", "product.zip", plain, dir + "readme.txt",
         entries("1 von 11"), kProductTree},
        {"the middle entry packed with bzip2", "bzip2.zip", plain, "", entries("1 von 5"),
         {"a.txt", "b.txt", "d.txt", "e.txt", "norla.zip"}},
        {"a file where a folder goes", "paths.zip", plain, dir + "docs", entries("1 von 7"),
         {"a\\", "a\\b.txt", "bin\\", "bin\\a.dll", "docs", "norla.zip", "readme.txt", "x.txt"}},
        {"a file where the settings folder goes", "product.zip", plain,
         settings.substr(0, settings.size() - 1),
         "Die Einstellungen konnten nicht nach " + settings + " kopiert werden.", kProductTree,
         "norla.zip", "", S_FALSE},
        {"no descriptor", "product.zip", plain, "", server, {}, ""},
        {"a refused name", "product.zip", plain, "", server, {}, "norla.exe"},
        {"not in the listing", "product.zip", plain, "", server, {}, "other.zip"},
        {"more bytes than listed", "product.zip", FtpBehaviour::EndlessRetr("norla.zip"), "", server, {}},
        // Rights refuse root nothing under Wine, nor does a read-only file; a folder gone does.
        {"the archive cannot be created", "product.zip", plain, "",
         "Das Installationsarchiv konnte nicht nach " + dir + "gone\\ geschrieben werden.\nBitte pr\xFC"
         "fen Sie die Zugriffsrechte und starten Sie die Installation erneut.", {}, "norla.zip",
         dir + "gone\\"},
        // Stored: 6 MiB and the zip's records. Nothing is asked for.
        {"too little space for the download", "bulky.zip", plain, "", space("7", "4"), {}, "norla.zip", small},
        // Packed small, 6 MiB unpacked: found before the unpacking, the archive removed.
        {"too little space for the unpacking", "roomy.zip", plain, "", space("6", "3"), {}, "norla.zip", small},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        std::string what = rows[i].what;
        CAPTURE(what);
        CleanSlate clean;
        if (!rows[i].blocked.empty()) {
            WriteBytes(rows[i].blocked, "mine");
            SetFileAttributesA(rows[i].blocked.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        const std::string& into = rows[i].installDir.empty() ? dir : rows[i].installDir;
        SequenceRun run(rows[i].archive ? rows[i].archive : "", into);
        run.downloadFileName = rows[i].name;
        run.server = rows[i].server;
        run.screenshot = "screenshots\\failure-" + std::to_string(i) + ".bmp";
        run.desktopIcon = run.startMenu = true;
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);

        CHECK(out.result == IDOK);
        CHECK(out.exitCode == 1603);
        CHECK_FALSE(out.timedOut);
        REQUIRE(out.messageBoxes.size() == 1);
        CHECK(out.messageBoxes[0].text == rows[i].expectedMessage);
        CHECK(out.messageBoxes[0].title == ProgramName());
        CHECK(out.messageBoxes[0].style == (MB_OK | MB_ICONERROR));
        const std::string& message = rows[i].expectedMessage;
        CHECK(out.logged ==
              std::vector<std::string>{message.substr(0, message.find('\n'))});
        CHECK_NOTHING_LATER_RAN(out, clean.places, rows[i].com);
        // The other entries were written, the blocked file kept.
        CHECK(Tree(into) == rows[i].expectedTree);
        // Too little room for the archive: it is never asked for.
        if (run.archive == "bulky.zip")
            CHECK_FALSE(FtpServer::Received("RETR"));
        if (!rows[i].blocked.empty())
            CHECK(ReadBytes(rows[i].blocked) == "mine");
        folder.Empty();
    }
}

TEST_CASE("a stop while unpacking ends after the current entry: no message, the log line")
{
    CleanSlate clean;
    ScratchFolder folder;
    SequenceRun run("three.zip", folder.Path());
    run.desktopIcon = run.startMenu = true;
    RecordingSink sink;
    sink.stopAt = 1;   // the progress window's answer once Escape came after the second entry
    SequenceOutcome out = RunPlain(run, &sink);

    CHECK(out.result == IDCANCEL);
    CHECK(out.exitCode == 1602);
    CHECK(sink.messages.empty());
    CHECK(out.logged == std::vector<std::string>{"Installation abgebrochen"});
    // Entries already written stay; the third is never written.
    CHECK(Tree(folder.Path()) == std::vector<std::string>{"a.txt", "b.txt", "norla.zip"});
    CHECK(sink.calls.back() == RecordingSink::Call{'P', 3});
    CHECK_NOTHING_LATER_RAN(out, clean.places, S_OK);
}

TEST_CASE("a large entry reports between its blocks; a stop met there ends the unpacking after it")
{
    ScratchFolder folder;
    const std::string archive = folder.Path() + "norla.zip";
    REQUIRE(CopyFileA("archives\\large.zip", archive.c_str(), FALSE));
    RecordingSink sink;
    sink.stopAt = 0;   // answered at the first block
    Unpacking result = UnpackArchive(archive, folder.Path(), sink);

    CHECK(result.cancelled);
    CHECK(Tree(folder.Path()) == std::vector<std::string>{"big.bin", "norla.zip"});
    CHECK(ReadBytes(folder.Path() + "big.bin").size() == 1048576);
    // One report a block, then the entry's own move.
    CHECK(std::count(sink.calls.begin(), sink.calls.end(), RecordingSink::Call{'M', 0}) == 17);
}
