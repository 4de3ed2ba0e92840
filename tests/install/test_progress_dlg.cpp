// The progress window on its real template: start timer, slide ring, message pump.
#include "FtpServer.h"
#include "ImportHook.h"
#include "ScratchFolder.h"
#include "UiDriver.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "install/ProgressDlg.h"
#include <doctest.h>

namespace {
// What the progress window received, seen through thread hooks: when it was initialised,
// which timers fired when, and how often its background was erased.
struct Arrival {
    UINT_PTR timer;
    DWORD at;
};

struct WindowWatch {
    HWND window = nullptr;
    DWORD initialisedAt = 0;
    std::vector<Arrival> timers;
    std::vector<DWORD> erasures;
};
WindowWatch g_watch;

LRESULT CALLBACK WatchSent(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    // The first dialog is the progress window; message boxes come later.
    if (code == HC_ACTION && sent->message == WM_INITDIALOG && g_watch.window == nullptr) {
        g_watch.window = sent->hwnd;
        g_watch.initialisedAt = GetTickCount();
    }
    if (code == HC_ACTION && sent->message == WM_ERASEBKGND && sent->hwnd == g_watch.window)
        g_watch.erasures.push_back(GetTickCount());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchPosted(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER &&
        msg->hwnd != nullptr && msg->hwnd == g_watch.window)
        g_watch.timers.push_back({msg->wParam, GetTickCount()});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class Watching {
public:
    Watching()
    {
        g_watch = WindowWatch();
        m_sent = SetWindowsHookExA(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId());
        m_posted = SetWindowsHookExA(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());
    }
    ~Watching()
    {
        UnhookWindowsHookEx(m_sent);
        UnhookWindowsHookEx(m_posted);
    }

private:
    HHOOK m_sent, m_posted;
};

const char* const kTitle = "Norla Veltro wird heruntergeladen und entpackt - bitte warten...";

std::string Title(HWND hwnd)
{
    char text[256] = "garbage";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}
}

TEST_CASE("the slide ring runs 2 to 7 and back to 2")
{
    UINT_PTR timer = kFirstSlideTimer;
    std::vector<UINT_PTR> ring;
    for (int i = 0; i < 7; ++i)
        ring.push_back(timer = NextSlideTimer(timer));
    CHECK(ring == std::vector<UINT_PTR>{3, 4, 5, 6, 7, 2, 3});
}

namespace {
int g_dispatched = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP)
        ++g_dispatched;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}

TEST_CASE("PumpPendingMessages dispatches what is queued and reports a quit")
{
    DrainMessageQueue();
    CHECK(PumpPendingMessages());   // empty queue

    WNDCLASSA cls = {};
    cls.lpfnWndProc = CountingProc;
    cls.lpszClassName = "NorlaPumpTest";
    RegisterClassA(&cls);
    HWND window = CreateWindowA("NorlaPumpTest", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
    g_dispatched = 0;
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, WM_APP, 0, 0);
    CHECK(PumpPendingMessages());
    CHECK(g_dispatched == 3);
    MSG msg;
    CHECK_FALSE(PeekMessageA(&msg, window, WM_APP, WM_APP, PM_NOREMOVE));

    // A quit met by the pump is posted again, so every enclosing loop still sees it.
    PostMessageA(window, WM_APP, 0, 0);
    PostQuitMessage(0);
    CHECK_FALSE(PumpPendingMessages());
    CHECK(g_dispatched == 4);
    CHECK_FALSE(PumpPendingMessages());
    CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(PumpPendingMessages());
    DestroyWindow(window);
}

TEST_CASE("the start timer fires once, 100 ms after initialisation, and runs the sequence")
{
    FtpServer::Reset();
    theApp.m_strDownloadFileName = "norla.exe";   // refused: the download ends at once
    Watching watch;
    UiDriver driver;
    HWND bar = nullptr;
    driver.Then(UiDriver::Inspect(
        [&](HWND window) {
            CHECK(Title(window) == kTitle);
            bar = GetDlgItem(window, IDC_PROGRESS_BAR);
            CHECK(theApp.m_dlgProgress.m_progress.GetSafeHwnd() == bar);
            CHECK((GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) != 0);
        },
        UiDriver::Nothing()));
    driver.Then(UiDriver::Click(IDOK));   // the message of the failed download

    CHECK(theApp.m_dlgProgress.DoModal() == IDOK);   // the sequence's own end

    CHECK_FALSE(driver.TimedOut());
    REQUIRE(g_watch.timers.size() == 1);
    CHECK(g_watch.timers[0].timer == kStartTimer);
    DWORD delay = g_watch.timers[0].at - g_watch.initialisedAt;
    CHECK(delay >= 90);
    CHECK(delay < 1000);
    CHECK(bar != nullptr);
    CHECK(FtpServer::Commands().empty());
    DrainMessageQueue();
}

TEST_CASE("Escape before the start timer ends the window with Cancel; nothing is installed")
{
    FtpServer::Reset();
    FtpServer::PutFile("norla.zip", "PK");
    ScratchFolder folder;
    theApp.m_strInstallDir = folder.Path();
    theApp.m_strDownloadFileName = "norla.zip";
    UiDriver driver;
    driver.Then(UiDriver::PressKey(VK_ESCAPE));

    CHECK(theApp.m_dlgProgress.DoModal() == IDCANCEL);

    CHECK(FtpServer::Commands().empty());
    CHECK_FALSE(IsFile(folder.Path() + "norla.zip"));
    MSG msg;
    CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));   // the program ends
    DrainMessageQueue();
}

namespace {
// Every bitmap the program loads: the picture's handle is kept private by the window.
struct LoadedBitmap {
    UINT_PTR id;
    HBITMAP handle;
};
std::vector<LoadedBitmap> g_loaded;
ImportHook* g_loadBitmap = nullptr;

HBITMAP WINAPI RecordLoadBitmap(HINSTANCE instance, LPCSTR name)
{
    using LoadBitmapFn = HBITMAP(WINAPI*)(HINSTANCE, LPCSTR);
    HBITMAP bitmap = g_loadBitmap->Original<LoadBitmapFn>()(instance, name);
    g_loaded.push_back({IS_INTRESOURCE(name) ? reinterpret_cast<UINT_PTR>(name) : 0, bitmap});
    return bitmap;
}
}

TEST_CASE("every slide step shows picture 144 again and arms the next timer")
{
    g_loaded.clear();
    ImportHook hook("user32.dll", "LoadBitmapA", reinterpret_cast<const void*>(RecordLoadBitmap));
    g_loadBitmap = &hook;
    REQUIRE(hook.Installed());
    Watching watch;
    UiDriver driver;
    driver.Then(UiDriver::Inspect(
        [](HWND window) {
            // Hold the window in its waiting state: no sequence, timers driven by hand.
            CHECK(KillTimer(window, kStartTimer));
            HDC dc = GetDC(window);
            COLORREF before = GetPixel(dc, 300, 200);
            UINT_PTR timer = kFirstSlideTimer;
            // No REQUIRE in here: its exception would cross the system's timer dispatch.
            CHECK(g_loaded.size() == 1);
            for (int step = 0; step < 12 && !g_loaded.empty(); ++step) {
                CAPTURE(timer);
                size_t erased = g_watch.erasures.size();
                HBITMAP shown = g_loaded.back().handle;
                size_t loaded = g_loaded.size();
                SendMessageA(window, WM_TIMER, timer, 0);
                CHECK(g_watch.erasures.size() == erased + 1);   // redrawn before it returned
                // Loaded afresh, and the picture it replaces is freed.
                CHECK(g_loaded.size() == loaded + 1);
                CHECK(g_loaded.back().id == IDB_PROGRESS_PICTURE);
                CHECK(GetObjectType(g_loaded.back().handle) == OBJ_BITMAP);
                CHECK(GetObjectType(shown) == 0);
                UINT_PTR next = NextSlideTimer(timer);
                CHECK_FALSE(KillTimer(window, timer));   // it stopped itself
                CHECK(KillTimer(window, next));          // and armed the next one
                timer = next;
            }
            CHECK(GetPixel(dc, 300, 200) == before);
            ReleaseDC(window, dc);
        },
        UiDriver::PressKey(VK_ESCAPE)));

    CHECK(theApp.m_dlgProgress.DoModal() == IDCANCEL);
    CHECK_FALSE(driver.TimedOut());
    DrainMessageQueue();
}

TEST_CASE("during a long download the first slide timer fires after 10 s")
{
    FtpBehaviour slow;
    slow.slowMs = 90;   // 123 blocks of 8 KiB: about 11 s
    FtpServer::Reset(slow);
    std::string bytes = PatternBytes(1000000);
    FtpServer::PutFile("norla.zip", bytes);
    ScratchFolder folder;
    theApp.m_strInstallDir = folder.Path();
    theApp.m_strDownloadFileName = "norla.zip";
    Watching watch;
    UiDriver driver;
    driver.Then(UiDriver::Nothing());
    driver.Then(UiDriver::Click(IDOK));   // the pattern bytes are no archive: its message

    CHECK(theApp.m_dlgProgress.DoModal() == IDOK);

    CHECK(ReadBytes(folder.Path() + "norla.zip") == bytes);
    REQUIRE(g_watch.timers.size() == 2);
    CHECK(g_watch.timers[0].timer == kStartTimer);
    CHECK(g_watch.timers[1].timer == kFirstSlideTimer);
    DWORD period = g_watch.timers[1].at - g_watch.timers[0].at;
    CHECK(period >= 9900);
    CHECK(period < 10600);
    // The slide step redrew the window at once.
    CHECK(std::any_of(g_watch.erasures.begin(), g_watch.erasures.end(),
                      [](DWORD at) { return at - g_watch.timers[1].at < 200; }));
    DrainMessageQueue();
}

namespace {
HWND g_closing = nullptr;
UiDriver::Step g_stopStep;
void CALLBACK StopDownload(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_stopStep(g_closing);
}
}

TEST_CASE("the close box or Escape during the download stops it and removes the partial file")
{
    struct Row {
        const char* name;
        UiDriver::Step step;
        int slowMs, slowBlock;
        DWORD endsWithinMs;
    } rows[] = {
        {"close box", UiDriver::CloseBox(), 20, 8192, 1800},   // about 2.5 s for the whole file
        {"Escape", UiDriver::PressKey(VK_ESCAPE), 20, 8192, 1800},
        // A read waits for the server's next byte, and closing the file for its answer.
        {"Escape, one byte a second", UiDriver::PressKey(VK_ESCAPE), 1000, 1, 5000},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        FtpBehaviour slow;
        slow.slowMs = row.slowMs;
        slow.slowBlock = row.slowBlock;
        FtpServer::Reset(slow);
        FtpServer::PutFile("norla.zip", PatternBytes(1000000));
        ScratchFolder folder;
        theApp.m_strInstallDir = folder.Path();
        theApp.m_strDownloadFileName = "norla.zip";
        g_stopStep = row.step;
        UiDriver driver;
        driver.Then(UiDriver::Inspect(
            [](HWND window) {
                g_closing = window;
                SetTimer(nullptr, 0, 500, StopDownload);   // once the download runs
            },
            UiDriver::Nothing()));

        DWORD start = GetTickCount();
        CHECK(theApp.m_dlgProgress.DoModal() == IDCANCEL);

        // Stopped 0.5 s in, long before the whole file could have come.
        CHECK(GetTickCount() - start < row.endsWithinMs);
        CHECK(FtpServer::Received("RETR norla.zip"));
        CHECK_FALSE(IsFile(folder.Path() + "norla.zip"));
        CHECK(theApp.m_pFtpConnection == nullptr);
        MSG msg;
        CHECK(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));   // the program ends
        DrainMessageQueue();
    }
}
