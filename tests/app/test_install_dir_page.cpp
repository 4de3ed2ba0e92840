// The installation directory page: what Start does with the typed directory, the folder
// browser, and the directory check.
#include "FtpServer.h"
#include "ImportHook.h"
#include "LogTail.h"
#include "Files.h"
#include "UiDriver.h"
#include "app/FolderBrowser.h"
#include "app/InstallDirDlg.h"
#include "app/InstallDirPath.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include <doctest.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <set>

namespace {
const char* const kSentinelDir = "garbage\\";

// Ends the page once the handler that is running has returned.
UiDriver::Step CancelPageLater()
{
    return [](HWND window) {
        HWND page = GetWindow(window, GW_OWNER) ? GetWindow(window, GW_OWNER) : window;
        PostMessageA(page, WM_COMMAND, IDCANCEL, 0);
    };
}

// A drive letter that names no drive here.
std::string MissingDrive()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    return "";
}

// The page, noting what its edit field shows when it is cancelled.
class WatchedInstallDirDlg : public CInstallDirDlg {
public:
    std::string fieldAtEnd = "garbage";

protected:
    void OnCancel() override
    {
        fieldAtEnd = WindowText(::GetDlgItem(m_hWnd, IDC_INSTALL_DIR));
        CInstallDirDlg::OnCancel();
    }
};

struct StartRun {
    std::vector<SeenWindow> seen;
    bool timedOut = true;
};

// Types `text`, presses Start, closes the message box (when one is expected) with OK, then
// cancels the page.
StartRun PressStart(const std::string& text, bool messageBox)
{
    StartRun run;
    UiDriver driver;
    UiDriver::Step type = UiDriver::Type(IDC_INSTALL_DIR, text);
    UiDriver::Step start = UiDriver::Click(IDC_START_INSTALL);
    if (messageBox)
        driver.Then(UiDriver::All({type, start})).Then(UiDriver::All({UiDriver::Click(IDOK), CancelPageLater()}));
    else
        driver.Then(UiDriver::All({type, start, UiDriver::Settle(CancelPageLater())}));
    CInstallDirDlg page;
    page.DoModal();
    run.seen = driver.Seen();
    run.timedOut = driver.TimedOut();
    return run;
}
}

TEST_CASE("which directories the page accepts")
{
    struct Row {
        const char* directory;
        bool valid;
    };
    const std::vector<Row> rows = {
        {"C:\\Norla024_install\\", true},
        {"d:\\Produkt\\", true},
        {"C:\\", true},
        {"C:\\Programme\\Norla 2024 (neu)\\", true},
        {"C:\\Pr\xfc" "fung\\", true},
        {"\\\\server\\share\\", true},
        {"\\\\server\\share\\Produkt\\", true},
        {"Produkt\\", false},
        {"\\Produkt\\", false},
        {"C:Produkt\\", false},
        {"1:\\Produkt\\", false},
        {"C:\\Pro:dukt\\", false},
        {"C:\\a<b\\", false},
        {"C:\\a>b\\", false},
        {"C:\\a\"b\\", false},
        {"C:\\a|b\\", false},
        {"C:\\a?b\\", false},
        {"C:\\a*b\\", false},
        {"C:\\a/b\\", false},
        {"C:\\a\tb\\", false},
        {"\\\\server\\", false},
        {"\\\\server\\\\", false},
        {"\\\\\\share\\", false},
        {"C:\\Produkt", false},   // the page appends the backslash first
        // Names Windows would store under another name, or not as a file at all.
        {"C:\\x\\dot.\\", false},
        {"C:\\x\\trail \\", false},
        {"C:\\x\\nul.txt\\", false},
        {"C:\\com1\\x\\", false},
        {"C:\\x\\..\\y\\", false},
        {"C:\\x\\.\\", false},
        {"C:\\x\\\\y\\", false},
        {"\\\\.\\pipe\\x\\", false},
        {"\\\\?\\C:\\x\\", false},
        {"\\\\server\\con\\", false},
        {"C:\\x.y\\ a\\", true},
        {"C:\\console\\", true},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(rows[i].directory));
        CHECK(IsValidInstallDir(rows[i].directory) == rows[i].valid);
    }
    // The longest directory still leaves room for "Norla2024.exe" in a MAX_PATH path.
    std::string longest = "C:\\" + std::string(MAX_PATH - 18, 'x') + "\\";
    CHECK((longest + "Norla2024.exe").size() == MAX_PATH - 1);
    CHECK(IsValidInstallDir(longest));
    CHECK_FALSE(IsValidInstallDir("C:\\" + std::string(MAX_PATH - 17, 'x') + "\\"));
}

TEST_CASE("initialisation: title, default directory, shortcut boxes hidden with the install state's values")
{
    theApp.m_bDesktopIcon = true;
    theApp.m_bStartMenu = false;
    std::string title, directory;
    bool desktopVisible = true, startMenuVisible = true;
    LRESULT desktopCheck = -1, startMenuCheck = -1;
    UiDriver driver;
    driver.Then(UiDriver::Inspect(
        [&](HWND page) {
            title = WindowText(page);
            directory = WindowText(GetDlgItem(page, IDC_INSTALL_DIR));
            desktopVisible = IsWindowVisible(GetDlgItem(page, IDC_DESKTOP_ICON));
            startMenuVisible = IsWindowVisible(GetDlgItem(page, IDC_START_MENU));
            desktopCheck = SendDlgItemMessageA(page, IDC_DESKTOP_ICON, BM_GETCHECK, 0, 0);
        },
        // Nobody can click a hidden box; a BM_CLICK from outside changes nothing either.
        UiDriver::All({UiDriver::Tick(IDC_START_MENU), [&](HWND page) {
                           startMenuCheck = SendDlgItemMessageA(page, IDC_START_MENU, BM_GETCHECK, 0, 0);
                       }, UiDriver::Click(IDCANCEL)})));
    CInstallDirDlg page;
    page.DoModal();
    CHECK_FALSE(driver.TimedOut());
    CHECK_FALSE(theApp.m_bStartMenu);
    CHECK(title == "Installation Norla Veltro 2024 - Installationsverzeichnis auswählen");
    CHECK(directory == "C:\\Norla024_install\\");
    CHECK_FALSE(desktopVisible);
    CHECK_FALSE(startMenuVisible);
    CHECK(desktopCheck == BST_CHECKED);
    CHECK(startMenuCheck == BST_UNCHECKED);
    theApp.m_bDesktopIcon = false;
}

TEST_CASE("Start with an empty, an invalid or an uncreatable directory goes nowhere")
{
    ScratchFolder scratch;
    std::string missing = MissingDrive();
    REQUIRE_FALSE(missing.empty());
    struct Row {
        std::string typed;
        std::string message;   // empty: no message box
    };
    const std::string invalid =
        "Bitte geben Sie ein gültiges Installationsverzeichnis an (zum Beispiel C:\\Norla024_install\\).";
    const std::vector<Row> rows = {
        {"", ""},
        {"Produkt", invalid},
        {scratch.Path() + "a<b", invalid},
        {scratch.Path() + "a:b", invalid},
        {scratch.Path() + "a?b\\", invalid},
        {missing + "\\Produkt", "Das Installationsverzeichnis " + missing + "\\Produkt\\ konnte nicht angelegt werden."},
    };
    CurrentDirectory here(scratch.Path());   // where a relative path would land
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(rows[i].typed);
        FtpServer::Reset();
        theApp.m_strInstallDir = kSentinelDir;
        LogTail log;

        bool box = !rows[i].message.empty();
        StartRun run = PressStart(rows[i].typed, box);

        CHECK_FALSE(run.timedOut);
        REQUIRE(run.seen.size() == (box ? 2u : 1u));
        if (box) {
            CHECK(run.seen[1].isMessageBox);
            CHECK(run.seen[1].title == "Update-Service");
            CHECK(run.seen[1].text == rows[i].message);
            CHECK(run.seen[1].style == (MB_OK | MB_ICONEXCLAMATION));
        }
        std::vector<std::string> logged;
        if (box && rows[i].message != invalid)
            logged.push_back(rows[i].message);
        CHECK(log.Messages() == logged);
        CHECK(theApp.m_strInstallDir == kSentinelDir);
        CHECK(FtpServer::Commands().empty());   // not even a connection
        CHECK(theApp.m_pSession == nullptr);
    }
    // Nothing was created, neither beside us nor in the scratch folder.
    CHECK(Tree(scratch.Path()).empty());
}

namespace {
// What Start asked the system to protect. Wine keeps no DACL of a file of its own (it maps one
// to Unix mode bits and reads back a default), so the request is read from the call itself.
struct Protection {
    std::string folder;
    bool isProtected = false;
    std::set<std::string> sids;   // full control, inherited by files and folders inside
};
std::vector<Protection> g_protections;
ImportHook* g_setSecurity = nullptr;

DWORD WINAPI RecordSetSecurity(LPSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                               PSID owner, PSID group, PACL dacl, PACL sacl)
{
    Protection seen{name, (info & PROTECTED_DACL_SECURITY_INFORMATION) != 0, {}};
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        char* text = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ace->Mask == FILE_ALL_ACCESS &&
            ace->Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) &&
            ConvertSidToStringSidA(&ace->SidStart, &text)) {
            seen.sids.insert(text);
            LocalFree(text);
        }
    }
    g_protections.push_back(seen);
    using Fn = DWORD(WINAPI*)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
    return g_setSecurity->Original<Fn>()(name, type, info, owner, group, dacl, sacl);
}

std::string CurrentUserSidText()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[256];
    DWORD size = sizeof(buffer);
    GetTokenInformation(token, TokenUser, buffer, size, &size);
    CloseHandle(token);
    char* text = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}
}

TEST_CASE("Start creates the directory with its backslash, stores it, and stays when the server fails")
{
    ScratchFolder scratch;
    struct Row {
        const char* name;
        FtpBehaviour behaviour;
        bool messageBox;
        std::vector<std::string> logged;
    };
    const std::string noConnection = "Verbindung zum FTP-Server konnte nicht hergestellt werden.";
    const std::vector<Row> rows = {
        {"login refused", FtpBehaviour::LoginRefused(), true, {"Verbinden mit FTP fehlgeschlagen", noConnection}},
        {"listing refused", FtpBehaviour::ListFailing(), false, {"Verbunden mit FTP"}},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(rows[i].name));
        FtpServer::Reset(rows[i].behaviour);
        theApp.m_strInstallDir = kSentinelDir;
        std::string typed = scratch.Path() + "Tief\\Produkt" + std::to_string(i);
        LogTail log;
        g_protections.clear();
        ImportHook hook("advapi32.dll", "SetNamedSecurityInfoA", reinterpret_cast<void*>(RecordSetSecurity));
        REQUIRE(hook.Installed());
        g_setSecurity = &hook;

        StartRun run = PressStart(typed, rows[i].messageBox);

        CHECK_FALSE(run.timedOut);
        INFO(run.seen.size());
        REQUIRE(run.seen.size() == (rows[i].messageBox ? 2u : 1u));
        if (rows[i].messageBox) {
            CHECK(run.seen[1].title == "Update-Service");
            CHECK(run.seen[1].text == noConnection);
        }
        CHECK(IsFolder(typed));
        CHECK(theApp.m_strInstallDir == typed + "\\");
        // The outermost folder Start made is the user's alone; what existed is left alone.
        REQUIRE(g_protections.size() == 1);
        CHECK(g_protections[0].folder == (i == 0 ? scratch.Path() + "Tief" : typed));
        CHECK(g_protections[0].isProtected);
        CHECK(g_protections[0].sids ==
              std::set<std::string>{CurrentUserSidText(), "S-1-5-32-544", "S-1-5-18"});
        CHECK(log.Messages() == rows[i].logged);
        CHECK(theApp.m_pFtpConnection == nullptr);
        CHECK(FtpServer::Received("CONNECT"));
        CHECK_FALSE(FtpServer::Received("RETR"));
    }
    FtpServer::Reset();
}

TEST_CASE("browsing: a drive's root gets no second backslash; cancelling keeps the page's text")
{
    struct Row {
        const char* name;
        int button;
        const char* installDir;
        const char* field;
    };
    const std::vector<Row> rows = {
        {"root folder chosen", IDOK, "C:\\", "C:\\"},
        // The typed text is not read back first: the stored directory is the page's own.
        {"browse cancelled", IDCANCEL, "C:\\Norla024_install\\", "D:\\getippt"},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(rows[i].name));
        theApp.m_strInstallDir = kSentinelDir;
        HWND pageWindow = nullptr;
        bool ownerless = false;
        std::string prompt;
        UiDriver driver;
        driver
            .Then(UiDriver::Inspect([&](HWND page) { pageWindow = page; },
                                    UiDriver::All({UiDriver::Type(IDC_INSTALL_DIR, "D:\\getippt"),
                                                   UiDriver::Click(IDC_BROWSE)})))
            .Then(UiDriver::Inspect(
                [&](HWND browse) {
                    ownerless = GetWindow(browse, GW_OWNER) == nullptr;
                    // The prompt is the only static text that starts with a blank.
                    for (HWND child = GetWindow(browse, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                        if (WindowText(child)[0] == ' ')
                            prompt = WindowText(child);
                    SendMessageA(browse, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>("C:\\"));
                },
                UiDriver::All({UiDriver::Click(rows[i].button),
                               [&](HWND) { PostMessageA(pageWindow, WM_COMMAND, IDCANCEL, 0); }})));
        WatchedInstallDirDlg page;
        page.DoModal();
        CHECK_FALSE(driver.TimedOut());
        INFO(driver.Describe());
        CHECK(driver.Seen().size() == 2);
        CHECK(ownerless);
        CHECK(prompt == " Bitte Pfad angeben:");
        CHECK(theApp.m_strInstallDir == rows[i].installDir);
        CHECK(page.fieldAtEnd == rows[i].field);
    }
}
