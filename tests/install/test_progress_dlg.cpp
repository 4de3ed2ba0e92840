// The progress window on its real template: start timer, slide ring, message pump.
#include "Files.h"
#include "ImportHook.h"
#include "SequenceRun.h"
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "framework/BlockingCall.h"
#include "install/InstallMessages.h"
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
            CHECK(WindowText(window) == kTitle);
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
    CHECK(QuitPending());   // the program ends
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
}

TEST_CASE("during a long download the first slide timer fires after 10 s")
{
    ScratchFolder folder;
    SequenceRun run("", folder.Path());
    run.servedBytes = PatternBytes(1000000);
    run.server = FtpBehaviour::Slow(90);   // 123 blocks of 8 KiB: about 11 s
    Watching watch;

    CHECK(RunSequence(run).result == IDOK);   // the pattern bytes are no archive: its message

    CHECK(ReadBytes(folder.Path() + "norla.zip") == run.servedBytes);
    REQUIRE(g_watch.timers.size() == 2);
    CHECK(g_watch.timers[0].timer == kStartTimer);
    CHECK(g_watch.timers[1].timer == kFirstSlideTimer);
    DWORD period = g_watch.timers[1].at - g_watch.timers[0].at;
    CHECK(period >= 9900);
    CHECK(period < 10600);
    // The slide step redrew the window at once.
    CHECK(std::any_of(g_watch.erasures.begin(), g_watch.erasures.end(),
                      [](DWORD at) { return at - g_watch.timers[1].at < 200; }));
}

TEST_CASE("the close box or Escape during the download stops it, removes the partial file, logs it")
{
    struct Row {
        CancelBy by;
        FtpBehaviour server;
        DWORD cancelAfterMs;   // once the download runs
        DWORD endsWithinMs;
    } rows[] = {
        {CancelBy::CloseBox, FtpBehaviour::Slow(20), 500, 1800},   // about 2.5 s for the whole file
        {CancelBy::Escape, FtpBehaviour::Slow(20), 500, 1800},
        // A trickle of a byte a second, after a listing that takes a second.
        {CancelBy::Escape, FtpBehaviour::Slow(1000, 1), 2500, 4000},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        ScratchFolder folder;
        SequenceRun run("", folder.Path());
        run.servedBytes = PatternBytes(1000000);
        run.server = rows[i].server;
        run.cancel = rows[i].by;
        run.cancelAfterMs = rows[i].cancelAfterMs;

        DWORD start = GetTickCount();
        SequenceOutcome out = RunSequence(run);

        CHECK(out.result == IDCANCEL);
        // Stopped long before the whole file could have come.
        CHECK(GetTickCount() - start < rows[i].endsWithinMs);
        CHECK(FtpServer::Received("RETR norla.zip"));
        CHECK_FALSE(IsFile(folder.Path() + "norla.zip"));
        CHECK(theApp.m_pFtpConnection == nullptr);
        CHECK(out.quitPending);   // the program ends
        CHECK(out.messageBoxes.empty());
        CHECK(out.unpackBar.empty());
        CHECK(out.logged == std::vector<std::string>{"Installation abgebrochen"});
    }
}

namespace {
// Connections and files handed out and handles closed, in order, from whichever thread:
// WinINet hands a closed handle's number out again.
struct HandleEvent {
    HINTERNET handle;
    bool closed;
};
HandleEvent g_events[256];
LONG g_eventCount;
ImportHook *g_connect, *g_openFile, *g_close;

HINTERNET Note(HINTERNET handle, bool closed)
{
    LONG at = InterlockedIncrement(&g_eventCount) - 1;
    if (at < 256)
        g_events[at] = {handle, closed};
    return handle;
}
HINTERNET WINAPI NoteConnect(HINTERNET a, LPCSTR b, INTERNET_PORT c, LPCSTR d, LPCSTR e, DWORD f,
                             DWORD g, DWORD_PTR h)
{
    return Note(g_connect->Original<decltype(&NoteConnect)>()(a, b, c, d, e, f, g, h), false);
}
HINTERNET WINAPI NoteOpenFile(HINTERNET a, LPCSTR b, DWORD c, DWORD d, DWORD_PTR e)
{
    return Note(g_openFile->Original<decltype(&NoteOpenFile)>()(a, b, c, d, e), false);
}
BOOL WINAPI NoteClose(HINTERNET handle)
{
    Note(handle, true);
    return g_close->Original<decltype(&NoteClose)>()(handle);
}

// Every connection and file handed out is closed, the one a call is blocked on too.
bool AllClosed()
{
    LONG count = std::min<LONG>(g_eventCount, 256);
    for (LONG i = 0; i < count; ++i) {
        if (g_events[i].closed || g_events[i].handle == nullptr)
            continue;
        auto later = std::find_if(g_events + i + 1, g_events + count, [i](const HandleEvent& e) {
            return e.closed && e.handle == g_events[i].handle;
        });
        if (later == g_events + count)
            return false;
    }
    return true;
}
}

TEST_CASE("a server that stops answering: the window answers, Escape and the close box end it, silence fails it")
{
    ImportHook connect("wininet.dll", "InternetConnectA", reinterpret_cast<void*>(NoteConnect));
    ImportHook openFile("wininet.dll", "FtpOpenFileA", reinterpret_cast<void*>(NoteOpenFile));
    ImportHook close("wininet.dll", "InternetCloseHandle", reinterpret_cast<void*>(NoteClose));
    g_connect = &connect, g_openFile = &openFile, g_close = &close;
    SetSilenceLimit(2000);
    const char* const stalls[] = {"greeting", "listing", "data"};
    const CancelBy endings[] = {CancelBy::Escape, CancelBy::CloseBox, CancelBy::Nothing};
    for (const char* stall : stalls) {
        for (CancelBy ending : endings) {
            CAPTURE(std::string(stall));
            CAPTURE(static_cast<int>(ending));
            ScratchFolder folder;
            SequenceRun run("", folder.Path());
            run.servedBytes = PatternBytes(1000000);
            run.server = FtpBehaviour::Stalling(stall, 65536);
            run.cancel = ending;
            run.cancelAfterMs = 1000;   // the server is silent by then
            AnswerProbe probe(20000);
            g_eventCount = 0;

            DWORD start = GetTickCount();
            SequenceOutcome out = RunSequence(run);
            DWORD took = GetTickCount() - start;

            Sleep(200);   // a close left to its helper
            CHECK(AllClosed());
            CHECK(probe.Asked());
            CHECK(probe.Slowest() < 500);
            CHECK_FALSE(IsFile(folder.Path() + "norla.zip"));
            CHECK(FtpServer::Received(std::string(stall) == "data" ? "RETR" : "CONNECT"));
            if (ending == CancelBy::Nothing) {
                REQUIRE(out.messageBoxes.size() == 1);
                CHECK(out.messageBoxes[0].text == DownloadFailedMessage());
                CHECK(out.logged == std::vector<std::string>{FirstLine(DownloadFailedMessage())});
                CHECK(took >= 2000);
                CHECK(took < 6000);
            } else {
                CHECK(out.result == IDCANCEL);
                CHECK(out.messageBoxes.empty());
                CHECK(out.logged == std::vector<std::string>{kCancelledLogLine});
                CHECK(took < 1100 + 2000);
                CHECK(out.quitPending);
            }
        }
    }
    SetSilenceLimit(0);
}
