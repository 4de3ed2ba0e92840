#pragma once
// Drives the real dialogs of the test process. A CBT hook on the GUI thread notes every
// dialog and message box it creates; once the window shows, a thread timer runs the next
// step of the test's script against it, from inside whatever modal loop is running.
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct SeenWindow {
    HWND hwnd;
    std::string title;       // the title when the window was first seen on screen
    std::string text;        // message boxes: the message
    UINT style;              // message boxes: MB_ICON* | MB_OK... as far as can be told
    bool isMessageBox;
};

class UiDriver {
public:
    using Step = std::function<void(HWND)>;

    // The watchdog closes the thread's dialogs after this long without a window to drive.
    explicit UiDriver(DWORD watchdogMs = 30000);
    ~UiDriver();
    UiDriver(const UiDriver&) = delete;
    UiDriver& operator=(const UiDriver&) = delete;

    // Queues a step for the next window that is created and shown.
    UiDriver& Then(Step step);

    const std::vector<SeenWindow>& Seen() const { return m_seen; }
    // The titles of the windows seen, for failure messages.
    std::string Describe() const;
    // True when the watchdog had to close windows because the script stalled.
    bool TimedOut() const { return m_timedOut; }

    // Steps. Each only posts input, like a user would; the modal loop delivers it.
    static Step Click(int id);        // a push button's WM_COMMAND, as a click sends it
    static Step Tick(int id);         // BM_CLICK on a check box (toggles it, notifies the page)
    static Step Type(int id, std::string text);
    static Step PressKey(UINT vk);    // to the focused control, through the dialog manager
    static Step CloseBox();           // the caption's close button (SC_CLOSE)
    static Step Nothing();            // let the window be
    // Runs `then` once the page is idle: its own work (a timer's, a wait for the server) is
    // done. It looks from a timer, so that the page's own wait can end meanwhile.
    static Step Settle(Step then);
    // Runs `step` on the window `ms` from now, from whatever loop runs then.
    static Step Later(DWORD ms, Step step);
    // Combines steps run one after the other on the same window.
    static Step All(std::vector<Step> steps);
    // Runs an inspection on the window first, then the step.
    static Step Inspect(std::function<void(HWND)> look, Step then);

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK StepTimerProc(HWND, UINT, UINT_PTR, DWORD);
    static void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR, DWORD);
    void Noticed(HWND hwnd);
    void RunSteps();

    HHOOK m_hook = nullptr;
    UINT_PTR m_stepTimer = 0;
    UINT_PTR m_watchdog = 0;
    DWORD m_watchdogMs;
    bool m_timedOut = false;
    bool m_running = false;
    std::deque<Step> m_steps;
    std::deque<HWND> m_waiting;
    std::vector<SeenWindow> m_seen;
};

// From another thread, asks a dialog shown by this thread for WM_NULL every 50 ms and notes
// the slowest answer. A run that has not ended `limitMs` after the start fails the test
// program at once: a window that no longer answers would never let the test end.
class AnswerProbe {
public:
    explicit AnswerProbe(DWORD limitMs);
    ~AnswerProbe();
    AnswerProbe(const AnswerProbe&) = delete;
    AnswerProbe& operator=(const AnswerProbe&) = delete;
    bool Asked() const { return m_asked > 0; }
    DWORD Slowest() const { return m_slowest; }   // unanswered counts as ~0u

private:
    static DWORD WINAPI Run(void* probe);
    DWORD m_threadId;
    DWORD m_limitMs;
    HANDLE m_stop;
    HANDLE m_thread;
    volatile LONG m_asked = 0;
    volatile DWORD m_slowest = 0;
};

// A window's or control's text ("garbage" where none could be read).
std::string WindowText(HWND hwnd);

// Whether a WM_QUIT waits in this thread's queue.
bool QuitPending();
// Removes a pending WM_QUIT (and anything else queued) so the next test starts clean; the
// driver does so when it goes.
void DrainMessageQueue();
