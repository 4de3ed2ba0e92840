// The licence terms page against the real FTP server of scripts/test.
#include "FtpServer.h"
#include "LogTail.h"
#include "UiDriver.h"
#include "WinInetRecorder.h"
#include "app/LicenseDlg.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include <doctest.h>

namespace {
const char* const kRunTimeTitle = "Installation Norla Veltro 2024 - Lizenzbestimmungen";
const char* const kTemplateTitle = "Installation Norla Kesto 2.0 - Lizenzbestimmungen";

// What the page shows once it is up.
struct PageView {
    std::string title = "garbage";
    std::vector<std::string> rows;
    bool acceptEnabled = false;
    bool nextEnabled = true;
    std::vector<SeenWindow> seen;
    bool timedOut = true;
};

std::vector<std::string> Rows(HWND list)
{
    std::vector<std::string> rows;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string row(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        rows.push_back(row);
    }
    return rows;
}

PageView Look(HWND page)
{
    PageView view;
    view.title = WindowText(page);
    view.rows = Rows(GetDlgItem(page, IDC_LICENSE_LIST));
    view.acceptEnabled = IsWindowEnabled(GetDlgItem(page, IDC_ACCEPT_LICENSE));
    view.nextEnabled = IsWindowEnabled(GetDlgItem(page, IDOK));
    return view;
}

// Runs the page, closing any message box with OK, looks at it and cancels it. Before
// cancelling, `poke` may work the page's controls.
PageView ShowLicensePage(int messageBoxes = 0, UiDriver::Step poke = UiDriver::Nothing())
{
    PageView view;
    UiDriver driver;
    // The page shows first and fetches then; its message boxes come meanwhile.
    driver.Then(UiDriver::Settle(UiDriver::Inspect([&](HWND page) { view = Look(page); },
                                                   UiDriver::All({poke, UiDriver::Click(IDCANCEL)}))));
    for (int i = 0; i < messageBoxes; ++i)
        driver.Then(UiDriver::Click(IDOK));
    CLicenseDlg page;
    page.DoModal();
    view.seen = driver.Seen();
    view.timedOut = driver.TimedOut();
    return view;
}

// The licence as the server holds it; the page must show `rows`. Too long a text is shown
// not at all.
struct LicenseCase {
    const char* name;
    std::string text;
    std::vector<std::string> rows;
    bool tooLong;
    bool endless = false;   // the server sends "x" after the text, without end
};
}

TEST_CASE("the licence file's lines become the list's rows, trimmed, in file order; too long a text none")
{
    std::string lines;
    for (size_t i = 0; i < kMaxLicenseLines; ++i)
        lines += "line\r\n";
    // The texts at the limits themselves are shown by the real program (e2e run
    // licence_limits): in this test process Wine overflows the stack while the list box
    // holds them.
    const std::vector<LicenseCase> cases = {
        {"CR LF lines, blanks around, an empty line", "  A\r\n\r\nB  \r\n", {"A", "", "B"}, false},
        {"last line without line feed", "A\nB", {"A", "B"}, false},
        {"final line feed adds no row", "A\nB\n", {"A", "B"}, false},
        {"every kind of white space", "\t\v\fA B\f\v\t \n  \n", {"A B", ""}, false},
        {"rows keep the file's order, not sorted", "zeta\nalpha\n", {"zeta", "alpha"}, false},
        {"Windows-1252 text", "Lizenzvertrag f\xfcr Nutzer\n", {"Lizenzvertrag f\xfcr Nutzer"}, false},
        {"one line more than allowed", lines + "one more\r\n", {}, true},
        {"one character longer than allowed", "a\r\n" + std::string(kMaxLicenseLineLength + 1, 'x') + "\r\nb\r\n", {}, true},
        {"a long line without any line feed", std::string(3 * 1024 * 1024, 'y'), {}, true},
        {"a line that never ends", "A\r\n", {}, true, true},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(cases[i].name));
        FtpServer::Reset(cases[i].endless ? FtpBehaviour::EndlessRetr("license.txt") : FtpBehaviour());
        FtpServer::PutFile("license.txt", cases[i].text);
        LogTail log;
        ServerBytesRead read;
        REQUIRE(read.Installed());

        PageView view = ShowLicensePage();

        // Once a line is over the limit the answer is known: reading stops a few KiB into
        // it (here the first line, or the one that never ends).
        if (cases[i].endless || cases[i].text.find('\n') > kMaxLicenseLineLength + 1)
            CHECK(read.Count() < kMaxLicenseLineLength + 4096);

        CHECK_FALSE(view.timedOut);
        CHECK(view.seen.size() == 1);   // the page only, no message box
        CHECK(view.rows == cases[i].rows);
        CHECK(view.title == kRunTimeTitle);
        CHECK(view.acceptEnabled == !cases[i].tooLong);
        CHECK_FALSE(view.nextEnabled);
        std::vector<std::string> logged = {"Verbunden mit FTP"};
        if (cases[i].tooLong)
            logged.push_back("Lizenztext ungültig");
        CHECK(log.Messages() == logged);
        CHECK(theApp.m_pSession == nullptr);   // cancel released it
    }
    // A fresh listing and a text transfer.
    CHECK(FtpServer::Received("LIST"));
    CHECK(FtpServer::Received("TYPE A"));
    CHECK(FtpServer::Received("RETR license.txt"));
}

TEST_CASE("the walk: directories are skipped, the whole name counts, the first match ends it")
{
    struct WalkCase {
        const char* name;
        std::vector<std::string> directories;
        std::vector<std::pair<std::string, std::string>> files;
        std::string refused;
        std::vector<std::string> rows;
        std::vector<std::string> retrieved;
    };
    const std::vector<WalkCase> cases = {
        {"a directory of that name is passed over", {"License.txt"}, {{"license.txt", "file\n"}}, "",
         {"file"}, {"RETR license.txt"}},
        {"any letter case matches", {}, {{"LICENSE.TXT", "upper\n"}}, "", {"upper"}, {"RETR LICENSE.TXT"}},
        {"longer names do not", {}, {{"license.txt.bak", "x\n"}, {"my_license.txt", "y\n"}}, "", {}, {}},
        {"only the first match is read", {}, {{"LICENSE.TXT", "first\n"}, {"license.txt", "second\n"}}, "",
         {"first"}, {"RETR LICENSE.TXT"}},
        {"a first match that cannot be opened still ends the walk", {},
         {{"LICENSE.TXT", "first\n"}, {"license.txt", "second\n"}}, "LICENSE.TXT", {}, {"RETR LICENSE.TXT"}},
        {"an empty file", {}, {{"license.txt", ""}}, "", {}, {"RETR license.txt"}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const WalkCase& c = cases[i];
        CAPTURE(i);
        CAPTURE(std::string(c.name));
        FtpServer::Reset(FtpBehaviour::RefusingRetr(c.refused));
        // Made under other names and renamed by the server: through Wine, names that differ
        // only in letter case are one.
        int made = 0;
        for (const std::string& directory : c.directories) {
            std::string temporary = "dir" + std::to_string(++made);
            FtpServer::MakeDir(temporary);
            FtpServer::RenameExact(temporary, directory);
        }
        for (const auto& file : c.files) {
            std::string temporary = "file" + std::to_string(++made);
            FtpServer::PutFile(temporary, file.second);
            FtpServer::RenameExact(temporary, file.first);
        }

        WinInetRecorder calls;
        REQUIRE(calls.Installed());
        PageView view = ShowLicensePage();

        CHECK_FALSE(view.timedOut);
        CHECK(view.rows == c.rows);
        CHECK(view.title == kRunTimeTitle);
        // Read from the server itself and not kept in the internet cache.
        for (DWORD flags : calls.openFileFlags)
            CHECK((flags & (INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD)) ==
                  (INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD));
        CHECK(calls.openFileFlags.size() == c.retrieved.size());
        // Without rows nobody can accept, so only "Abbrechen" is left.
        CHECK(view.acceptEnabled == !c.rows.empty());
        std::vector<std::string> retrieved;
        for (const std::string& command : FtpServer::Commands())
            if (command.rfind("RETR ", 0) == 0)
                retrieved.push_back(command);
        CHECK(retrieved == c.retrieved);
    }
}

TEST_CASE("when the server fails, the page shows no licence and says what it must")
{
    std::string longText;
    for (int i = 0; i < 2000; ++i)
        longText += "Zeile " + std::to_string(i) + "\r\n";
    const std::string noConnection = "Verbindung zum FTP-Server konnte nicht hergestellt werden.";
    struct Failure {
        const char* name;
        FtpBehaviour behaviour;
        std::string licence;
        bool messageBox;
        std::vector<std::string> logged;
        const char* title;
        bool acceptEnabled;
    };
    const std::vector<Failure> failures = {
        {"login refused: message, both log lines, only Abbrechen left", FtpBehaviour::LoginRefused(),
         "never read\n", true, {"Verbinden mit FTP fehlgeschlagen", noConnection}, kRunTimeTitle, false},
        {"listing refused: \"leer\", the template's title, the box left enabled", FtpBehaviour::ListFailing(),
         "never read\n", false, {"Verbunden mit FTP", "leer"}, kTemplateTitle, true},
        {"transfer broken off mid-licence: no half licence", FtpBehaviour::DroppingAfter(5000), longText,
         false, {"Verbunden mit FTP"}, kRunTimeTitle, false},
    };
    for (size_t i = 0; i < failures.size(); ++i) {
        const Failure& f = failures[i];
        CAPTURE(i);
        CAPTURE(std::string(f.name));
        FtpServer::Reset(f.behaviour);
        FtpServer::PutFile("license.txt", f.licence);
        LogTail log;

        // Clicks on disabled controls lead nowhere: BM_CLICK reaches them all the same.
        UiDriver::Step poke = f.acceptEnabled ? UiDriver::Nothing()
                                              : UiDriver::All({UiDriver::Tick(IDC_ACCEPT_LICENSE),
                                                               UiDriver::Tick(IDOK)});
        PageView view = ShowLicensePage(f.messageBox ? 1 : 0, poke);

        CHECK_FALSE(view.timedOut);
        // The page, and while it fetches, the message box.
        REQUIRE(view.seen.size() == (f.messageBox ? 2u : 1u));
        if (f.messageBox) {
            CHECK(view.seen[1].isMessageBox);
            CHECK(view.seen[1].title == "Norla Kesto Installer");
            CHECK(view.seen[1].text == noConnection);
            CHECK(view.seen[1].style == (MB_OK | MB_ICONEXCLAMATION));
        }
        CHECK(log.Messages() == f.logged);
        CHECK(view.title == f.title);
        CHECK(view.rows.empty());
        CHECK(view.acceptEnabled == f.acceptEnabled);
        CHECK_FALSE(view.nextEnabled);
        CHECK(FtpServer::Received("LIST") == !f.behaviour.refuseLogin);
        CHECK(FtpServer::Received("RETR") == (f.behaviour.dropAfter > 0));
    }
    FtpServer::Reset();
}

TEST_CASE("ticking enables Weiter, unticking disables it again")
{
    FtpServer::Reset();
    FtpServer::PutFile("license.txt", "A\n");
    std::vector<bool> nextEnabled;
    auto note = [&](HWND page) { nextEnabled.push_back(IsWindowEnabled(GetDlgItem(page, IDOK)) != FALSE); };
    UiDriver driver;
    driver.Then(UiDriver::Settle(UiDriver::All({
                               UiDriver::Inspect(note, UiDriver::Tick(IDC_ACCEPT_LICENSE)),
                               UiDriver::Inspect(note, UiDriver::Tick(IDC_ACCEPT_LICENSE)),
                               UiDriver::Inspect(note, UiDriver::Tick(IDC_ACCEPT_LICENSE)),
                               UiDriver::Inspect(note, UiDriver::Click(IDCANCEL))})));
    CLicenseDlg page;
    page.DoModal();
    CHECK_FALSE(driver.TimedOut());
    CHECK(nextEnabled == std::vector<bool>{false, true, false, true});
}
