// The text file: open modes on real files, text-mode line ends, tokens and skipping.
#include "Files.h"
#include "util/ZR_TextFile.h"
#include <doctest.h>

namespace {
C_ZR_FileName NameOf(const std::string& path)
{
    C_ZR_FileName fileName;
    fileName.SetPath(path.c_str());
    return fileName;
}
}

TEST_CASE("open modes: read needs the file, append keeps it, write truncates it")
{
    ScratchFolder folder;
    const std::string path = folder.Path() + "modes.txt";
    C_ZR_FileName fileName = NameOf(path);

    {
        C_ZR_TextFile file;
        CHECK_FALSE(file.OpenRead(fileName));
        CHECK(file.fail());
        CHECK_FALSE(IsFile(path));
        CHECK_FALSE(file.Close());
    }
    {
        C_ZR_TextFile file;
        REQUIRE(file.OpenAppend(fileName));
        CHECK(std::string(C_ZR_FileName(file.GetFileName()).GetPath()) == path);
        file << "one\n";
        CHECK(file.Close());
    }
    {
        C_ZR_TextFile file;
        REQUIRE(file.OpenAppend(fileName));
        // A second open of an open stream fails and leaves it open on the first file.
        CHECK(file.OpenWrite(NameOf(folder.Path() + "other.txt")));
        CHECK(file.fail());
        CHECK_FALSE(IsFile(folder.Path() + "other.txt"));
        file.clear();
        file << "two\n";
    }   // the destructor closes
    CHECK(ReadBytes(path) == "one\r\ntwo\r\n");
    {
        C_ZR_TextFile file;
        REQUIRE(file.OpenWrite(fileName));
        CHECK(file.WriteNewLines(2));
    }
    CHECK(ReadBytes(path) == "\r\n\r\n");
    {
        C_ZR_TextFile file;
        REQUIRE(file.OpenRead(fileName));
        CHECK(file.get() == '\n');   // text mode reads CR LF back as one line feed
    }
    C_ZR_TextFile closed;
    CHECK_FALSE(closed.WriteNewLines(1));
    CHECK_FALSE(closed.OpenWrite(C_ZR_FileName()));   // no name component
    CHECK_FALSE(closed.fail());
}

TEST_CASE("ReadToken reads the words of a line and stops at its line feed")
{
    ScratchFolder folder;
    const std::string path = folder.Path() + "tokens.txt";
    WriteBytes(path, "  first\t second \nthird;fourth");
    C_ZR_TextFile file;
    REQUIRE(file.OpenRead(NameOf(path)));
    C_ZR_DynString token("garbage");
    REQUIRE(file.ReadToken(token));
    CHECK(token == "first");
    REQUIRE(file.ReadToken(token));
    CHECK(token == "second");
    CHECK_FALSE(file.ReadToken(token));
    CHECK_FALSE(file.ReadToken(token));   // the line feed stays until taken
    CHECK(token == "second");
    CHECK(file.get() == '\n');
    file.SetSemicolonDelimiters();
    REQUIRE(file.ReadToken(token));
    CHECK(token == "third");
    REQUIRE(file.ReadToken(token));
    CHECK(token == "fourth");
    CHECK_FALSE(file.ReadToken(token));
}

TEST_CASE("ReadToken refuses a token as long as the buffer")
{
    ScratchFolder folder;
    const std::string path = folder.Path() + "long.txt";
    WriteBytes(path, "abcd abc");
    C_ZR_TextFile file;
    file.SetBufferSize(4);
    REQUIRE(file.OpenRead(NameOf(path)));
    C_ZR_DynString token("garbage");
    CHECK_FALSE(file.ReadToken(token));
    CHECK(token == "garbage");
    file.SetBufferSize(0);
    CHECK_FALSE(file.ReadToken(token));
    file.SetBufferSize(3);
    CHECK_FALSE(file.ReadToken(token));   // "abc" needs four bytes with its end
    CHECK(token == "garbage");
}

TEST_CASE("SkipTo reads past the text and reports whether it was there")
{
    ScratchFolder folder;
    const std::string path = folder.Path() + "skip.txt";
    WriteBytes(path, "[Setup]\nName=Norla\n[End]");
    C_ZR_TextFile file;
    REQUIRE(file.OpenRead(NameOf(path)));
    REQUIRE(file.SkipTo("Name="));
    C_ZR_DynString token;
    REQUIRE(file.ReadToken(token));
    CHECK(token == "Norla");
    CHECK(file.SkipTo("[End]"));   // found exactly at the end of the file
    CHECK_FALSE(file.SkipTo("x"));
    CHECK_FALSE(file.SkipTo(""));
    C_ZR_TextFile closed;
    CHECK_FALSE(closed.SkipTo("x"));
}
