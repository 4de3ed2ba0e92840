#include "SequenceRun.h"
#include "Files.h"
#include "LogTail.h"
#include "Screenshot.h"
#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "download/ArchiveDownload.h"
#include "download/ServerParameters.h"
#include "install/StartSetupProgram.h"
#include <cstdio>

namespace {
struct BarWatch {
    WNDPROC original = nullptr;
    WNDPROC originalWindow = nullptr;
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
    if (msg == PBM_SETRANGE32 || msg == PBM_SETPOS)
        (g_bar.unpacking ? g_bar.outcome->unpackBar : g_bar.outcome->downloadBar).push_back({msg, wParam, lParam});
    if (msg == PBM_SETPOS)
        (g_bar.unpacking ? g_bar.outcome->unpacked : g_bar.outcome->downloaded) = Now();
    return CallWindowProcA(g_bar.original, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER && wParam == kStartTimer && g_bar.outcome->started == 0)
        g_bar.outcome->started = Now();
    return CallWindowProcA(g_bar.originalWindow, hwnd, msg, wParam, lParam);
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

// Serves the run's archive, sets the install state as the pages leave it and watches the
// setup program's start.
void Prepare(const SequenceRun& run, SequenceOutcome& outcome)
{
    if (!run.keepServer)
        FtpServer::Reset(run.server);
    if (!run.servedBytes.empty())
        FtpServer::PutFile("norla.zip", run.servedBytes);
    else if (!run.archive.empty())
        // ctest runs the test in its build folder, where the archives were made.
        FtpServer::PutFile("norla.zip", ReadBytes("archives\\" + run.archive));
    theApp.m_strInstallDir = run.installDir;
    theApp.m_strDownloadFileName = run.downloadFileName;
    theApp.m_strArchivePath.clear();
    theApp.m_bDesktopIcon = run.desktopIcon;
    theApp.m_bStartMenu = run.startMenu;
    theApp.m_commandLine.setupArguments = run.setupArguments;
    g_start.failWith = run.failStartWith;
    g_start.calls = &outcome.starts;
    g_pfnStartProcess = WatchedStart;
}
}

SequenceOutcome RunPlain(const SequenceRun& run, RecordingSink* given)
{
    RecordingSink unread;
    RecordingSink& sink = given ? *given : unread;
    SequenceOutcome outcome;
    CreateProcessAProc original = g_pfnStartProcess;
    Prepare(run, outcome);
    LogTail log;
    theApp.Install(sink, &sink, sink);
    outcome.result = sink.finished ? IDOK : IDCANCEL;
    outcome.exitCode = theApp.InstallExitCode();
    for (const auto& message : sink.messages)
        outcome.messageBoxes.push_back({nullptr, "", message.first, message.second, true});
    g_pfnStartProcess = original;
    outcome.logged = log.Messages();
    return outcome;
}

SequenceOutcome RunSequence(const SequenceRun& run)
{
    SequenceOutcome outcome;
    CreateProcessAProc original = g_pfnStartProcess;
    Prepare(run, outcome);
    LogTail log;
    g_bar = BarWatch();
    g_bar.run = &run;
    g_bar.outcome = &outcome;

    {
        UiDriver driver(run.watchdogMs);
        driver.Then(UiDriver::Inspect(
            [&](HWND window) {
                g_bar.dialog = window;
                HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
                RECT client = {};
                GetClientRect(bar, &client);
                outcome.barWidth = client.right;
                g_bar.original = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BarProc)));
                g_bar.originalWindow = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
                if (g_bar.run->cancelAfterMs)
                    SetTimer(nullptr, 0, g_bar.run->cancelAfterMs, CancelTimerProc);
            },
            UiDriver::Nothing()));
        driver.Then(UiDriver::Inspect(
            [&](HWND) {
                outcome.titleAtMessage = WindowText(g_bar.dialog);
                if (!run.screenshot.empty()) {
                    CreateDirectoryA("screenshots", nullptr);
                    SaveScreenshot(GetDesktopWindow(), run.screenshot);
                }
            },
            UiDriver::Click(IDOK)));

        outcome.result = theApp.m_dlgProgress.DoModal();
        outcome.exitCode = theApp.InstallExitCode();
        outcome.closed = Now();
        outcome.quitPending = QuitPending();

        for (const SeenWindow& seen : driver.Seen())
            if (seen.isMessageBox)
                outcome.messageBoxes.push_back(seen);
        outcome.timedOut = driver.TimedOut();
        outcome.windows = driver.Describe();
    }
    g_pfnStartProcess = original;
    outcome.logged = log.Messages();
    return outcome;
}

bool LookUpDescriptorAsPage()
{
    CInternetSession session;
    theApp.m_pFtpConnection = ConnectToDownloadServer(session);
    bool found = FindDownloadDescriptor();
    CHECK(theApp.m_pFtpConnection == nullptr);
    return found;
}

bool EndedWithMessage(const SequenceOutcome& outcome, const std::string& expected)
{
    bool ended = outcome.messageBoxes.size() == 1 && outcome.messageBoxes[0].text == expected;
    if (!ended)
        std::fprintf(stderr, "not the one expected message:\n%s\n%s\n", expected.c_str(), outcome.windows.c_str());
    return ended;
}

double Now()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int DownloadAsInstallation(const std::string& fileName, RecordingSink* sink)
{
    RecordingSink unread;
    return DownloadArchive("NorlaInstaller", fileName, theApp.m_strInstallDir,
                           theApp.m_strArchivePath, sink ? *sink : unread, theApp.m_pReleaseKey,
                           theApp.m_nMinRelease);
}
