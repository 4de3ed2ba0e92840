// Where entries go: the first-level drop, the DOS umlaut table and the target path; the
// messages and the settings folder's size.
#include "Files.h"
#include "archive/ArchiveReader.h"
#include "install/EntryPath.h"
#include "install/InstallMessages.h"
#include "install/InstallSteps.h"
#include <doctest.h>
#include <cstring>

namespace {
ArchiveEntry Entry(const char* name, bool utf8)
{
    ArchiveEntry entry = {};
    strcpy(entry.name, name);
    entry.nameUtf8 = utf8;
    return entry;
}
}

TEST_CASE("DropFirstLevel keeps the slash and ignores backslashes")
{
    struct Row {
        const char* name;
        const char* relative;
    } rows[] = {
        {"Setup/bin/a.dll", "/bin/a.dll"},
        {"Setup/", "/"},
        {"readme.txt", "readme.txt"},
        {"a\\b.txt", "a\\b.txt"},
        {"a\\b/c.txt", "/c.txt"},
        {"one/x.txt", "/x.txt"},
        {"/x.txt", "/x.txt"},
        {"", ""},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CHECK(DropFirstLevel(rows[i].name) == rows[i].relative);
    }
}

TEST_CASE("ConvertDosUmlauts maps all seven DOS bytes, every occurrence, and nothing else")
{
    std::string text = "\x84\x94\x81\x8E\x99\x9A\xE1|\x81\x81|a\xE4\xFC\x80\xFF";
    ConvertDosUmlauts(text);
    CHECK(text == "\xE4\xF6\xFC\xC4\xD6\xDC\xDF|\xFC\xFC|a\xE4\xFC\x80\xFF");

    // Every other byte value passes unchanged.
    const std::string table = "\x84\x94\x81\x8E\x99\x9A\xE1";
    for (int b = 1; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        if (table.find(one[0]) != std::string::npos)
            continue;
        CAPTURE(b);
        ConvertDosUmlauts(one);
        CHECK(one == std::string(1, static_cast<char>(b)));
    }
}

TEST_CASE("BuildTargetPath converts only the entry's part, and not UTF-8 names")
{
    struct Row {
        const char* installDir;
        const char* name;
        bool utf8;
        const char* target;
    } rows[] = {
        {"C:\\Norla024_install\\", "Setup/bin/a.dll", false, "C:\\Norla024_install\\/bin/a.dll"},
        {"C:\\Norla024_install\\", "Setup/", false, "C:\\Norla024_install\\/"},
        {"C:\\Norla024_install\\", "Setup/Gr\x81\xE1" "e.txt", false,
         "C:\\Norla024_install\\/Gr\xFC\xDF" "e.txt"},
        // The chosen folder is in the Windows code page already: š „ ” Ž ™ á stay.
        {"C:\\\x9A\x84\x94\x8E\x99\xE1\\", "x/\x84.txt", false, "C:\\\x9A\x84\x94\x8E\x99\xE1\\/\xE4.txt"},
        // A UTF-8 name arrives converted by the reader: \xE1 is á there, not a DOS ß.
        {"C:\\I\\", "Setup/\xC4-\xE1.txt", true, "C:\\I\\/\xC4-\xE1.txt"},
        {"C:\\I\\", "Setup/\xC3\x84.txt", true, "C:\\I\\/\xC3\x84.txt"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CHECK(BuildTargetPath(rows[i].installDir, Entry(rows[i].name, rows[i].utf8)) ==
              rows[i].target);
    }
}

TEST_CASE("a path with a percent sign is text in a message, not a format")
{
    CHECK(ArchiveFailedMessage("C:\\100%s%n\\a.zip") ==
          "Das Installationsarchiv C:\\100%s%n\\a.zip konnte nicht ge\xF6" "ffnet werden.\n"
          "Bitte starten Sie die Installation erneut.");
    CHECK(EntriesFailedMessage(2, 11, "C:\\%d\\").find(" in C:\\%d\\ und ") != std::string::npos);
}

TEST_CASE("the cause in the failure message, and MB as German writes them")
{
    const ULONGLONG MB = 1048576;
    struct Row {
        ULONGLONG bytes;
        bool up;
        const char* text;
    } rows[] = {
        {0, true, "0"}, {1, true, "1"}, {MB - 1, false, "0"}, {MB, true, "1"}, {MB + 1, true, "2"},
        {999 * MB, false, "999"}, {1234 * MB + 1, false, "1.234"}, {1234 * MB + 1, true, "1.235"},
        {1000000 * MB, true, "1.000.000"}, {~0ULL, true, "17.592.186.044.416"},
    };
    for (const Row& row : rows)
        CHECK(FormatMegabytes(row.bytes, row.up) == row.text);
    CHECK(DiskSpaceMessage("X:\\100%s\\", 1234 * MB + 1, 5 * MB - 1) ==
          "Auf dem Laufwerk von X:\\100%s\\ ist nicht gen\xFCgend Speicherplatz frei.\n"
          "Ben\xF6tigt werden 1.235 MB, frei sind 4 MB. Bitte schaffen Sie Platz und starten Sie "
          "die Installation erneut.");
    CHECK(ArchiveWriteMessage("C:\\%d\\") ==
          "Das Installationsarchiv konnte nicht nach C:\\%d\\ geschrieben werden.\n"
          "Bitte pr\xFC" "fen Sie die Zugriffsrechte und starten Sie die Installation erneut.");
    CHECK(ServerArchiveMessage() == "Auf dem Server wurde kein g\xFCltiges Installationsarchiv "
                                    "gefunden.\nBitte wenden Sie sich an den Hersteller.");
}
