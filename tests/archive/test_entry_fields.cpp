// The plain functions behind the entry record.
#include "Files.h"
#include "archive/ArchiveReader.h"
#include "archive/EntryFields.h"
#include <doctest.h>
#include <cstring>
#include <string>

TEST_CASE("stored names lose drives, leading separators and steps up")
{
    struct Case {
        const char* stored;
        const char* cleaned;
    };
    const Case cases[] = {
        {"dir/a.txt", "dir/a.txt"},
        {"C:\\a\\b.txt", "a\\b.txt"},
        {"C:\\dir\\a.txt", "dir\\a.txt"},
        {"\\\\server\\x", "server\\x"},
        {"/abs/b", "abs/b"},
        {"../x/../y", "y"},
        {"x/../y/../z", "z"},
        {"a\\..\\b", "b"},
        {"a\\../b", "b"},
        {"a/..\\b", "b"},
        // Steps up that the cleaning once let through.
        {"..\\x", "x"},
        {"../x", "x"},
        {"a\\..\\..\\x", "x"},
        {"..", ""},
        {"../..", ""},
        {"./..", ""},
        {"a/..", ""},
        {"C:..\\x", "x"},
        {"\\\\?\\C:\\..\\x", "x"},
        // Dots that are names, not steps.
        {"..x/y", "..x/y"},
        {"x../y", "x../y"},
        {".hidden", ".hidden"},
        {"a/./b", "a/./b"},
        {"", ""},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.stored));
        CHECK(std::string(CleanEntryName(c.stored)) == c.cleaned);
    }
}

TEST_CASE("no cleaned name holds a step up")
{
    struct Case {
        const char* stored;
        const char* cleaned;
    };
    const Case cases[] = {
        {"..", ""}, {"../", ""}, {"..\\", ""}, {"../x", "x"}, {"..\\x", "x"},
        {"a/../../x", "x"}, {"a\\..\\..\\x", "x"}, {"a/b/../../../x", "x"},
        {"a/..\\../x", "x"}, {"x/../../../../../../etc/passwd", "etc/passwd"},
        {"./../x", "x"}, {".\\..\\x", "x"}, {"a/./../../x", "x"}, {"/../x", "x"},
        {"\\..\\x", "x"}, {"C:/../x", "x"}, {"C:..", ""}, {"D:\\..\\..\\x", "x"},
        {"\\\\server\\..\\..\\x", "x"}, {"a/../..", ""}, {"a\\..\\..", ""},
        {"a/b/../../..", ""}, {"..//x", "x"}, {"..\\\\x", "x"}, {"a//..//..//x", "x"},
        {"a/.. /../x", "x"}, {"a/.../../../x", "x"},
        // Not steps up; the extraction refuses these parts, which Windows would shorten.
        {"... /x", "... /x"}, {"..../x", "..../x"}, {".. /x", ".. /x"},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.stored));
        std::string cleaned = CleanEntryName(c.stored);
        CHECK(cleaned == c.cleaned);
        // Whatever the table says: no part of the cleaned name is "..".
        std::string parts = "/" + cleaned + "/";
        for (char& ch : parts)
            ch = ch == '\\' ? '/' : ch;
        CHECK(parts.find("/../") == std::string::npos);
    }
}

TEST_CASE("attributes follow the DOS byte for DOS-like hosts and the Unix mode otherwise")
{
    const DWORD A = FILE_ATTRIBUTE_ARCHIVE, R = FILE_ATTRIBUTE_READONLY, H = FILE_ATTRIBUTE_HIDDEN,
                S = FILE_ATTRIBUTE_SYSTEM, D = FILE_ATTRIBUTE_DIRECTORY;
    struct Case {
        WORD versionMadeBy;
        DWORD external;
        DWORD attributes;
    };
    const Case cases[] = {
        {0x0014, 0x21, R | A},          // MS-DOS
        {0x0014, 0x00, 0},
        {0x0014, 0x37, D | A | H | R | S},
        {0x0714, 0x02, H},              // Macintosh
        {0x0B14, 0x10, D},              // NTFS
        {0x0E14, 0x04, S},              // VFAT
        {0x0014, 0x81A40000, 0},        // a DOS host ignores the Unix half
        {0x031E, 0x81A40000, A},        // Unix regular file, 644
        {0x031E, 0x81240000, A | R},    // 444
        {0x031E, 0x41ED0000, D | A},    // directory, 755
        {0x031E, 0x416D0000, D | A | R},
        {0x031E, 0x00000021, A | R},    // the DOS byte counts for nothing on Unix
        {0x1314, 0x00800000, A},        // another host (19, OS X) reads like Unix
    };
    for (const Case& c : cases) {
        CAPTURE(c.versionMadeBy);
        CAPTURE(c.external);
        CHECK(MapEntryAttributes(c.versionMadeBy, c.external) == c.attributes);
    }
}

TEST_CASE("DOS times are local calendar times; impossible ones give a zero file time")
{
    // 2020-10-03 13:18:58
    FILETIME utc = DosTimeToFileTime(0x5143, 0x6A5D);
    FILETIME local;
    SYSTEMTIME calendar;
    REQUIRE(FileTimeToLocalFileTime(&utc, &local));
    REQUIRE(FileTimeToSystemTime(&local, &calendar));
    CHECK(calendar.wYear == 2020);
    CHECK(calendar.wMonth == 10);
    CHECK(calendar.wDay == 3);
    CHECK(calendar.wHour == 13);
    CHECK(calendar.wMinute == 18);
    CHECK(calendar.wSecond == 58);
    CHECK(calendar.wMilliseconds == 0);

    struct Case {
        const char* what;
        WORD date, time;
    };
    const Case impossible[] = {
        {"all zero", 0x0000, 0x0000},       {"month 0", 0x5003, 0x6A5D},
        {"month 13", 0x51A3, 0x6A5D},       {"day 0", 0x5140, 0x6A5D},
        {"30 February", 0x505E, 0x0000},    {"second 60", 0x5143, 0x6A5E},
        {"hour 24", 0x5143, 0xC000},        {"minute 60", 0x5143, 0x0780},
    };
    for (const Case& c : impossible) {
        CAPTURE(std::string(c.what));
        CHECK(Ticks(DosTimeToFileTime(c.date, c.time)) == 0);
    }
}

TEST_CASE("Unix times and the UT block of the local extra field")
{
    CHECK(Ticks(UnixTimeToFileTime(0)) == 116444736000000000ULL);
    CHECK(Ticks(UnixTimeToFileTime(-1)) == 116444735990000000ULL);
    CHECK(Ticks(UnixTimeToFileTime(0x7FFFFFFF)) == 137919572470000000ULL);
    CHECK(Ticks(UnixTimeToFileTime(static_cast<LONG>(0x80000000))) == 94969899520000000ULL);

    const FILETIME untouched = {0xDEADBEEF, 0x01020304};
    const ULONGLONG u = Ticks(untouched), t1 = Ticks(UnixTimeToFileTime(1)),
                    t2 = Ticks(UnixTimeToFileTime(2)), t3 = Ticks(UnixTimeToFileTime(3));
    struct Case {
        const char* what;
        std::string field;
        ULONGLONG write, access, creation;
    };
    const std::string one("\x01\0\0\0", 4), two("\x02\0\0\0", 4), three("\x03\0\0\0", 4);
    const Case cases[] = {
        {"flags 3", std::string("UT\x09\0\x03", 5) + one + two, t1, t2, u},
        {"flags 7", std::string("UT\x0D\0\x07", 5) + one + two + three, t1, t2, t3},
        {"flags 5", std::string("UT\x09\0\x05", 5) + one + three, t1, u, t3},
        {"flags 4", std::string("UT\x05\0\x04", 5) + three, u, u, t3},
        {"after another block", std::string("ux\x03\0abc", 7) + "UT\x05" + std::string("\0\x01", 2) + one,
         t1, u, u},
        {"only the first UT block",
         std::string("UT\x05\0\x01", 5) + one + std::string("UT\x05\0\x01", 5) + two, t1, u, u},
        {"times past the field are not taken", std::string("UT\x0D\0\x07", 5) + one + "\x02\0", t1, u, u},
        {"no UT block", std::string("ux\x04\0abcd", 8), u, u, u},
        {"a field of 4 bytes is not scanned", std::string("UT\0\0", 4), u, u, u},
        {"a block size running past the end", std::string("ab\xFF\xFF", 4) + "UT\x05" + std::string("\0\x01", 2) + one,
         u, u, u},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.what));
        ArchiveEntry entry = {};
        entry.writeTime = entry.accessTime = entry.creationTime = untouched;
        ScanExtendedTimestamp(reinterpret_cast<const BYTE*>(c.field.data()), c.field.size(), entry);
        CHECK(Ticks(entry.writeTime) == c.write);
        CHECK(Ticks(entry.accessTime) == c.access);
        CHECK(Ticks(entry.creationTime) == c.creation);
    }
}
