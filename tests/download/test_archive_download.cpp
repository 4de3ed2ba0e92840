// The download descriptor and the archive download against the real FTP server.
#include "Files.h"
#include "SequenceRun.h"
#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"
#include "download/DownloadSession.h"
#include "download/ReleaseDescriptor.h"
#include "download/ServerParameters.h"
#include "framework/Handles.h"
#include "WinInetRecorder.h"
#include <doctest.h>
#include <cstring>

namespace {
void PutDescriptorCase(const char* entry, bool asFolder, const std::string& content)
{
    FtpServer::Reset();
    FtpServer::PutFile("other.txt", "norla.zip\r\n");
    if (asFolder)
        FtpServer::MakeDir(entry);
    else if (entry)
        FtpServer::PutFile(entry, content);
}
}

TEST_CASE("the download descriptor's first line names the archive")
{
    struct Row {
        const char* name;
        const char* entry;   // null: no descriptor
        bool asFolder;
        std::string content;
        const char* stored;
    } rows[] = {
        {"blanks and capitals, more lines", "norlainstaller.ini", false,
         " \t Norla_Veltro_2024.ZIP \t\r\nsecond.zip\r\nthird\r\n", "norla_veltro_2024.zip"},
        {"upper-case descriptor name", "NORLAINSTALLER.INI", false, "a.zip\n", "a.zip"},
        {"no line end", "NorlaInstaller.ini", false, "b.zip", "b.zip"},
        {"a folder of that name", "norlainstaller.ini", true, "", "previous.zip"},
        {"no descriptor", nullptr, false, "", "previous.zip"},
        {"empty descriptor", "norlainstaller.ini", false, "", ""},
        {"empty first line", "norlainstaller.ini", false, "\r\nc.zip\r\n", ""},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        PutDescriptorCase(row.entry, row.asFolder, row.content);
        theApp.m_strDownloadFileName = "previous.zip";
        CHECK(LookUpDescriptorAsPage());
        CHECK(theApp.m_strDownloadFileName == row.stored);
    }
}

TEST_CASE("a signed descriptor's lines: each field once, strictly written")
{
    const std::string h(64, 'a'), l = "0123456789abcdef" + std::string(48, 'f');
    const std::string fields = "release=7\r\nsize=123\r\nsha256=" + h + "\r\nlicense-sha256=" + l;
    struct Row {
        const char* name;
        std::string bytes;
        bool valid;
    } rows[] = {
        {"CR LF", " Norla.ZIP \r\n" + fields + "\r\n", true},
        {"LF, no last line end", "norla.zip\nrelease=7\nsize=123\nsha256=" + h + "\nlicense-sha256=" + l, true},
        {"a field twice", "norla.zip\r\n" + fields + "\r\nrelease=8\r\n", false},
        {"a field missing", "norla.zip\r\nrelease=7\r\nsize=123\r\nsha256=" + h + "\r\n", false},
        {"blank before =", "norla.zip\r\nrelease =7\r\nsize=123\r\nsha256=" + h + "\r\nlicense-sha256=" + l, false},
        {"an empty line", "norla.zip\r\n\r\n" + fields, false},
        {"another line", "norla.zip\r\n" + fields + "\r\nnote=x", false},
        {"release 0", "norla.zip\r\nrelease=0\r\nsize=123\r\nsha256=" + h + "\r\nlicense-sha256=" + l, false},
        {"release signed", "norla.zip\r\nrelease=+7\r\nsize=123\r\nsha256=" + h + "\r\nlicense-sha256=" + l, false},
        {"upper-case hex", "norla.zip\r\nrelease=7\r\nsize=123\r\nsha256=" + std::string(64, 'A') + "\r\nlicense-sha256=" + l, false},
        {"short hash", "norla.zip\r\nrelease=7\r\nsize=123\r\nsha256=" + h.substr(1) + "\r\nlicense-sha256=" + l, false},
        {"size too large", "norla.zip\r\nrelease=7\r\nsize=1234567890123456789\r\nsha256=" + h + "\r\nlicense-sha256=" + l, false},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        ReleaseDescriptor descriptor;
        CHECK(ParseReleaseDescriptor(row.bytes, descriptor) == row.valid);
        if (row.valid) {
            CHECK(descriptor.fileName == "norla.zip");
            CHECK(descriptor.release == 7);
            CHECK(descriptor.size == 123);
            CHECK(descriptor.sha256[31] == 0xaa);
            CHECK(descriptor.licenseSha256[0] == 0x01);
        }
    }
}

TEST_CASE("a descriptor lookup that cannot list or read leaves the name and closes")
{
    struct Row {
        const char* name;
        FtpBehaviour behaviour;
        std::string content;
        bool emptyFolder;
    };
    Row rows[] = {
        {"listing refused", FtpBehaviour::ListFailing(), "x.zip\r\n", false},
        {"empty start directory", FtpBehaviour(), "", true},
        // The first line, a name of allowed length, is longer than what arrives before
        // the reset.
        {"reading breaks off", FtpBehaviour::DroppingAfter(100), std::string(200, 'n') + "\r\n", false},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        FtpServer::Reset(row.behaviour);
        if (!row.emptyFolder)
            FtpServer::PutFile("norlainstaller.ini", row.content);
        theApp.m_strDownloadFileName = "previous.zip";
        CHECK_FALSE(LookUpDescriptorAsPage());
        CHECK(theApp.m_strDownloadFileName == "previous.zip");
    }
    FtpServer::Reset();
}

TEST_CASE("without a connection the descriptor lookup asks the server nothing")
{
    FtpServer::Reset();
    theApp.m_pFtpConnection = nullptr;
    CHECK_FALSE(FindDownloadDescriptor());
    CHECK(FtpServer::Commands().empty());
}

TEST_CASE("refused endings")
{
    struct Row {
        const char* name;
        bool refused;
    } rows[] = {
        {"setup.exe", true}, {"x.com", true}, {"x.dll", true}, {"x.bat", true},
        {"x.sys", true},     {"x.inf", true}, {"exe", true},   {"archivexe", true},
        {"SETUP.EXE", false}, {"x.Dll", false}, {"xe", false}, {"", false},
        {"norla.zip", false}, {"x.exe.zip", false}, {"x.ex", false},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        CHECK(HasRefusedEnding(row.name) == row.refused);
    }
}

namespace {
struct Install {
    ScratchFolder folder;
    Install()
    {
        theApp.m_strInstallDir = folder.Path();
        theApp.m_strArchivePath = Previous();
    }
    std::string Previous() const { return folder.Path() + "previous.zip"; }
    std::string Archive(const char* name) const { return folder.Path() + name; }
};
}

TEST_CASE("a refused name is never downloaded, not even asked for")
{
    for (const char* name : {"norla.exe", "norla.com", "norla.dll", "norla.bat", "norla.sys",
                             "norla.inf"}) {
        CAPTURE(std::string(name));
        FtpServer::Reset();
        FtpServer::PutFile(name, "MZ");
        Install install;
        CHECK(DownloadAsInstallation(name) == 0);
        CHECK(FtpServer::Commands().empty());
        CHECK(theApp.m_strArchivePath == install.Previous());
        CHECK_FALSE(IsFile(install.Archive(name)));
    }
    // Upper case is not refused: this one is asked for. (The listing, compared in lower
    // case, never matches it, so it goes to the archive path of before.)
    FtpServer::Reset();
    FtpServer::PutFile("NORLA.EXE", "MZ");
    Install install;
    CHECK(DownloadAsInstallation("NORLA.EXE") == 1);
    CHECK(FtpServer::Received("RETR NORLA.EXE"));
    CHECK(ReadBytes(theApp.m_strArchivePath) == "MZ");
}

TEST_CASE("the archive arrives byte for byte in the installation directory")
{
    for (size_t size : {size_t(0), size_t(1), size_t(511), size_t(512), size_t(513),
                        size_t(100003)}) {
        CAPTURE(size);
        FtpServer::Reset();
        std::string bytes = PatternBytes(size, static_cast<unsigned>(size));
        FtpServer::PutFile("norla.zip", bytes);
        FtpServer::MakeDir("folder.zip");
        Install install;
        // An earlier installation's archive, longer and read-only, is replaced, not written over.
        WriteBytes(install.Archive("norla.zip"), std::string(200000, 'x'));
        SetFileAttributesA(install.Archive("norla.zip").c_str(), FILE_ATTRIBUTE_READONLY);
        CHECK(DownloadAsInstallation("norla.zip") == 1);
        CHECK(theApp.m_strArchivePath == install.Archive("norla.zip"));
        CHECK(ReadBytes(install.Archive("norla.zip")) == bytes);
        CHECK(theApp.m_pFtpConnection == nullptr);
        CHECK(FtpServer::Received("TYPE I"));
    }
}

TEST_CASE("failed downloads end with 0 or -1, closed and without a stray file")
{
    struct Row {
        const char* name;
        FtpBehaviour behaviour;
        bool putArchive;
        int result;
        bool listed;   // whether a listing was asked for
        bool asked;    // whether the archive was asked for
    };
    Row rows[] = {
        {"missing on the server", FtpBehaviour(), false, 0, true, true},
        {"login refused", FtpBehaviour::LoginRefused(), true, 0, false, false},
        {"nothing listening", FtpBehaviour::NotListening(), true, 0, false, false},
        {"listing refused", FtpBehaviour::ListFailing(), true, -1, true, false},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        FtpServer::Reset(row.behaviour);
        // An empty start directory cannot be listed at all.
        FtpServer::PutFile("other.zip", "PK");
        if (row.putArchive)
            FtpServer::PutFile("norla.zip", "PK");
        Install install;
        DWORD start = GetTickCount();
        CHECK(DownloadAsInstallation("norla.zip") == row.result);
        CHECK(GetTickCount() - start < 5000);
        CHECK(theApp.m_strArchivePath == install.Previous());
        CHECK_FALSE(IsFile(install.Archive("norla.zip")));
        CHECK_FALSE(IsFile(install.Previous()));
        CHECK(FtpServer::Received("LIST") == row.listed);
        CHECK(FtpServer::Received("RETR") == row.asked);
        CHECK(theApp.m_pFtpConnection == nullptr);
    }
    FtpServer::Reset();
}

TEST_CASE("a broken transfer is taken up where it broke off: three times, from 0 once without REST")
{
    FtpBehaviour once = FtpBehaviour::DroppingAfter(500000), noRest = once;
    once.dropTimes = noRest.dropTimes = 1;
    noRest.refuseRest = true;
    const std::string a = "CONNECT", i = "TYPE I", r = "RETR norla.zip";
    // A new login each time, binary, restarted where the bytes written end.
    auto resumed = [&](std::vector<int> offsets) {
        std::vector<std::string> commands{a, i, r};
        for (int n : offsets)
            commands.insert(commands.end(), {a, i, "REST " + std::to_string(n), i, r});
        return commands;
    };
    struct Row {
        FtpBehaviour behaviour;
        int result;
        unsigned long long bytesRead;
        std::vector<std::string> commands;   // connections, TYPE I, REST and RETR, in order
    } rows[] = {
        {once, 1, 1000000, resumed({500000})},
        {noRest, 1, 1500000, resumed({500000})},
        {FtpBehaviour::DroppingAfter(65536), 0, 262144, resumed({65536, 131072, 196608})},
    };
    for (const Row& row : rows) {
        CAPTURE(row.bytesRead);
        FtpServer::Reset(row.behaviour);
        std::string bytes = PatternBytes(1000000);
        FtpServer::PutFile("norla.zip", bytes);
        Install install;
        ServerBytesRead read;
        CHECK(DownloadAsInstallation("norla.zip") == row.result);
        CHECK(read.Count() == row.bytesRead);
        CHECK(ReadBytes(install.Archive("norla.zip")) == (row.result == 1 ? bytes : "<missing>"));
        std::vector<std::string> commands;
        for (const std::string& c : FtpServer::Commands())
            if (c == a || c == i || c.compare(0, 2, "RE") == 0)
                commands.push_back(c);
        CHECK(commands == row.commands);
    }
    FtpServer::Reset();
}

TEST_CASE("an archive that cannot be created locally ends with 0")
{
    FtpServer::Reset();
    FtpServer::PutFile("norla.zip", "PK");
    Install install;
    theApp.m_strInstallDir = install.folder.Path() + "missing\\";
    CHECK(DownloadAsInstallation("norla.zip") == 0);
    CHECK(theApp.m_strArchivePath == install.folder.Path() + "missing\\norla.zip");
    CHECK_FALSE(IsFolder(install.folder.Path() + "missing"));
    CHECK(theApp.m_pFtpConnection == nullptr);
    // A folder of the archive's name is neither entered nor removed.
    theApp.m_strInstallDir = install.folder.Path();
    CreateDirectoryA(install.Archive("norla.zip").c_str(), nullptr);
    CHECK(DownloadAsInstallation("norla.zip") == 0);
    CHECK(IsFolder(install.Archive("norla.zip")));
    // Nor is a file that cannot be removed first written over (held by one who shares writing).
    RemoveDirectoryA(install.Archive("norla.zip").c_str());
    WriteBytes(install.Archive("norla.zip"), "held");
    CHandle held(CreateFileA(install.Archive("norla.zip").c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    CHECK(DownloadAsInstallation("norla.zip") == 0);
    CHECK(ReadBytes(install.Archive("norla.zip")) == "held");
}

TEST_CASE("a stop during the transfer ends it and removes the partial file")
{
    FtpServer::Reset(FtpBehaviour::Slow(20));   // about 2.5 s for the whole file
    FtpServer::PutFile("norla.zip", PatternBytes(1000000));
    Install install;
    RecordingSink sink;
    sink.stopAt = 0;   // the first block's position
    DWORD start = GetTickCount();
    CHECK(DownloadAsInstallation("norla.zip", &sink) == 0);
    CHECK(GetTickCount() - start < 1500);
    CHECK(sink.calls == std::vector<RecordingSink::Call>{{'R', kProgressRangeHigh}, {'M', 0}});
    CHECK_FALSE(IsFile(install.Archive("norla.zip")));
    CHECK(theApp.m_pFtpConnection == nullptr);
    FtpServer::Reset();
}

TEST_CASE("bar positions")
{
    struct Row {
        long long bytes;
        int position;
    } rows[] = {
        {0, 0},
        {1399999, 0},
        {1400000, 1},
        {2799999, 1},
        {1464400000, 1046},
        {1465799999, 1046},
        {2147483647LL + 512, 1046},   // past what a 32-bit counter holds
        {10000000000LL, 1046},
    };
    for (const Row& row : rows) {
        CAPTURE(row.bytes);
        CHECK(ProgressPosition(row.bytes) == row.position);
    }
}

namespace {
// The progress bar's width in pixels, as the last run found it.
int g_barWidth = 0;

// Runs the progress window, whose start timer downloads `size` bytes, and returns the
// positions the bar was given after its range was set.
std::vector<WPARAM> BarPositionsOfDownload(size_t size)
{
    ScratchFolder folder;
    SequenceRun run("", folder.Path());
    run.servedBytes = PatternBytes(size);
    SequenceOutcome out = RunSequence(run);
    CHECK(out.result == IDOK);   // the pattern bytes are no archive: its message
    CHECK_FALSE(out.timedOut);
    CHECK(ReadBytes(folder.Path() + "norla.zip").size() == size);
    g_barWidth = out.barWidth;
    std::vector<WPARAM> positions;
    REQUIRE(!out.downloadBar.empty());
    CHECK(out.downloadBar.front().msg == UINT(PBM_SETRANGE32));
    CHECK(out.downloadBar.front().wParam == 0);
    CHECK(out.downloadBar.front().lParam == 1046);
    for (size_t i = 1; i < out.downloadBar.size(); ++i) {
        CHECK(out.downloadBar[i].msg == UINT(PBM_SETPOS));
        CHECK(out.downloadBar[i].lParam == 0);
        positions.push_back(out.downloadBar[i].wParam);
    }
    return positions;
}
}

TEST_CASE("the bar is set when its drawn bar changes: at 0, at its first pixel, back to 0")
{
    // A few bytes: the start and the end, nothing between.
    CHECK(BarPositionsOfDownload(3000) == std::vector<WPARAM>{0, 0});
    REQUIRE(g_barWidth > 0);
    // The first position that draws one more pixel, and the bytes that reach it.
    int first = (kProgressRangeHigh + g_barWidth - 1) / g_barWidth;
    size_t bytes = static_cast<size_t>(first) * kBytesPerProgressStep;
    CHECK(BarPositionsOfDownload(bytes) == std::vector<WPARAM>{0, WPARAM(first), 0});
    CHECK(BarPositionsOfDownload(bytes - 1) == std::vector<WPARAM>{0, 0});
}

namespace {
// The transfer type the server was set to when it was asked for `file`.
std::string TypeOfRetrieval(const std::vector<std::string>& commands, const std::string& file)
{
    std::string type = "none";
    for (const std::string& command : commands) {
        if (command.compare(0, 5, "TYPE ") == 0)
            type = command;
        if (command == "RETR " + file)
            return type;
    }
    return "not asked for";
}

size_t CountOf(const std::vector<std::string>& commands, const std::string& verb)
{
    return std::count_if(commands.begin(), commands.end(), [&](const std::string& c) {
        return c.compare(0, verb.size(), verb) == 0;
    });
}
}

TEST_CASE("what the server is asked: passive, fresh listings and files, ASCII descriptor, binary archive")
{
    FtpServer::Reset();
    FtpServer::PutFile("norlainstaller.ini", "norla.zip\r\n");
    FtpServer::PutFile("norla.zip", PatternBytes(2000));
    Install install;
    WinInetRecorder calls;
    REQUIRE(calls.Installed());

    CHECK(LookUpDescriptorAsPage());
    CHECK(theApp.m_strDownloadFileName == "norla.zip");
    for (int run = 0; run < 2; ++run)
        CHECK(DownloadAsInstallation(theApp.m_strDownloadFileName) == 1);
    // The descriptor changed on the server: the next run reads the new one, not a cached copy.
    FtpServer::PutFile("norlainstaller.ini", "neu.zip\r\n");
    CHECK(LookUpDescriptorAsPage());
    CHECK(theApp.m_strDownloadFileName == "neu.zip");

    std::vector<std::string> commands = FtpServer::Commands();
    INFO(commands.size());
    CHECK(TypeOfRetrieval(commands, "norlainstaller.ini") == "TYPE A");
    CHECK(TypeOfRetrieval(commands, "norla.zip") == "TYPE I");
    // Every listing and every file comes over a passive data connection.
    CHECK(CountOf(commands, "LIST") == 4);
    CHECK(CountOf(commands, "RETR") == 4);
    CHECK(CountOf(commands, "PASV") == 8);
    CHECK(CountOf(commands, "PORT") == 0);
    CHECK(CountOf(commands, "EPRT") == 0);
    // One listing per connection, each asked for afresh.
    CHECK(CountOf(commands, "CONNECT") == 4);
    REQUIRE(calls.findFlags.size() == 4);
    for (DWORD flags : calls.findFlags)
        CHECK((flags & INTERNET_FLAG_RELOAD) != 0);
    // Every file neither comes from nor goes to the internet cache. Wine writes an FTP
    // download into INetCache whatever the flags say, so the folder cannot tell; the flags can.
    REQUIRE(calls.openFileFlags.size() == 4);
    for (DWORD flags : calls.openFileFlags)
        CHECK((flags & (INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD)) ==
              (INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD));
}

TEST_CASE("the status texts of a real download reach the progress sink")
{
    FtpServer::Reset();
    FtpServer::PutFile("norla.zip", PatternBytes(3000));
    Install install;
    RecordingSink sink;
    CHECK(DownloadAsInstallation("norla.zip", &sink) == 1);

    std::string all;
    for (const std::string& text : sink.statusTexts)
        all += text + "; ";
    INFO(all);
    std::vector<std::string> expected = {
        std::string("Resolving name ") + kFtpServer, "Name resolved",
        "Connecting to socket address", "Connected to socket address", "Handle created",
        "Sending request", "Request sent", "Response received",
        "Closing the connection to the server", "Connection to the server closed"};
    for (const std::string& text : expected) {
        CAPTURE(text);
        CHECK(std::any_of(sink.statusTexts.begin(), sink.statusTexts.end(), [&](const std::string& t) {
            return t.compare(0, text.size(), text) == 0;
        }));
    }
}
