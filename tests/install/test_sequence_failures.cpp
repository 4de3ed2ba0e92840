// A failed download, an unreadable archive, entries that could not be written and a cancel
// each end the installation with their own message (none for a cancel) and log line, and
// nothing after them runs: no settings copy, no shortcuts, no setup program.
#include "InstallRun.h"
#include "ScratchFolder.h"
#include "install/InstallMessages.h"
#include <doctest.h>

namespace {
struct CleanPlaces {
    CleanPlaces() { places.Clear(); }
    ~CleanPlaces() { places.Clear(); }
    UserPlaces places;
};

#define CHECK_NOTHING_LATER_RAN(out, places)                                                \
    do {                                                                                  \
        CHECK((out).starts.empty());                                                      \
        CHECK_FALSE(IsFolder((places).settingsFolder));                                   \
        CHECK_FALSE(IsFile((places).desktopLink));                                        \
        CHECK_FALSE(IsFolder((places).startMenuFolder));                                  \
        CHECK(ResetCom() == S_OK); /* the settings step would have initialised COM */     \
    } while (0)
}

TEST_CASE("failures end with an error message and its first line in the log")
{
    ScratchFolder folder;
    struct Row {
        const char* what;
        const char* archive;          // served as norla.zip; null: nothing served
        FtpBehaviour server;
        bool readOnlyReadme;          // an existing read-only readme.txt blocks that entry
        std::string expectedMessage;
        std::vector<std::string> expectedTree;
    };
    FtpBehaviour plain;
    FtpBehaviour broken;
    broken.endAfter = 700;
    const std::string dir = folder.Path();
    const std::string longFolder = std::string(120, 'd') + "\\";
    std::vector<Row> rows = {
        {"archive not on the server", nullptr, plain, false, DownloadFailedMessage(), {}},
        {"transfer broken off", "product.zip", broken, false, DownloadFailedMessage(),
         {"norla.zip"}},
        {"not an archive", "notzip.zip", plain, false, ArchiveFailedMessage(dir + "norla.zip"),
         {"norla.zip"}},
        {"target path too long", "longname.zip", plain, false,
         EntriesFailedMessage(1, 3, dir), {"first.txt", "last.txt", "norla.zip"}},
        {"read-only file in the way", "product.zip", plain, true,
         EntriesFailedMessage(1, 11, dir), {}},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        std::string what = rows[i].what;
        CAPTURE(what);
        CleanPlaces clean;
        ResetCom();
        if (rows[i].readOnlyReadme) {
            WriteBytes(dir + "readme.txt", "mine");
            SetFileAttributesA((dir + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        }
        SequenceRun run;
        run.archive = rows[i].archive ? rows[i].archive : "";
        run.installDir = dir;
        run.server = rows[i].server;
        run.desktopIcon = run.startMenu = true;
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);

        CHECK(out.result == IDOK);
        CHECK_FALSE(out.timedOut);
        REQUIRE(out.messageBoxes.size() == 1);
        CHECK(out.messageBoxes[0].text == rows[i].expectedMessage);
        CHECK(out.messageBoxes[0].title == ProgramName());
        CHECK(out.messageBoxes[0].style == (MB_OK | MB_ICONERROR));
        CHECK(LogMessages(out.newLog) ==
              std::vector<std::string>{FirstLine(rows[i].expectedMessage)});
        CHECK_NOTHING_LATER_RAN(out, clean.places);
        if (rows[i].readOnlyReadme) {
            // The other entries were written, the blocked file kept.
            CHECK(ReadBytes(dir + "readme.txt") == "mine");
            CHECK(IsFile(dir + "Norla2024.exe"));
            CHECK(IsFile(dir + ".norla\\settings.ini"));
        } else {
            CHECK(Tree(dir) == rows[i].expectedTree);
        }
        ScratchFolder::RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
    }
}

TEST_CASE("a cancel while unpacking stops after the current entry and ends with Cancel")
{
    ScratchFolder folder;
    struct Row {
        CancelBy by;
    } rows[] = {{CancelBy::CloseBox}, {CancelBy::Escape}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CleanPlaces clean;
        ResetCom();
        SequenceRun run;
        run.archive = "three.zip";
        run.installDir = folder.Path();
        run.desktopIcon = run.startMenu = true;
        run.cancel = rows[i].by;
        run.cancelAtPosition = 1;   // after the second entry
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);

        CHECK(out.result == IDCANCEL);
        CHECK(out.quitPending);   // the program ends
        CHECK(out.messageBoxes.empty());
        CHECK(LogMessages(out.newLog) == std::vector<std::string>{kCancelledLogLine});
        // Entries already written stay; the third is never written.
        CHECK(Tree(folder.Path()) == std::vector<std::string>{"a.txt", "b.txt", "norla.zip"});
        CHECK_NOTHING_LATER_RAN(out, clean.places);
        ScratchFolder::RemoveTree(folder.Path());
        CreateDirectoryA(folder.Path().c_str(), nullptr);
    }
}

TEST_CASE("a cancel during the download: no message, the log line, nothing unpacked")
{
    CleanPlaces clean;
    ScratchFolder folder;
    ResetCom();
    SequenceRun run;
    run.servedBytes = PatternBytes(1000000);
    run.server.slowMs = 20;   // about 2.5 s for the whole file
    run.installDir = folder.Path();
    run.desktopIcon = run.startMenu = true;
    run.cancel = CancelBy::CloseBox;
    run.cancelAfterMs = 500;
    SequenceOutcome out = RunSequence(run);
    INFO(out.windows);

    CHECK(out.result == IDCANCEL);
    CHECK(out.quitPending);
    CHECK(out.messageBoxes.empty());
    CHECK(out.unpackBar.empty());
    CHECK(LogMessages(out.newLog) == std::vector<std::string>{kCancelledLogLine});
    CHECK(Tree(folder.Path()).empty());
    CHECK_NOTHING_LATER_RAN(out, clean.places);
}
