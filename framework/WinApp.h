#pragma once
// The application object: start-up, and the message pump pieces that long steps need.
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns FALSE to end the program instead of entering a message loop.
    virtual BOOL InitInstance() { return FALSE; }
    // The program's exit code, which Run returns.
    virtual int ExitInstance() { return m_nExitCode; }
    // Takes one message from the queue (waiting for it) and dispatches it;
    // FALSE when it was WM_QUIT.
    virtual BOOL PumpMessage();
    // Dialog keys (Enter, Escape, Tab) for the dialog the message belongs to.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // A dialog handler failed with an exception, described by `text`; the program keeps a
    // record of it. Must not throw.
    virtual void LogInternalError(const std::string& text) { (void)text; }

    // Registers the common controls (progress bar) and the themed look, once a process.
    static void InitCommonControls();
    // Program entry after the application object is constructed; returns the exit code.
    int Run(HINSTANCE hInstance);

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
// The program file's name without folder and extension ("NorlaInstaller").
const char* AfxGetAppName();
// Lets the thread's pending messages through and returns once the queue is empty (true).
// Meeting WM_QUIT, it posts the quit again for the enclosing loops and returns false.
bool PumpPendingMessages();

// PumpPendingMessages for loops of quick steps, at most every periodMs: each look at the queue
// is a round trip to the window system, which thousands of steps a second would pay for input
// nobody gives that fast. Escape still stops the loop within a period and a step.
class CMessagePump {
public:
    explicit CMessagePump(DWORD periodMs = 10) : m_periodMs(periodMs), m_last(::GetTickCount()) {}
    // False when a quit was met (posted again for the enclosing loops).
    bool Pump() { return !Due() || PumpPendingMessages(); }
    // Whether a period has passed since the last pump; if so, the next one starts now.
    bool Due()
    {
        DWORD now = ::GetTickCount();
        if (now - m_last < m_periodMs)
            return false;
        m_last = now;
        return true;
    }

private:
    DWORD m_periodMs;
    DWORD m_last;
};
