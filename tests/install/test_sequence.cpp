// The installation sequence from the download to the started setup program, against the real
// FTP server, with archives made by zip tools: in the real progress window where the window
// shows something, in a plain call with a recording sink elsewhere.
#include "FixtureRecord.h"
#include "InstallRun.h"
#include "Files.h"
#include "ShellLinkFile.h"
#include "app/SetupApp.h"
#include "archive/ArchiveReader.h"
#include "install/InstallMessages.h"
#include <doctest.h>
#include <algorithm>

namespace {
const char* const kCompletionStart = "Entpacken abgeschlossen.\n";

// Ended as a complete installation does: the completion message, then the setup start.
#define CHECK_COMPLETED(out)                                                              \
    do {                                                                                  \
        CHECK((out).result == IDOK);                                                      \
        REQUIRE((out).messageBoxes.size() == 1);                                          \
        CHECK((out).messageBoxes[0].text.rfind(kCompletionStart, 0) == 0);                \
        CHECK((out).starts.size() == 1);                                                  \
    } while (0)

}

TEST_CASE("a product archive is unpacked, the settings copied, the setup program started")
{
    CleanSlate clean;
    ScratchFolder folder;
    SequenceRun run("product.zip", folder.Path());
    run.screenshot = "screenshots\\completion.bmp";
    SequenceOutcome out = RunSequence(run);
    INFO(out.windows);

    CHECK(out.result == IDOK);
    CHECK_FALSE(out.timedOut);
    CHECK(Tree(folder.Path()) == kProductTree);
    CHECK(ReadBytes(folder.Path() + "Norla2024.exe") ==
          ReadBytes(NORLA_FIXTURE_DIR "\\Norla2024.exe"));

    // Settings: the files directly in .norla\, not its subfolders; the title shows the last.
    CHECK(Tree(clean.places.settingsFolder) == std::vector<std::string>{"colors.cfg", "settings.ini"});
    CHECK(ReadBytes(clean.places.settingsFolder + "settings.ini") == "[norla]\r\nunits=mm\r\n");
    CHECK(out.titleAtMessage == "settings.ini");

    // One completion message, no icon, the framework's caption.
    REQUIRE(out.messageBoxes.size() == 1);
    CHECK(out.messageBoxes[0].title == ProgramName());
    CHECK(out.messageBoxes[0].style == MB_OK);
    CHECK(out.messageBoxes[0].text ==
          "Entpacken abgeschlossen.\n"
          "Der Installer f\xFCr Norla Veltro 2024 startet nun automatisch.\n"
          "Falls nicht, f\xFChren Sie bitte den Installer manuell aus (" +
              folder.Path() + "norla2024.exe).");
    CHECK(out.logged.empty());

    // No shortcut asked for: none made, COM left initialised from the settings step.
    CHECK_FALSE(IsFile(clean.places.desktopLink));
    CHECK_FALSE(IsFolder(clean.places.startMenuFolder));
    CHECK(ResetCom() == S_FALSE);

    // The setup program, started once as a new process group from the installer's folder.
    REQUIRE(out.starts.size() == 1);
    CHECK(out.starts[0].application == folder.Path() + "Norla2024.exe");
    CHECK(out.starts[0].creationFlags == CREATE_NEW_PROCESS_GROUP);
    CHECK(out.starts[0].recordSize == sizeof(STARTUPINFOA));
    CHECK(out.starts[0].recordFlags == 0);
    std::string started = OnlyStartRecord(folder.Path() + "Norla2024.exe");
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    CHECK(started.find("path=" + folder.Path() + "Norla2024.exe\tcommandline=\"" + folder.Path() + "Norla2024.exe\"\t") == 0);
    CHECK(started.find("\tfolder=" + std::string(current)) != std::string::npos);
    CHECK_FALSE(IsFile(FixtureLogPath(folder.Path() + "Elevate.dll")));
}

TEST_CASE("target paths drop the first level of each name and nothing else")
{
    CleanSlate clean;
    ScratchFolder folder;
    // No settings in this archive: a file where their folder would go does not matter.
    const std::string& settings = clean.places.settingsFolder;
    WriteBytes(settings.substr(0, settings.size() - 1), "mine");
    SequenceRun run("paths.zip", folder.Path());
    SequenceOutcome out = RunPlain(run);

    // Setup/ and Setup/docs/ are folders; a\b.txt has no slash and keeps its parts; one/x.txt
    // and two/x.txt meet at x.txt, the later one winning.
    CHECK(Tree(folder.Path()) == std::vector<std::string>{"a\\", "a\\b.txt", "bin\\", "bin\\a.dll",
                                                          "docs\\", "norla.zip", "readme.txt",
                                                          "x.txt"});
    CHECK(ReadBytes(folder.Path() + "x.txt") == "from two");
    CHECK(ReadBytes(folder.Path() + "a\\b.txt") == "backslashes only");
    CHECK(ReadBytes(folder.Path() + "bin\\a.dll") == "a.dll");
    // No setup program in this archive: its start fails with file not found, quietly.
    CHECK_COMPLETED(out);
}

TEST_CASE("DOS umlauts in names become Windows letters; the chosen folder stays as it is")
{
    CleanSlate clean;
    ScratchFolder scratch;
    struct Row {
        const char* folder;
    } rows[] = {
        {""},
        // š „ ” Ž ™ á: Windows letters whose bytes are DOS umlauts.
        {"Norla \x9A\x84\x94\x8E\x99\xE1\\"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        std::string installDir = scratch.Path() + rows[i].folder;
        CreateDirectoryA(installDir.c_str(), nullptr);
        SequenceRun run("dos.zip", installDir);
        SequenceOutcome out = RunPlain(run);

        CHECK(out.result == IDOK);
        CHECK(Tree(installDir) == std::vector<std::string>{
                                      "Gr\xFC\xDF" "e\\", "Gr\xFC\xDF" "e\\Gr\xFCn.txt", "norla.zip",
                                      "\xE4\xF6\xFC\xC4\xD6\xDC\xDF.txt"});
        CHECK(ReadBytes(installDir + "\xE4\xF6\xFC\xC4\xD6\xDC\xDF.txt") == "umlauts");
        REQUIRE(out.messageBoxes.size() == 1);
        CHECK(out.messageBoxes[0].text.find("(" + installDir + "norla2024.exe)") !=
              std::string::npos);
        // Nothing may be left beside the folder that was chosen.
        RemoveTree(installDir);
        CreateDirectoryA(scratch.Path().c_str(), nullptr);
    }
    CHECK(Tree(scratch.Path()).empty());
}

TEST_CASE("an installation folder with Windows letters that are DOS umlaut bytes")
{
    CleanSlate clean;
    ScratchFolder scratch;
    std::string installDir = scratch.Path() + "Norla \x9A\x84\x94\x8E\x99\xE1\\";
    REQUIRE(CreateDirectoryA(installDir.c_str(), nullptr));
    SequenceRun run("product.zip", installDir);
    SequenceOutcome out = RunPlain(run);

    CHECK(out.result == IDOK);
    // Everything lands in the folder that was chosen, and the later steps find it there.
    CHECK(Tree(scratch.Path()).size() == kProductTree.size() + 1);
    CHECK(Tree(installDir) == kProductTree);
    CHECK(Tree(clean.places.settingsFolder) == std::vector<std::string>{"colors.cfg", "settings.ini"});
    CHECK(OnlyStartRecord(installDir + "Norla2024.exe").find("path=" + installDir + "Norla2024.exe\t") == 0);
}

TEST_CASE("a name stored as UTF-8 does not go through the DOS table")
{
    CleanSlate clean;
    ScratchFolder folder;
    SequenceRun run("utf8.zip", folder.Path());
    SequenceOutcome out = RunPlain(run);
    CHECK(out.result == IDOK);

    // The reader hands the name in the Windows code page; whatever bytes it gives, the
    // sequence must write them unchanged, and some of them are DOS table bytes.
    ArchiveReader* reader = OpenArchive((folder.Path() + "norla.zip").c_str());
    REQUIRE(reader != nullptr);
    ArchiveEntry entry = {};
    CHECK(GetArchiveEntry(reader, 1, &entry) == AR_OK);
    CloseArchive(reader);
    REQUIRE(entry.nameUtf8);
    std::string name = std::string(entry.name).substr(strlen("Setup/"));
    REQUIRE(name.find_first_of("\x84\x94\x81\x8E\x99\x9A\xE1") != std::string::npos);
    std::vector<std::string> expected = {name, "norla.zip"};
    std::sort(expected.begin(), expected.end());
    CHECK(Tree(folder.Path()) == expected);
    CHECK(ReadBytes(folder.Path() + name) == "utf-8 name");
}

TEST_CASE("the bar runs over the entries: range 0..n, positions 0..n-1 as drawn, then n+1")
{
    CleanSlate clean;
    ScratchFolder folder;
    struct Row {
        const char* archive;
        std::vector<BarMessage> bar;
    } rows[] = {
        {"three.zip",
         {{PBM_SETRANGE32, 0, 3}, {PBM_SETPOS, 0, 0}, {PBM_SETPOS, 1, 0}, {PBM_SETPOS, 2, 0},
          {PBM_SETPOS, 4, 0}}},
        // The end record claims 2^31 - 1 entries: the range is the three that are there.
        {"lying.zip",
         {{PBM_SETRANGE32, 0, 3}, {PBM_SETPOS, 0, 0}, {PBM_SETPOS, 1, 0}, {PBM_SETPOS, 2, 0},
          {PBM_SETPOS, 4, 0}}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        SequenceRun run(rows[i].archive, folder.Path());
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);
        REQUIRE(out.unpackBar.size() == rows[i].bar.size());
        for (size_t m = 0; m < rows[i].bar.size(); ++m) {
            CAPTURE(m);
            CHECK(out.unpackBar[m].msg == rows[i].bar[m].msg);
            CHECK(out.unpackBar[m].wParam == rows[i].bar[m].wParam);
            CHECK(out.unpackBar[m].lParam == rows[i].bar[m].lParam);
        }
        CHECK_COMPLETED(out);
    }

    // More entries than the bar has pixels: set once a pixel at most.
    SequenceRun run("many.zip", folder.Path());
    SequenceOutcome out = RunSequence(run);
    INFO(out.windows);
    REQUIRE(out.unpackBar.size() >= 3);
    CHECK(out.unpackBar.front().msg == UINT(PBM_SETRANGE32));
    CHECK(out.unpackBar.front().lParam == 1500);
    CHECK(out.unpackBar[1].wParam == 0);
    CHECK(out.unpackBar.back().wParam == 1501);
    // Fewer positions than entries, each one further on: one per drawn step at most.
    CHECK(out.unpackBar.size() < 750);   // the bar is about 680 pixels wide
    for (size_t m = 2; m < out.unpackBar.size(); ++m)
        CHECK(out.unpackBar[m].wParam > out.unpackBar[m - 1].wParam);
    CHECK_COMPLETED(out);
}

TEST_CASE("shortcut options: which links, their descriptions, and COM afterwards")
{
    ScratchFolder folder;
    struct Row {
        bool desktop, startMenu;
        const char* desktopDescription;     // null: no link
        const char* startMenuDescription;   // null: no link
        HRESULT comAfterwards;              // what CoInitialize answers after the run
    } rows[] = {
        {false, false, nullptr, nullptr, S_FALSE},
        {true, false, "Norla Kesto 2.0", nullptr, S_FALSE},
        {false, true, nullptr, "", S_OK},
        {true, true, "Norla Kesto 2.0", "Norla Kesto 2.0", S_FALSE},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CleanSlate clean;
        REQUIRE(ResetCom() == S_OK);
        SequenceRun run("three.zip", folder.Path());
        run.desktopIcon = rows[i].desktop;
        run.startMenu = rows[i].startMenu;
        SequenceOutcome out = RunPlain(run);
        CHECK(out.result == IDOK);

        HRESULT com = CoInitialize(nullptr);
        CHECK(com == rows[i].comAfterwards);
        CHECK(IsFile(clean.places.desktopLink) == (rows[i].desktopDescription != nullptr));
        if (rows[i].desktopDescription)
            CHECK(LoadLink(clean.places.desktopLink).description == rows[i].desktopDescription);
        CHECK(IsFolder(clean.places.startMenuFolder) == (rows[i].startMenuDescription != nullptr));
        CHECK(IsFile(clean.places.startMenuLink) == (rows[i].startMenuDescription != nullptr));
        if (rows[i].startMenuDescription)
            CHECK(LoadLink(clean.places.startMenuLink).description == rows[i].startMenuDescription);
        CoUninitialize();
    }
}
