// The dynamic string: positions outside the string, byte order, the fill rule, failures.
#include "util/ZR_DynString.h"
#include <doctest.h>
#include <string>

namespace {
std::string Text(const C_ZR_DynString& s)
{
    return std::string(s.GetString(), static_cast<size_t>(s.GetLength()));
}
}

TEST_CASE("Mid and Left cut to what is there and give empty outside the string")
{
    struct Row {
        int start, count;
        const char* expected;
    } rows[] = {
        {1, -1, "bc"}, {0, -5, "abc"}, {3, -1, ""}, {3, 1, ""}, {-1, 2, ""},
        {0, 10, "abc"}, {1, 1, "b"},   {2, 0, ""},  {2, 5, "c"},
    };
    C_ZR_DynString abc("abc");
    for (const Row& row : rows) {
        CAPTURE(row.start);
        CAPTURE(row.count);
        C_ZR_DynString part = abc.Mid(row.start, row.count);
        CHECK(Text(part) == row.expected);
        CHECK(part.GetString()[part.GetLength()] == '\0');
    }
    CHECK(Text(abc.Left(2)) == "ab");
    CHECK(Text(abc.Left(-1)) == "abc");
    CHECK(Text(C_ZR_DynString().Mid(0, 1)).empty());
}

TEST_CASE("Find and ReverseFind report -1 for a start outside the string")
{
    C_ZR_DynString s("abcabc");
    CHECK(s.Find('c') == 2);
    CHECK(s.Find('c', 3) == 5);
    CHECK(s.Find('a', 4) == -1);
    CHECK(s.Find('a', 6) == -1);
    CHECK(s.Find('a', -1) == -1);
    CHECK(s.Find('x') == -1);
    CHECK(s.Find("bc") == 1);
    CHECK(s.Find("bc", 2) == 4);
    CHECK(s.Find("bc", 5) == -1);
    CHECK(s.Find("bc", 6) == -1);
    CHECK(s.Find("abcd") == -1);
    CHECK(C_ZR_DynString().Find('\0') == -1);
    CHECK(C_ZR_DynString().Find("") == -1);
    CHECK(s.ReverseFind('a') == 3);
    CHECK(s.ReverseFind('x') == -1);
    CHECK(s.GetAt(5) == 'c');
    CHECK(s.GetAt(6) == '\0');
    CHECK(s.GetAt(-1) == '\0');
}

TEST_CASE("Compare orders bytes as unsigned values and CompareNoCase folds only ASCII letters")
{
    struct Row {
        const char* a;
        const char* b;
        int compare, compareNoCase;
    } rows[] = {
        {"abc", "ABC", 1, 0},
        {"ABC", "abc", -1, 0},
        {"abc", "abc", 0, 0},
        {"ab", "abc", -1, -1},
        {"abc", "", 1, 1},
        {"Stra\xdf" "e", "STRA\xdf" "E", 1, 0},   // ß has no upper case in the C locale
        {"\xe4", "\xc4", 1, 1},                   // ä and Ä stay apart
        {"\x80", "a", 1, 1},                       // 0x80 sorts after ASCII
        {"a", "\xff", -1, -1},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        C_ZR_DynString a(rows[i].a);
        CHECK(a.Compare(rows[i].b) == rows[i].compare);
        CHECK(a.CompareNoCase(rows[i].b) == rows[i].compareNoCase);
        CHECK(a.Compare(C_ZR_DynString(rows[i].b)) == rows[i].compare);
    }
    CHECK(C_ZR_DynString("x") == "x");
    CHECK_FALSE(C_ZR_DynString("x") == "X");
}

TEST_CASE("length and fill: a NUL fill gives the empty string, a negative length throws")
{
    C_ZR_DynString nuls(3, '\0');
    CHECK(nuls.GetLength() == 0);
    CHECK(nuls.IsEmpty());
    CHECK(Text(C_ZR_DynString(3, 'x')) == "xxx");
    CHECK(Text(C_ZR_DynString(0, 'x')).empty());
    CHECK_THROWS_AS(C_ZR_DynString(-1, 'x'), C_ZR_DynStringException);

    C_ZR_DynString kept("kept");
    CHECK_THROWS_AS(kept.Allocate(-1), C_ZR_DynStringException);
    CHECK(Text(kept) == "kept");
    kept.Allocate(2);
    CHECK(Text(kept) == "  ");
}

TEST_CASE("copies are deep, self-assignment and a part of itself keep the text")
{
    C_ZR_DynString a("Norla");
    C_ZR_DynString b(a);
    b += "\\";
    CHECK(Text(a) == "Norla");
    CHECK(Text(b) == "Norla\\");
    a = a;
    CHECK(Text(a) == "Norla");
    a.Set(a.GetString() + 2);
    CHECK(Text(a) == "rla");
    a += C_ZR_DynString();
    CHECK(Text(a) == "rla");
    CHECK(Text(C_ZR_DynString("C:") + "\\Temp\\") == "C:\\Temp\\");
    a.Set(nullptr);
    CHECK(a.IsEmpty());
    CHECK(Text(C_ZR_DynString(static_cast<const char*>(nullptr))).empty());
    b.Empty();
    CHECK(b.GetLength() == 0);
    CHECK(b.GetString()[0] == '\0');
}
