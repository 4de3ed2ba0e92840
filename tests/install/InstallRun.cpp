#include "InstallRun.h"
#include "FixtureRecord.h"
#include "ScratchFolder.h"
#include "Screenshot.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "download/ArchiveDownload.h"
#include "install/StartSetupProgram.h"
#include <shlobj.h>
#include <algorithm>

namespace {
struct BarWatch {
    WNDPROC original = nullptr;
    HWND dialog = nullptr;
    bool unpacking = false;
    const SequenceRun* run = nullptr;
    SequenceOutcome* outcome = nullptr;
};
BarWatch g_bar;

void Cancel(CancelBy by)
{
    if (by == CancelBy::CloseBox)
        PostMessageA(g_bar.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else if (by == CancelBy::Escape)
        UiDriver::PressKey(VK_ESCAPE)(g_bar.dialog);
}

void CALLBACK CancelTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    Cancel(g_bar.run->cancel);
}

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The download's range is 0..kProgressRangeHigh; the unpacking's is 0..entry count.
    if (msg == PBM_SETRANGE32 && lParam != kProgressRangeHigh)
        g_bar.unpacking = true;
    if (g_bar.unpacking && (msg == PBM_SETRANGE32 || msg == PBM_SETPOS)) {
        g_bar.outcome->unpackBar.push_back({msg, wParam, lParam});
        if (msg == PBM_SETPOS && static_cast<int>(wParam) == g_bar.run->cancelAtPosition)
            Cancel(g_bar.run->cancel);
    }
    return CallWindowProcA(g_bar.original, hwnd, msg, wParam, lParam);
}

// Observes the setup program's start; fails it when the test asks for that, since Wine
// never reports ERROR_ELEVATION_REQUIRED (740) for a program that asks for elevation.
struct StartWatch {
    DWORD failWith = 0;
    std::vector<StartCall>* calls = nullptr;
};
StartWatch g_start;

BOOL WINAPI WatchedStart(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                         LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                         LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information)
{
    g_start.calls->push_back({application ? application : "(null)", flags,
                              startup ? startup->cb : 0, startup ? startup->dwFlags : 0});
    if (g_start.failWith != 0) {
        SetLastError(g_start.failWith);
        return FALSE;
    }
    return CreateProcessA(application, commandLine, process, thread, inherit, flags, environment,
                          folder, startup, information);
}

std::string InstallLogPath()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "norla_inst_log.txt";
}

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE);
    return folder;
}

void ListTree(const std::string& base, const std::string& relative, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((base + relative + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(relative + name + "\\");
            ListTree(base, relative + name + "\\", out);
        } else {
            out.push_back(relative + name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}
}

SequenceOutcome RunSequence(const SequenceRun& run)
{
    SequenceOutcome outcome;
    FtpServer::Reset(run.server);
    if (!run.servedBytes.empty())
        FtpServer::PutFile("norla.zip", run.servedBytes);
    else if (!run.archive.empty())
        FtpServer::PutFile("norla.zip", ArchiveBytes(run.archive));
    theApp.m_strInstallDir = run.installDir;
    theApp.m_strDownloadFileName = "norla.zip";
    theApp.m_strArchivePath.clear();
    theApp.m_bDesktopIcon = run.desktopIcon;
    theApp.m_bStartMenu = run.startMenu;
    std::string logBefore = ReadBytes(InstallLogPath());

    g_bar = BarWatch();
    g_bar.run = &run;
    g_bar.outcome = &outcome;
    g_start.failWith = run.failStartWith;
    g_start.calls = &outcome.starts;
    CreateProcessAProc original = g_pfnStartProcess;
    g_pfnStartProcess = WatchedStart;

    {
        UiDriver driver;
        driver.Then(UiDriver::Inspect(
            [](HWND window) {
                g_bar.dialog = window;
                HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
                g_bar.original = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BarProc)));
                if (g_bar.run->cancelAfterMs)
                    SetTimer(nullptr, 0, g_bar.run->cancelAfterMs, CancelTimerProc);
            },
            UiDriver::Nothing()));
        driver.Then(UiDriver::Inspect(
            [&](HWND) {
                char title[512] = "garbage";
                GetWindowTextA(g_bar.dialog, title, sizeof(title));
                outcome.titleAtMessage = title;
                if (!run.screenshot.empty()) {
                    CreateDirectoryA("screenshots", nullptr);
                    SaveScreenshot(GetDesktopWindow(), run.screenshot);
                }
            },
            UiDriver::Click(IDOK)));

        outcome.result = theApp.m_dlgProgress.DoModal();

        for (const SeenWindow& seen : driver.Seen())
            if (seen.isMessageBox)
                outcome.messageBoxes.push_back(seen);
        outcome.timedOut = driver.TimedOut();
        outcome.windows = driver.Describe();
    }
    g_pfnStartProcess = original;
    MSG msg;
    outcome.quitPending = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    DrainMessageQueue();
    std::string logAfter = ReadBytes(InstallLogPath());
    if (logAfter.compare(0, logBefore.size(), logBefore) == 0)
        outcome.newLog = logAfter.substr(logBefore.size());
    return outcome;
}

std::string ArchiveBytes(const std::string& name)
{
    // ctest runs the test in its build folder, where make_archives.py wrote them.
    return ReadBytes("archives\\" + name);
}

UserPlaces::UserPlaces()
{
    settingsFolder = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\..\\.norla\\";
    char full[MAX_PATH];
    if (GetFullPathNameA(settingsFolder.c_str(), MAX_PATH, full, nullptr))
        settingsFolder = full;
    desktopLink = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Norla Kesto 2.0.lnk";
    startMenuFolder = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Norla Kesto\\";
    startMenuLink = startMenuFolder + "Norla Kesto 2.0.lnk";
}

const std::vector<std::string> kProductTree = {
    ".norla\\",
    ".norla\\colors.cfg",
    ".norla\\profiles\\",
    ".norla\\profiles\\default.txt",
    ".norla\\settings.ini",
    "Elevate.dll",
    "Norla Kesto.exe",
    "Norla2024.exe",
    "kesto.ico",
    "norla.zip",
    "readme.txt",
};

void UserPlaces::Clear() const
{
    ScratchFolder::RemoveTree(settingsFolder);
    // A test may have put a read-only file where the folder goes.
    std::string settingsFile = settingsFolder.substr(0, settingsFolder.size() - 1);
    SetFileAttributesA(settingsFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(settingsFile.c_str());
    DeleteFileA(desktopLink.c_str());
    ScratchFolder::RemoveTree(startMenuFolder);
}

std::vector<std::string> Tree(const std::string& folder)
{
    std::vector<std::string> out;
    ListTree(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> FixtureRecords(const std::string& fixturePath, DWORD timeoutMs)
{
    std::string log = FixtureLogPath(fixturePath);
    DWORD start = GetTickCount();
    while (!IsFile(log) && GetTickCount() - start < timeoutMs)
        Sleep(50);
    // The program ends right after writing; give it the moment to do so.
    if (timeoutMs)
        Sleep(200);
    std::vector<std::string> lines;
    std::string text = ReadBytes(log);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string OnlyStartRecord(const std::string& program)
{
    std::vector<std::string> records = FixtureRecords(program, 20000);
    return records.size() == 1 ? records[0]
                               : "<" + std::to_string(records.size()) + " start records>";
}

std::vector<std::string> LogMessages(const std::string& logText)
{
    std::vector<std::string> messages;
    size_t at = 0;
    while (at < logText.size()) {
        size_t end = logText.find('\n', at);
        if (end == std::string::npos)
            end = logText.size();
        std::string line = logText.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t gap = line.find("  ");
        messages.push_back(gap == std::string::npos ? line : line.substr(gap + 2));
        at = end + 1;
    }
    return messages;
}

HRESULT ResetCom()
{
    HRESULT first = CoInitialize(nullptr);
    HRESULT now = first;
    while (now == S_FALSE) {
        CoUninitialize();
        CoUninitialize();
        now = CoInitialize(nullptr);
    }
    CoUninitialize();
    return first;
}

std::string ProgramName()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    return name.substr(0, name.rfind('.'));
}
