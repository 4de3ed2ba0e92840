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
#include <map>

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

// Folders shown with an owner and a DACL of the test's (as SDDL): Wine reports every folder as the
// current user's, with a DACL from its Unix mode.
std::map<std::string, std::string> g_posed;
DWORD WINAPI PosedSecurity(LPCSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*,
                           PSECURITY_DESCRIPTOR*);
ImportHook g_security("advapi32.dll", "GetNamedSecurityInfoA", reinterpret_cast<void*>(PosedSecurity));

DWORD WINAPI PosedSecurity(LPCSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID* owner,
                           PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor)
{
    DWORD found = g_security.Original<decltype(&GetNamedSecurityInfoA)>()(
        name, type, info, owner, group, dacl, sacl, descriptor);
    PSECURITY_DESCRIPTOR posed = nullptr;   // left to the program's end
    BOOL present, defaulted;
    if (g_posed.count(name) && ConvertStringSecurityDescriptorToSecurityDescriptorA(
                                   g_posed[name].c_str(), SDDL_REVISION_1, &posed, nullptr)) {
        GetSecurityDescriptorOwner(posed, owner, &defaulted);
        GetSecurityDescriptorDacl(posed, &present, dacl, &defaulted);
    }
    return found;
}

// A Unix shell command in `folder`, for what Wine cannot make: a folder all may change (mode 0777)
// and a reparse point (a symbolic link). Wine gives no handle to wait on: its last step is a file.
bool RunUnix(const std::string& folder, const std::string& command)
{
    std::string done = folder + "unix-done", line = "/bin/sh -c \"" + command + " && touch unix-done\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && !IsFile(done); ++i)
        Sleep(50);
    return DeleteFileA(done.c_str()) != FALSE;
}

struct StartRun {
    std::vector<SeenWindow> seen;
    std::string titleAtBox = "garbage";   // the page's, while the message box shows
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
        driver.Then(UiDriver::All({type, start}))
            .Then(UiDriver::Inspect([&](HWND box) { run.titleAtBox = WindowText(GetWindow(box, GW_OWNER)); },
                                    UiDriver::All({UiDriver::Click(IDOK), CancelPageLater()})));
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

TEST_CASE("Start with an empty, an invalid, an uncreatable directory, or one others can change, goes nowhere")
{
    ScratchFolder scratch, others;
    // Another user's folder, one all may change, one whose files all may change, a reparse point.
    const std::string own = others.Path() + "Eigen", foreign = others.Path() + "Fremd";
    REQUIRE(RunUnix(others.Path(), "mkdir Eigen Fremd Erbe && mkdir -m 777 Offen && ln -sfn Eigen Verweis"));
    // Once its target is gone, Wine sees no link, and the clean-up would leave it.
    struct Unlink { std::string at; ~Unlink() { RunUnix(at, "rm Verweis"); } } unlink{others.Path()};
    g_posed = {{foreign, "O:BGD:(A;OICI;FA;;;SY)"}, {others.Path() + "Erbe", "O:SYD:(A;OICIIO;FA;;;WD)"}};
    auto changeable = [](const std::string& directory) { return "Das Installationsverzeichnis " + directory +
        "\\ kann von anderen Benutzern verändert werden. Bitte wählen Sie ein anderes Verzeichnis."; };
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
        {foreign, changeable(foreign)},
        {foreign + "\\Neu", changeable(foreign + "\\Neu")},
        {others.Path() + "Offen", changeable(others.Path() + "Offen")},
        {others.Path() + "Erbe", changeable(others.Path() + "Erbe")},
        {others.Path() + "Verweis\\Produkt", changeable(others.Path() + "Verweis\\Produkt")},
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
        // The disk object's error, naming the folder it could not make, in the page's title.
        if (rows[i].typed == missing + "\\Produkt")
            CHECK(run.titleAtBox.find(" " + missing + "\\Produkt") != std::string::npos);
        CHECK(theApp.m_strInstallDir == kSentinelDir);
        CHECK(FtpServer::Commands().empty());   // not even a connection
        CHECK(theApp.m_pSession == nullptr);
    }
    // Nothing was created, neither beside us nor in the scratch folder.
    CHECK(Tree(scratch.Path()).empty());
    CHECK((Tree(own).empty() && !IsFolder(foreign + "\\Neu")));
}

namespace {
// The permissions each folder Start made was created with, as SDDL: Wine keeps no DACL of a file
// of its own (it maps one to Unix mode bits and reads back a default), so the call tells.
std::map<std::string, std::string> g_made;
BOOL WINAPI RecordCreateDirectory(LPCSTR name, LPSECURITY_ATTRIBUTES attributes);
ImportHook g_createDirectory("kernel32.dll", "CreateDirectoryA", reinterpret_cast<void*>(RecordCreateDirectory));

BOOL WINAPI RecordCreateDirectory(LPCSTR name, LPSECURITY_ATTRIBUTES attributes)
{
    BOOL made = g_createDirectory.Original<decltype(&CreateDirectoryA)>()(name, attributes);
    char* text = nullptr;
    if (made && attributes && ConvertSecurityDescriptorToStringSecurityDescriptorA(
                                  attributes->lpSecurityDescriptor, SDDL_REVISION_1,
                                  DACL_SECURITY_INFORMATION, &text, nullptr))
        g_made[name] = text;
    LocalFree(text);
    return made;
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
    // The user's, the administrators' and the system's; every user may read and run it.
    const std::string own = "D:P(A;OICI;FA;;;" + CurrentUserSidText() +
                            ")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(std::string(rows[i].name));
        FtpServer::Reset(rows[i].behaviour);
        theApp.m_strInstallDir = kSentinelDir;
        std::string typed = scratch.Path() + "Tief\\Produkt" + std::to_string(i);
        LogTail log;
        g_made.clear();

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
        // Each folder Start made had its permissions from the start; what existed is left alone.
        std::map<std::string, std::string> made = {{typed, own}};
        if (i == 0)
            made[scratch.Path() + "Tief"] = own;
        CHECK(g_made == made);
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
