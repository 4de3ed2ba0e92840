#include "bench/common/SequenceRun.h"
#include "app/SetupApp.h"
#include "install/ProgressDlg.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdio>

namespace {
// The static that holds a message box's text.
const int kMessageTextId = 0xFFFF;
const UINT kInspectDelayMs = 20;

struct Run {
    std::function<std::string()> expected;
    SequenceTimes times;
    WNDPROC windowProc = nullptr;
    WNDPROC barProc = nullptr;
    // The bar is given a new range for each phase: first the download's, then the
    // unpacking's. Positions count for the phase of the range last set.
    int phase = 0;
    LPARAM range = -1;
    HWND waiting = nullptr;    // a window that came up, to be looked at
    HWND answered = nullptr;   // the message box answered
};
Run g_run;

std::string DlgItemText(HWND window, int id)
{
    char text[4096] = "";
    GetDlgItemTextA(window, id, text, sizeof(text));
    return text;
}

LRESULT CALLBACK TimedBar(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == PBM_SETRANGE32 && lParam != g_run.range) {
        g_run.range = lParam;
        if (++g_run.phase == 2)
            g_run.times.unpackRange = static_cast<int>(lParam);
    } else if (msg == PBM_SETPOS && g_run.phase == 1) {
        g_run.times.downloaded = Now();
    } else if (msg == PBM_SETPOS && g_run.phase == 2) {
        g_run.times.unpacked = Now();
        g_run.times.unpackLastPos = static_cast<int>(wParam);
    }
    return CallWindowProcA(g_run.barProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TimedWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER && wParam == kStartTimer && g_run.times.started == 0)
        g_run.times.started = Now();
    return CallWindowProcA(g_run.windowProc, hwnd, msg, wParam, lParam);
}

WNDPROC Subclass(HWND window, WNDPROC proc)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// Looks at the window that came up: the expected message is answered with OK, anything
// else ends the program.
void CALLBACK InspectWindow(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND window = g_run.waiting;
    g_run.waiting = nullptr;
    if (!window || !IsWindow(window) || window == g_run.answered)
        return;
    std::string text = DlgItemText(window, kMessageTextId);
    if (!g_run.answered && GetDlgItem(window, kMessageTextId) && text == g_run.expected()) {
        g_run.answered = window;
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return;
    }
    char title[256] = "";
    GetWindowTextA(window, title, sizeof(title));
    std::fprintf(stderr, "unexpected window \"%s\": %s\n", title, text.c_str());
    std::fflush(stderr);
    ExitProcess(1);
}

// A message box is filled in only after it has been activated, so it is looked at from
// inside its modal loop a moment later.
LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        CProgressDlg& progress = theApp.m_dlgProgress;
        if (window == progress.GetSafeHwnd()) {
            if (!g_run.windowProc) {
                g_run.windowProc = Subclass(window, TimedWindow);
                g_run.barProc = Subclass(progress.m_progress.GetSafeHwnd(), TimedBar);
            }
        } else if (window != g_run.answered && window != g_run.waiting) {
            if (g_run.waiting) {
                std::fprintf(stderr, "two windows came up at once\n");
                ExitProcess(1);
            }
            g_run.waiting = window;
            SetTimer(nullptr, 0, kInspectDelayMs, InspectWindow);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
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

bool RunSequence(const std::function<std::string()>& expectedMessage, SequenceTimes& times)
{
    g_run = Run();
    g_run.expected = expectedMessage;
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchWindows, nullptr, GetCurrentThreadId());
    theApp.m_dlgProgress.DoModal();
    UnhookWindowsHookEx(hook);
    g_run.times.closed = Now();
    times = g_run.times;
    if (!g_run.answered) {
        std::fprintf(stderr, "the progress window closed without the expected message:\n%s\n",
                     g_run.expected().c_str());
        return false;
    }
    return true;
}
