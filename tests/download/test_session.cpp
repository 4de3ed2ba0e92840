// Reaching the download server: the connection report of the pages and the status texts
// of the download session, against the real FTP server of scripts/test.
#include "FtpServer.h"
#include "ScratchFolder.h"
#include "UiDriver.h"
#include "download/ConnectionReport.h"
#include "download/DownloadSession.h"
#include "download/ServerParameters.h"
#include <doctest.h>
#include <memory>

namespace {
std::string LogPath()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + "norla_inst_log.txt";
}

// The messages of the log lines written since construction, without their time stamps.
class LogTail {
public:
    LogTail() : m_start(ReadBytes(LogPath()).size()) {}
    std::vector<std::string> Messages() const
    {
        std::string added = ReadBytes(LogPath()).substr(m_start);
        std::vector<std::string> messages;
        for (size_t at = 0; at < added.size();) {
            size_t end = added.find("\r\n", at);
            std::string line = added.substr(at, end - at);
            size_t separator = line.find("  ");
            messages.push_back(separator == std::string::npos ? "garbage" : line.substr(separator + 2));
            at = end == std::string::npos ? added.size() : end + 2;
        }
        return messages;
    }

private:
    size_t m_start;
};

// A hidden top-level window standing in for the page that connects.
class Page : public CWnd {
public:
    Page() { m_hWnd = CreateWindowExA(0, "STATIC", "page", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr); }
    ~Page() override { DestroyWindow(m_hWnd); }
};

struct Failure {
    const char* name;
    FtpBehaviour behaviour;
};

std::vector<Failure> ConnectionFailures()
{
    FtpBehaviour refused;
    refused.refuseLogin = true;
    FtpBehaviour unreachable;
    unreachable.listening = false;
    return {{"login refused", refused}, {"nothing listening", unreachable}};
}
}

TEST_CASE("the FTP server of scripts/test is running")
{
    REQUIRE_MESSAGE(FtpServer::IsRunning(),
                    "start tests/support/ftp_server.py first (scripts/test does)");
}

TEST_CASE("a failed connection is logged twice, shown once and goes no further")
{
    for (const Failure& failure : ConnectionFailures()) {
        CAPTURE(std::string(failure.name));
        FtpServer::Reset(failure.behaviour);
        CInternetSession session;
        Page page;
        CInstallLog log;
        LogTail tail;
        HWND owner = nullptr;
        UiDriver driver;
        driver.Then(UiDriver::Inspect([&](HWND box) { owner = GetWindow(box, GW_OWNER); },
                                      UiDriver::Click(IDOK)));

        CFtpConnection* connection = RunConnectionReport(session, page, "Update-Service", log);

        CHECK(connection == nullptr);
        CHECK_FALSE(driver.TimedOut());
        INFO(driver.Describe());
        REQUIRE(driver.Seen().size() == 1);
        const SeenWindow& box = driver.Seen()[0];
        CHECK(box.isMessageBox);
        CHECK(box.title == "Update-Service");
        CHECK(box.text == "Verbindung zum FTP-Server konnte nicht hergestellt werden.");
        CHECK(box.style == (MB_OK | MB_ICONEXCLAMATION));
        CHECK(owner == page.m_hWnd);
        CHECK(tail.Messages() == std::vector<std::string>{
                                     "Verbinden mit FTP fehlgeschlagen",
                                     "Verbindung zum FTP-Server konnte nicht hergestellt werden."});
        CHECK_FALSE(FtpServer::Received("LIST"));
        DrainMessageQueue();
    }
    FtpServer::Reset();
}

TEST_CASE("an accepted login gives one log line and no message box")
{
    FtpServer::Reset();
    CInternetSession session;
    Page page;
    CInstallLog log;
    LogTail tail;
    UiDriver driver;
    driver.Then(UiDriver::Click(IDOK));

    std::unique_ptr<CFtpConnection> connection(
        RunConnectionReport(session, page, "Norla Kesto Installer", log));

    REQUIRE(connection != nullptr);
    INFO(driver.Describe());
    CHECK(driver.Seen().empty());
    CHECK(tail.Messages() == std::vector<std::string>{"Verbunden mit FTP"});
    CHECK(FtpServer::Received("PASS tqM!ra#5917"));
    CHECK(FtpServer::Received("USER DownloadNorlaVeltro2024"));
    connection->Close();
}

TEST_CASE("status texts")
{
    const char* host = "ftp.example.com";
    struct Row {
        DWORD status;
        const void* info;
        const char* text;   // null: no text at all
    } rows[] = {
        {10, host, "Resolving name ftp.example.com"},
        {11, "192.0.2.7", "Name resolved 192.0.2.7"},
        {20, nullptr, "Connecting to socket address"},
        {21, nullptr, "Connected to socket address"},
        {30, nullptr, "Sending request"},
        {31, nullptr, "Request sent"},
        {40, nullptr, nullptr},
        {41, nullptr, "Response received"},
        {50, nullptr, "Closing the connection to the server"},
        {51, nullptr, "Connection to the server closed"},
        {60, nullptr, "Handle created"},
        {70, nullptr, nullptr},
        {100, nullptr, "Request complete"},
        {110, nullptr, "Being redirected"},
        {12, nullptr, "Unknown status: 12"},
        {0, nullptr, "Unknown status: 0"},
        {10, nullptr, "Resolving name "},
    };
    for (const Row& row : rows) {
        CAPTURE(row.status);
        std::string text = "garbage";
        bool shown = ChooseStatusText(row.status, row.info, text);
        CHECK(shown == (row.text != nullptr));
        if (row.text)
            CHECK(text == row.text);
    }
}

namespace {
// The real download session, noting what its status callback chose to show.
class RecordingSession : public CDownloadSession {
public:
    RecordingSession() : CDownloadSession("NorlaInstaller") {}
    std::vector<DWORD> statuses;
    std::vector<std::string> texts;

protected:
    void OnStatusCallback(DWORD_PTR context, DWORD status, LPVOID info, DWORD length) override
    {
        statuses.push_back(status);
        std::string text;
        if (ChooseStatusText(status, info, text))
            texts.push_back(text);
        CDownloadSession::OnStatusCallback(context, status, info, length);
    }
};

bool Contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}
}

TEST_CASE("a download session carries its connect timeout")
{
    CDownloadSession session("NorlaInstaller");
    PrepareDownloadSession(session);
    DWORD value = 0xdeadbeef;
    DWORD size = sizeof(value);
    CHECK(InternetQueryOptionA(session.GetHandle(), INTERNET_OPTION_CONNECT_TIMEOUT, &value, &size));
    CHECK(value == 30000);
    // Wine keeps neither the retry count nor the back-off of a session, so those two
    // cannot be read back here.
}

TEST_CASE("a download session reports its status while it connects, lists and reads")
{
    FtpServer::Reset();
    FtpServer::PutFile("archiv.zip", PatternBytes(5000));
    RecordingSession session;
    PrepareDownloadSession(session);

    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    CFtpFileFind finder(connection.get());
    CHECK(finder.FindFile());
    finder.Close();
    std::unique_ptr<CInternetFile> file(connection->OpenFile("archiv.zip"));
    char block[512];
    size_t total = 0;
    while (UINT read = file->Read(block, sizeof(block)))
        total += read;
    file->Close();
    connection->Close();
    session.Close();

    CHECK(total == 5000);
    CHECK(Contains(session.texts, std::string("Resolving name ") + kFtpServer));
    CHECK(Contains(session.texts, "Handle created"));
    CHECK(Contains(session.texts, "Response received"));
    CHECK(session.texts.size() > 3);
    // Closing the session stops the reports.
    size_t seen = session.statuses.size();
    connection.reset();
    CHECK(session.statuses.size() == seen);
}
