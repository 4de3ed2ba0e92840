// Reaching the download server: the connection report of the pages and the status texts
// of the download session, against the real FTP server of scripts/test.
#include "FtpServer.h"
#include "LogTail.h"
#include "UiDriver.h"
#include "app/ConnectionReport.h"
#include "download/DownloadSession.h"
#include "download/ServerParameters.h"
#include "WinInetRecorder.h"
#include <doctest.h>
#include <memory>

namespace {
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

const Failure kConnectionFailures[] = {
    {"login refused", FtpBehaviour::LoginRefused()},
    {"nothing listening", FtpBehaviour::NotListening()},
};
}

TEST_CASE("the FTP server of scripts/test is running")
{
    REQUIRE_MESSAGE(FtpServer::IsRunning(),
                    "start tests/support/ftp_server.py first (scripts/test does)");
}

TEST_CASE("a failed connection is logged twice, shown once and goes no further")
{
    for (const Failure& failure : kConnectionFailures) {
        CAPTURE(std::string(failure.name));
        FtpServer::Reset(failure.behaviour);
        CInternetSession session;
        Page page;
        CInstallLog log;
        LogTail tail;
        HWND owner = nullptr;
        std::vector<std::string> loggedWhileShown{"garbage"};
        UiDriver driver;
        driver.Then(UiDriver::Inspect(
            [&](HWND box) {
                owner = GetWindow(box, GW_OWNER);
                loggedWhileShown = tail.Messages();
            },
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
        // The second line is written once the user has closed the box.
        CHECK(loggedWhileShown == std::vector<std::string>{"Verbinden mit FTP fehlgeschlagen"});
        CHECK(tail.Messages() == std::vector<std::string>{
                                     "Verbinden mit FTP fehlgeschlagen",
                                     "Verbindung zum FTP-Server konnte nicht hergestellt werden."});
        CHECK_FALSE(FtpServer::Received("LIST"));
    }
    FtpServer::Reset();
}

TEST_CASE("an accepted login gives one log line and no message box")
{
    FtpServer::Reset();
    FtpServer::PutFile("license.txt", "text");
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
    // Passive mode is only asked for with the first transfer.
    CFtpFileFind finder(connection.get());
    CHECK(finder.FindFile());
    finder.Close();
    CHECK(FtpServer::Received("PASV"));
    CHECK_FALSE(FtpServer::Received("PORT"));
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
// The real download session, noting every status the internet layer delivered.
class RecordingSession : public CDownloadSession {
public:
    RecordingSession()
        : CDownloadSession("NorlaInstaller", [this](const std::string& text) { shown.push_back(text); })
    {
    }
    std::vector<DWORD> statuses;
    std::vector<std::string> shown;   // the texts handed to the progress window

protected:
    void OnStatusCallback(DWORD_PTR context, DWORD status, LPVOID info, DWORD length) override
    {
        statuses.push_back(status);
        CDownloadSession::OnStatusCallback(context, status, info, length);
    }
};


bool Contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}
}

TEST_CASE("a download session is opened as a plain one, with its connection and silence options")
{
    WinInetRecorder calls;
    REQUIRE(calls.Installed());
    CDownloadSession session("NorlaInstaller");
    PrepareDownloadSession(session);

    REQUIRE(calls.opens.size() == 1);
    CHECK(calls.opens[0].agent == "NorlaInstaller");
    CHECK(calls.opens[0].accessType == INTERNET_OPEN_TYPE_PRECONFIG);
    CHECK_FALSE(calls.opens[0].proxyGiven);
    CHECK_FALSE(calls.opens[0].bypassGiven);
    CHECK(calls.opens[0].flags == 0);
    struct Expected {
        DWORD option;
        DWORD value;
    } expected[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, 30000},
        {INTERNET_OPTION_CONNECT_BACKOFF, 1000},
        {INTERNET_OPTION_CONNECT_RETRIES, 1},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, 30000},
        {INTERNET_OPTION_SEND_TIMEOUT, 30000},
        {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, 30000},
        {INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT, 30000},
    };
    REQUIRE(calls.options.size() == std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        CAPTURE(i);
        CHECK(calls.options[i].option == expected[i].option);
        CHECK(calls.options[i].value == expected[i].value);
        CHECK(calls.options[i].size == 4);
        CHECK_FALSE(calls.options[i].extended);
    }
    // Read back where Wine can: it keeps the timeout (not the retry count or back-off).
    DWORD value = 0xdeadbeef;
    DWORD size = sizeof(value);
    CHECK(InternetQueryOptionA(session.GetHandle(), INTERNET_OPTION_CONNECT_TIMEOUT, &value, &size));
    CHECK(value == 30000);
    char agent[64] = "garbage";
    DWORD agentSize = sizeof(agent);
    CHECK(InternetQueryOptionA(session.GetHandle(), INTERNET_OPTION_USER_AGENT, agent, &agentSize));
    CHECK(std::string(agent) == "NorlaInstaller");
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

    CHECK(total == 5000);
    CHECK(Contains(session.shown, std::string("Resolving name ") + kFtpServer));
    CHECK(Contains(session.shown, "Handle created"));
    CHECK(Contains(session.shown, "Response received"));
    CHECK(session.shown.size() > 3);

    // Closing the session stops the reports, even of the connection still open on it.
    size_t seen = session.statuses.size();
    size_t shown = session.shown.size();
    session.Close();
    connection.reset();
    CHECK(session.statuses.size() == seen);
    CHECK(session.shown.size() == shown);
}
