// File names of the four kinds: splitting into components and joining them again.
#include "util/ZR_FileName.h"
#include <doctest.h>
#include <string>

namespace {
struct Split {
    int kind;
    const char* path;
    const char* drive;
    const char* directory;
    const char* name;
    const char* extension;
};

std::string Text(const C_ZR_DynString& s)
{
    return s.GetString();
}

C_ZR_FileName Parse(int kind, const char* path)
{
    C_ZR_FileName fileName;
    fileName.SetKind(kind);
    REQUIRE(fileName.SetPath(path) == 1);
    return fileName;
}
}

TEST_CASE("SetPath splits by the kind's separators and GetPath gives the path back")
{
    const Split rows[] = {
        {0, "C:\\Temp\\log.txt", "C", "\\Temp\\", "log", "txt"},
        {1, "C:\\Temp\\log.txt", "C", "\\Temp\\", "log", "txt"},
        {0, "\\\\server\\share\\log.txt", "", "\\\\server\\share\\", "log", "txt"},
        {0, "log.txt", "", "", "log", "txt"},
        // The install log's path when the temporary directory already ends with a backslash.
        {0, "C:\\Temp\\\\norla_inst_log.txt", "C", "\\Temp\\\\", "norla_inst_log", "txt"},
        {0, "C:\\users\\me\\Temp\\norla_inst_log.txt", "C", "\\users\\me\\Temp\\", "norla_inst_log", "txt"},
        {0, "C:\\Temp\\", "C", "\\Temp\\", "", ""},
        {0, "C:\\Temp\\archive.tar.gz", "C", "\\Temp\\", "archive.tar", "gz"},
        // A dot in a folder name is not the file's extension.
        {0, "C:\\v1.2\\README", "C", "\\v1.2\\", "README", ""},
        // Folders without a drive are kept as written.
        {0, "\\Temp\\log.txt", "", "\\Temp\\", "log", "txt"},
        {0, "..\\Temp\\log.txt", "", "..\\Temp\\", "log", "txt"},
        {3, "/tmp/log.txt", "", "/tmp/", "log", "txt"},
        {3, "log.txt", "", "", "log", "txt"},
        {3, "/tmp.d/log", "", "/tmp.d/", "log", ""},
        {2, "Disk:Folder:log.txt", "Disk", "Folder:", "log", "txt"},
        {2, "Disk:Folder:Sub:log.txt", "Disk", "Folder:Sub:", "log", "txt"},
        {2, "Disk:log.txt", "Disk", "", "log", "txt"},
        {2, "log.txt", "", "", "log", "txt"},
    };
    for (const Split& row : rows) {
        CAPTURE(row.kind);
        CAPTURE(row.path);
        C_ZR_FileName fileName = Parse(row.kind, row.path);
        CHECK(Text(fileName.GetDrive()) == row.drive);
        CHECK(Text(fileName.GetDirectory()) == row.directory);
        CHECK(Text(fileName.GetName()) == row.name);
        CHECK(Text(fileName.GetExtension()) == row.extension);
        CHECK(std::string(fileName.GetPath()) == row.path);
    }
}

TEST_CASE("an invalid kind leaves the components alone and joins to the empty path")
{
    for (int kind : {-1, 4, 100}) {
        CAPTURE(kind);
        C_ZR_FileName fileName = Parse(0, "C:\\Temp\\log.txt");
        fileName.SetKind(kind);
        CHECK(fileName.SetPath("D:\\Other\\x.dat") == 0);
        CHECK(Text(fileName.GetDrive()) == "C");
        CHECK(Text(fileName.GetName()) == "log");
        CHECK(std::string(fileName.GetPath()).empty());
    }
}

TEST_CASE("a copy takes the components and the kind; the cached path is rebuilt")
{
    C_ZR_FileName source = Parse(3, "/tmp/log.txt");
    C_ZR_FileName copy;
    copy.SetKind(0);
    CHECK(std::string(copy.GetPath()).empty());
    copy = source;
    CHECK(copy.GetKind() == 3);
    CHECK(std::string(copy.GetPath()) == "/tmp/log.txt");
    C_ZR_FileName constructed(source);
    CHECK(std::string(constructed.GetPath()) == "/tmp/log.txt");
    CHECK(C_ZR_FileName().IsEmpty());
    CHECK(Parse(0, "C:\\Temp\\").IsEmpty());
}

TEST_CASE("Compare goes by drive, directory, name, extension; the operators follow it")
{
    C_ZR_FileName a = Parse(0, "C:\\Z\\a.txt");
    C_ZR_FileName b = Parse(0, "D:\\A\\a.txt");
    C_ZR_FileName c = Parse(0, "C:\\Z\\a.zip");
    C_ZR_FileName upper = Parse(0, "C:\\Z\\A.txt");
    CHECK(a.Compare(b) == -1);
    CHECK(b.Compare(a) == 1);
    CHECK(a.Compare(c) == -1);
    CHECK(a.Compare(upper) == 1);
    CHECK(a.Compare(Parse(0, "C:\\Z\\a.txt")) == 0);

    const C_ZR_Comparable& x = a;
    const C_ZR_Comparable& y = b;
    CHECK(x < y);
    CHECK(x <= y);
    CHECK(x != y);
    CHECK_FALSE(x == y);
    CHECK(y > x);
    CHECK(y >= x);
    CHECK(x == a);
    CHECK(x <= a);
    CHECK(x >= a);
}
