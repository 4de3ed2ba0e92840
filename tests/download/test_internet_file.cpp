// Reading a server file line by line: line ends, the caller's length limit, bounded memory;
// commands before a file is opened, as a resumed download sends them.
#include "FtpServer.h"
#include "download/ServerParameters.h"
#include <doctest.h>
#include <memory>
#include <psapi.h>

namespace {
struct Line {
    BOOL result;
    std::string text;
};

// Every ReadString of the file `content` (sent as is, in binary) with `maxLength`, up to
// and including the first FALSE.
std::vector<Line> ReadLines(const std::string& content, size_t maxLength)
{
    FtpServer::Reset();
    FtpServer::PutFile("lines.txt", content);
    CInternetSession session;
    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    std::unique_ptr<CInternetFile> file(
        connection->OpenFile("lines.txt", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY));
    std::vector<Line> lines;
    for (int i = 0; i < 20; ++i) {
        std::string text = "garbage";
        BOOL result = file->ReadString(text, maxLength);
        lines.push_back({result, text});
        if (!result)
            break;
    }
    file->Close();
    return lines;
}
}

TEST_CASE("ReadString: line ends and the length limit")
{
    const BOOL T = TRUE;
    struct Row {
        std::string content;
        size_t maxLength;
        std::vector<Line> lines;
    } rows[] = {
        {"", 10, {{FALSE, ""}}},
        {"\n", 10, {{T, ""}, {FALSE, ""}}},
        {"one\r\ntwo\nthree", 10, {{T, "one"}, {T, "two"}, {T, "three"}, {FALSE, ""}}},
        {"cr only\r", 10, {{T, "cr only"}, {FALSE, ""}}},
        {"a\rb\n", 10, {{T, "a\rb"}, {FALSE, ""}}},
        // Exactly the limit, with either line end: not too long.
        {"12345\r\nx\n", 5, {{T, "12345"}, {T, "x"}, {FALSE, ""}}},
        {"12345\nx", 5, {{T, "12345"}, {T, "x"}, {FALSE, ""}}},
        // One more: the first maxLength + 1 characters, and nothing after them.
        {"123456\r\nx\n", 5, {{T, "123456"}, {FALSE, ""}}},
        {"1234567890abc\r\nnext\r\n", 5, {{T, "123456"}, {FALSE, ""}}},
        // A CR that is not at the line end is text, even where the cut falls on it.
        {"12345\rxy\n", 5, {{T, "12345\r"}, {FALSE, ""}}},
        {"1234\r\n", 3, {{T, "1234"}, {FALSE, ""}}},
        {"abc", 0, {{T, "a"}, {FALSE, ""}}},
        {"\r\n", 0, {{T, ""}, {FALSE, ""}}},
        // Lines across the 512-byte reads.
        {std::string(511, 'a') + "\r\n" + std::string(600, 'b') + "\n", 1000,
         {{T, std::string(511, 'a')}, {T, std::string(600, 'b')}, {FALSE, ""}}},
        {std::string(2000, 'c') + "\nd", 700, {{T, std::string(701, 'c')}, {FALSE, ""}}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        std::vector<Line> lines = ReadLines(rows[i].content, rows[i].maxLength);
        REQUIRE(lines.size() == rows[i].lines.size());
        for (size_t n = 0; n < lines.size(); ++n) {
            CAPTURE(n);
            CHECK(lines[n].result == rows[i].lines[n].result);
            if (lines[n].result)
                CHECK(lines[n].text == rows[i].lines[n].text);
        }
    }
    FtpServer::Reset();
}

TEST_CASE("ReadString keeps memory bounded for a line of ten million characters")
{
    FtpServer::Reset();
    FtpServer::PutFile("long.txt", std::string(10000000, 'n') + "\r\nsecond\r\n");
    CInternetSession session;
    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    std::unique_ptr<CInternetFile> file(
        connection->OpenFile("long.txt", GENERIC_READ, FTP_TRANSFER_TYPE_ASCII));
    PROCESS_MEMORY_COUNTERS before = {};
    REQUIRE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));

    std::string line;
    CHECK(file->ReadString(line, 259));

    PROCESS_MEMORY_COUNTERS after = {};
    REQUIRE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
    CHECK(line == std::string(260, 'n'));
    CHECK(line.capacity() < 4096);
    // Storing the line would take 10 MB at least; a stored copy shows in the peak.
    // Wine's peak can drop when a helper thread's stack goes; compare without wrapping.
    CHECK(after.PeakPagefileUsage < before.PeakPagefileUsage + 2 * 1024 * 1024);
    CHECK_FALSE(file->ReadString(line, 259));
    file->Close();
    FtpServer::Reset();
}

TEST_CASE("after a broken read, TYPE I and REST n on a new connection bring the rest from byte n")
{
    const std::string bytes = PatternBytes(100000);
    FtpBehaviour server = FtpBehaviour::DroppingAfter(30000);
    server.dropTimes = 1;   // a second drop would break the resumed read
    FtpServer::Reset(server);
    FtpServer::PutFile("product.zip", bytes);
    std::string arrived, rest;
    for (bool resume : {false, true}) {
        CInternetSession session;
        std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
        if (resume) {
            REQUIRE(arrived.size() < bytes.size());
            rest = "REST " + std::to_string(arrived.size());
            CHECK(connection->Command("TYPE I") == 200);
            CHECK(connection->Command(rest.c_str()) == 350);
        }
        std::unique_ptr<CInternetFile> file(connection->OpenFile("product.zip"));
        char buffer[8192];
        try {
            while (UINT read = file->Read(buffer, sizeof(buffer)))
                arrived.append(buffer, read);
        } catch (const CInternetException&) {
            CHECK_FALSE(resume);
        }
    }
    CHECK(arrived == bytes);
    // Wine's FtpOpenFileA sends its own TYPE I and PASV between the REST and the RETR;
    // pyftpdlib keeps the restart point through them.
    const std::vector<std::string> tail = {"TYPE I", rest, "TYPE I", "PASV", "RETR product.zip"};
    std::vector<std::string> sent = FtpServer::Commands();
    REQUIRE(sent.size() >= tail.size());
    CHECK(std::vector<std::string>(sent.end() - tail.size(), sent.end()) == tail);

    // A refusal is the server's answer (pyftpdlib's own one is 501 while the type is ASCII).
    server.refuseRest = true;
    FtpServer::Reset(server);
    CInternetSession session;
    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    CHECK(connection->Command("REST 1") == 502);
    FtpServer::Reset();
}
