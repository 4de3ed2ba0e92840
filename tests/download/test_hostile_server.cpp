// What the server sends is input: the descriptor's name, its line length, the listing's
// case. Everything here runs against the real FTP server.
#include "Files.h"
#include "SequenceRun.h"
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"
#include "util/DeviceName.h"
#include "util/OrdinaryName.h"
#include "download/ServerParameters.h"
#include <doctest.h>
#include <algorithm>
#include <memory>

namespace {
// An installation folder inside a folder of its own, so that a file put beside the
// installation folder shows as well.
struct Nest {
    ScratchFolder outer;
    std::string installDir;
    Nest() : installDir(outer.Path() + "install\\")
    {
        CreateDirectoryA(installDir.c_str(), nullptr);
        theApp.m_strInstallDir = installDir;
        theApp.m_strArchivePath = "garbage";
    }
    bool Untouched() const { return Tree(outer.Path()) == std::vector<std::string>{"install\\"}; }
};

// The download of `name` is refused before the server is asked anything, and nothing is
// written anywhere (an archive is served all the same).
void CheckRefusedUnasked(const std::string& name)
{
    Nest nest;
    FtpServer::Reset();
    FtpServer::PutFile("norla.zip", "PK");
    CHECK(DownloadAsInstallation(name) == 0);
    CHECK(FtpServer::Commands().empty());
    CHECK(theApp.m_strArchivePath == "garbage");
    CHECK(nest.Untouched());
}

// Reads the descriptor as the installation directory page does.
std::string LookUpDescriptor(const std::string& content,
                             const FtpBehaviour& behaviour = FtpBehaviour())
{
    FtpServer::Reset(behaviour);
    FtpServer::PutFile("norlainstaller.ini", content);
    theApp.m_strDownloadFileName = "garbage";
    CHECK(LookUpDescriptorAsPage());
    return theApp.m_strDownloadFileName;
}
}

TEST_CASE("plain file names and device names")
{
    struct Row {
        const char* name;
        bool plain;
        bool device;
    } rows[] = {
        {"norla.zip", true, false},      {"Norla 2024 Paket.zip", true, false},
        {"a.b.c", true, false},          {".zip", true, false},
        {"conx.zip", true, false},       {"com10.zip", true, false},
        {"xcon", true, false},           {"lpt.zip", true, false},
        {"\xe4rchiv.zip", true, false},  {" lead.zip", true, false},
        {"", false, false},              {".", false, false},
        {"..", false, false},            {"a.zip.", false, false},
        {"a.zip ", false, false},        {"evil.exe.", false, false},
        {"..\\escape.zip", false, false}, {"../escape.zip", false, false},
        {"sub\\a.zip", false, false},    {"sub/a.zip", false, false},
        {"c:a.zip", false, false},       {"a.zip:evil.exe", false, false},
        {"a\x01.zip", false, false},     {"a\t.zip", false, false},
        {"a\x7f.zip", false, false},     {"a*.zip", false, false},
        {"a?.zip", false, false},        {"a|b.zip", false, false},
        {"a<b>.zip", false, false},      {"\"a\".zip", false, false},
        {"con", false, true},            {"CON", false, true},
        {"con.zip", false, true},        {"nul.tar.gz", false, true},
        {"prn.txt", false, true},        {"aux", false, true},
        {"Aux .zip", false, true},       {"com1.zip", false, true},
        {"COM9", false, true},           {"com0.zip", false, true},
        {"lpt1", false, true},           {"lpt9.zip", false, true},
        {"com\xb9.zip", false, true},    {"lpt\xb3", false, true},
        {"conin$", false, true},         {"CONOUT$.zip", false, true},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(rows[i].name));
        CHECK(IsPlainFileName(rows[i].name) == rows[i].plain);
        CHECK(IsDeviceName(rows[i].name) == rows[i].device);
    }
}

TEST_CASE("a name that is no plain file name is refused before any connection")
{
    const char* names[] = {
        "..\\escape.zip", "../escape.zip", "sub\\norla.zip", "c:norla.zip", "norla.zip:x",
        ".", "..", "evil.exe.", "..\\evil.exe.", "evil.exe .", "evil.dll  ", "norla.zip ",
        "con", "con.zip", "nul.tar.gz", "com1.zip", "lpt9", "aux .zip", "a\x01.zip",
        "a\r.zip",
    };
    for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(names[i]));
        CheckRefusedUnasked(names[i]);
    }
}

TEST_CASE("the descriptor cannot send the archive out of the installation folder")
{
    // The cases that, unchecked, wrote beside the installation folder or wrote an exe.
    for (const char* line : {"..\\escape.zip", "evil.exe.", "..\\evil.exe.", "..\\..\\x.zip"}) {
        CAPTURE(std::string(line));
        std::string name = LookUpDescriptor(std::string(line) + "\r\n");
        CHECK(name == line);
        CheckRefusedUnasked(name);
    }
}

TEST_CASE("the archive path may hold 259 characters, not 260")
{
    for (size_t extra : {size_t(0), size_t(1)}) {
        CAPTURE(extra);
        Nest nest;
        size_t nameLength = kMaxPathLength - nest.installDir.size() + extra;
        REQUIRE(nameLength < 250);
        std::string name = std::string(nameLength - 4, 'n') + ".zip";
        FtpServer::Reset();
        FtpServer::PutFile(name, "PK-long");
        int result = DownloadAsInstallation(name);
        if (extra == 0) {
            CHECK(result == 1);
            CHECK(theApp.m_strArchivePath.size() == 259);
            CHECK(ReadBytes(nest.installDir + name) == "PK-long");
        } else {
            CHECK(result == 0);
            CHECK(FtpServer::Commands().empty());
            CHECK(nest.Untouched());
        }
    }
}

TEST_CASE("a first line longer than a path is cut and then refused")
{
    struct Row {
        std::string content;
        size_t stored;   // length of m_strDownloadFileName
        bool endless = false;   // the server sends "x" after the content, without end
    } rows[] = {
        // 259 characters and a line end: a name, if a long one.
        {std::string(255, 'a') + ".zip\r\nsecond\r\n", 259},
        {std::string(256, 'a') + ".zip\r\n", 260},
        // Blanks count: the line as sent is too long, whatever trimming would leave.
        {std::string(300, ' ') + "a.zip\r\n", 260},
        // Ten million characters and no line end at all.
        {std::string(10000000, 'x'), 260},
        // A line that never ends.
        {"", 260, true},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        ServerBytesRead read;
        REQUIRE(read.Installed());
        std::string name = LookUpDescriptor(
            rows[i].content, rows[i].endless ? FtpBehaviour::EndlessRetr(kDescriptorName) : FtpBehaviour());
        // Past the limit the answer is known: reading stops within a few KiB.
        CHECK(read.Count() < 4096);
        std::string sent = rows[i].content + std::string(rows[i].endless ? 4096 : 0, 'x');
        CHECK(name.size() == rows[i].stored);
        CHECK(name == sent.substr(0, rows[i].stored));
        // No installation folder leaves room for it: it never reaches the server.
        CheckRefusedUnasked(name);
    }
}

TEST_CASE("lower case is the code page's lower case")
{
    std::string name = LookUpDescriptor("\xc4RCHIV_\xd6L.ZIP\r\n");
    CHECK(name == "\xe4rchiv_\xf6l.zip");
}

TEST_CASE("an archive listed in its own case is asked for under that name")
{
    struct Row {
        std::vector<std::string> listed;
        const char* asked;
    } rows[] = {
        {{"Norla2024_Paket.ZIP"}, "RETR Norla2024_Paket.ZIP"},
        {{"NORLA2024_PAKET.zip", "other.zip"}, "RETR NORLA2024_PAKET.zip"},
        // Listed both ways: the exact name is taken.
        {{"Norla2024_Paket.ZIP", "norla2024_paket.zip"}, "RETR norla2024_paket.zip"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        FtpServer::Reset();
        std::string bytes = PatternBytes(3000, static_cast<unsigned>(i));
        for (size_t n = 0; n < rows[i].listed.size(); ++n) {
            const std::string& name = rows[i].listed[n];
            std::string made = "made" + std::to_string(n);
            FtpServer::PutFile(made, "RETR " + name == rows[i].asked ? bytes : "wrong one");
            FtpServer::RenameExact(made, name);
        }
        Nest nest;
        CHECK(DownloadAsInstallation("norla2024_paket.zip") == 1);
        CHECK(FtpServer::Received(rows[i].asked));
        CHECK(theApp.m_strArchivePath == nest.installDir + "norla2024_paket.zip");
        CHECK(Tree(nest.installDir) == std::vector<std::string>{"norla2024_paket.zip"});
        CHECK(ReadBytes(theApp.m_strArchivePath) == bytes);
    }
}

TEST_CASE("the first of two descriptors differing only in case is read, and only it")
{
    FtpServer::Reset();
    // The server lists upper case first.
    FtpServer::PutFile("made1", "first.zip\r\n");
    FtpServer::RenameExact("made1", "NORLAINSTALLER.INI");
    FtpServer::PutFile("made2", "second.zip\r\n");
    FtpServer::RenameExact("made2", "norlainstaller.ini");
    CHECK(LookUpDescriptorAsPage());
    CHECK(theApp.m_strDownloadFileName == "first.zip");
    std::vector<std::string> commands = FtpServer::Commands();
    CHECK(std::count_if(commands.begin(), commands.end(), [](const std::string& c) {
              return c.compare(0, 4, "RETR") == 0;
          }) == 1);
    CHECK_FALSE(FtpServer::Received("RETR norlainstaller.ini"));
}
