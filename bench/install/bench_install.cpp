// Unpacks an archive served by the FTP server on loopback through RunInstallation, in the
// real progress window, and prints how long the unpacking part took: from the download's
// last bar position to the bar's final position. Then times the sequence's own per-entry
// work (target path, DOS table, copy into the record, bar position, message pump) alone.
//   bench_install INSTALLFOLDER\     (the server serves norla.zip)
#include "app/SetupApp.h"
#include "archive/ArchiveReader.h"
#include "install/EntryPath.h"
#include "install/InstallationSequence.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
LARGE_INTEGER g_frequency;
double Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(g_frequency.QuadPart);
}

// Unpacking starts with the download's last position (0 after a complete copy) and ends
// with the last position the sequence sets, one past the entry range.
struct BarClock {
    WNDPROC original = nullptr;
    bool downloaded = false;
    double start = 0, end = 0;
    int entries = -1;
};
BarClock g_clock;

LRESULT CALLBACK TimedBar(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == PBM_SETRANGE32 && g_clock.downloaded && lParam != 1046)
        g_clock.entries = static_cast<int>(lParam);
    if (msg == PBM_SETPOS) {
        if (g_clock.entries < 0 && wParam == 0) {
            g_clock.downloaded = true;
            g_clock.start = Now();
        } else if (g_clock.entries >= 0 && static_cast<int>(wParam) == g_clock.entries + 1) {
            g_clock.end = Now();
        }
    }
    return CallWindowProcA(g_clock.original, hwnd, msg, wParam, lParam);
}

// The progress window gets its timed bar; the message at the end is answered with OK.
LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        HWND bar = GetDlgItem(window, 1005);
        if (bar && !g_clock.original)
            g_clock.original = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedBar)));
        if (GetDlgItem(window, 0xFFFF))
            PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The per-entry work of the sequence without the reader, on a real progress bar: all of it,
// and its parts (path and copy; plus the bar position; plus the pump).
struct OwnWork {
    double all, path, bar;
};

double TimePasses(HWND bar, const std::string& installDir, bool setBar, bool pump)
{
    const int passes = 5000;
    SendMessageA(bar, PBM_SETRANGE32, 0, passes);
    ArchiveEntry entry = {};
    double start = Now();
    for (int i = 0; i < passes; ++i) {
        snprintf(entry.name, sizeof(entry.name), "Norla/data%03d/file%05d.txt", i / 100, i);
        std::string target = BuildTargetPath(installDir, entry);
        if (target.size() < sizeof(entry.name))
            strcpy(entry.name, target.c_str());
        if (setBar)
            SendMessageA(bar, PBM_SETPOS, i, 0);
        if (pump)
            PumpPendingMessages();
    }
    return (Now() - start) / passes;
}

OwnWork SequenceWorkPerEntry(const std::string& installDir)
{
    HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 20, nullptr,
                             nullptr, nullptr, nullptr);
    OwnWork work;
    work.path = TimePasses(bar, installDir, false, false);
    work.bar = TimePasses(bar, installDir, true, false);
    work.all = TimePasses(bar, installDir, true, true);
    DestroyWindow(bar);
    return work;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--own-work") == 0) {
        QueryPerformanceFrequency(&g_frequency);
        theApp.InitCommonControls();
        OwnWork work = SequenceWorkPerEntry(argv[2]);
        printf("own_work_us_per_entry=%.2f path_us=%.2f bar_us=%.2f\n", work.all * 1e6,
               work.path * 1e6, work.bar * 1e6);
        return 0;
    }
    if (argc != 2) {
        fprintf(stderr, "usage: bench_install [--own-work] INSTALLFOLDER\\\n");
        return 2;
    }
    QueryPerformanceFrequency(&g_frequency);
    theApp.InitCommonControls();
    theApp.m_strInstallDir = argv[1];
    theApp.m_strDownloadFileName = "norla.zip";
    HHOOK hook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    double started = Now();
    theApp.m_dlgProgress.DoModal();
    double total = Now() - started;
    UnhookWindowsHookEx(hook);
    if (g_clock.end == 0) {
        fprintf(stderr, "bench_install: the unpacking did not run to its end\n");
        return 1;
    }
    OwnWork work = SequenceWorkPerEntry(argv[1]);
    printf("entries=%d unpack_seconds=%.3f total_seconds=%.3f own_work_us_per_entry=%.2f "
           "path_us=%.2f bar_us=%.2f\n",
           g_clock.entries, g_clock.end - g_clock.start, total, work.all * 1e6, work.path * 1e6,
           work.bar * 1e6);
    return 0;
}
