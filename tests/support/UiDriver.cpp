#include "UiDriver.h"
#include "framework/BlockingCall.h"
#include <algorithm>
#include <cstdio>

namespace {
UiDriver* g_driver = nullptr;

bool IsDialogWindow(HWND hwnd)
{
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    return lstrcmpA(cls, "#32770") == 0;
}

// A message box's text sits in the static control 0xFFFF; its buttons carry the IDOK... ids.
bool DescribeMessageBox(HWND hwnd, SeenWindow& seen)
{
    HWND text = GetDlgItem(hwnd, 0xFFFF);
    if (text == nullptr)
        return false;
    seen.text = WindowText(text);
    UINT style = 0;
    if (GetDlgItem(hwnd, IDYES) && GetDlgItem(hwnd, IDNO))
        style |= GetDlgItem(hwnd, IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    else if (GetDlgItem(hwnd, IDOK) && GetDlgItem(hwnd, IDCANCEL))
        style |= MB_OKCANCEL;
    else
        style |= MB_OK;
    HWND icon = GetDlgItem(hwnd, 0x0440);
    if (icon) {
        HICON shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
        if (shown == LoadIconA(nullptr, IDI_EXCLAMATION))
            style |= MB_ICONEXCLAMATION;
        else if (shown == LoadIconA(nullptr, IDI_ASTERISK))
            style |= MB_ICONINFORMATION;
        else if (shown == LoadIconA(nullptr, IDI_HAND))
            style |= MB_ICONERROR;
        else if (shown == LoadIconA(nullptr, IDI_QUESTION))
            style |= MB_ICONQUESTION;
    }
    seen.style = style;
    return true;
}

BOOL CALLBACK AbortDialog(HWND hwnd, LPARAM)
{
    if (IsDialogWindow(hwnd))
        EndDialog(hwnd, IDABORT);
    return TRUE;
}
}

std::string UiDriver::Describe() const
{
    std::string all;
    for (const SeenWindow& s : m_seen)
        all += (all.empty() ? "\"" : ", \"") + s.title + "\"";
    return "windows seen: " + (all.empty() ? std::string("none") : all);
}

UiDriver::UiDriver(DWORD watchdogMs) : m_watchdogMs(watchdogMs)
{
    g_driver = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    m_watchdog = SetTimer(nullptr, 0, m_watchdogMs, WatchdogProc);
}

UiDriver::~UiDriver()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    if (m_stepTimer)
        KillTimer(nullptr, m_stepTimer);
    if (m_watchdog)
        KillTimer(nullptr, m_watchdog);
    g_driver = nullptr;
    DrainMessageQueue();
}

UiDriver& UiDriver::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

LRESULT CALLBACK UiDriver::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Creation, not activation: a window can be activated again and again as focus moves
    // between processes on the display, but it is created once, and only by this thread.
    if (code == HCBT_CREATEWND && g_driver)
        g_driver->Noticed(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void UiDriver::Noticed(HWND hwnd)
{
    if (!IsDialogWindow(hwnd))
        return;
    auto known = std::find_if(m_seen.begin(), m_seen.end(),
                              [hwnd](const SeenWindow& s) { return s.hwnd == hwnd; });
    if (known != m_seen.end())
        return;
    // Handles are reused once a window is gone, so forget dead ones first.
    m_seen.erase(std::remove_if(m_seen.begin(), m_seen.end(),
                                [](const SeenWindow& s) { return s.hwnd && !IsWindow(s.hwnd); }),
                 m_seen.end());
    // The title is read once the window shows: pages set theirs while they initialise.
    m_seen.push_back(SeenWindow{hwnd, std::string(), std::string(), 0, false});
    m_waiting.push_back(hwnd);
    // Not from inside the hook: the window is still being created.
    if (!m_stepTimer)
        m_stepTimer = SetTimer(nullptr, 0, 10, StepTimerProc);
}

void CALLBACK UiDriver::StepTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_driver)
        g_driver->RunSteps();
}

void UiDriver::RunSteps()
{
    KillTimer(nullptr, m_stepTimer);
    m_stepTimer = 0;
    if (m_running)
        return;
    m_running = true;
    while (!m_waiting.empty()) {
        m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                       [](HWND w) { return !IsWindow(w); }),
                        m_waiting.end());
        // A modal loop shows its window before it first waits; until then, look again. A
        // message box raised while a page initialises shows before that page does.
        auto shown = std::find_if(m_waiting.begin(), m_waiting.end(),
                                  [](HWND w) { return IsWindowVisible(w) != FALSE; });
        if (shown == m_waiting.end()) {
            if (!m_waiting.empty())
                m_stepTimer = SetTimer(nullptr, 0, 10, StepTimerProc);
            break;
        }
        HWND hwnd = *shown;
        m_waiting.erase(shown);
        for (SeenWindow& s : m_seen) {
            if (s.hwnd == hwnd) {
                s.title = WindowText(hwnd);
                // Message boxes fill in their text during WM_INITDIALOG, so it is there by now.
                s.isMessageBox = DescribeMessageBox(hwnd, s);
            }
        }
        if (m_steps.empty())
            continue;
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        SetTimer(nullptr, m_watchdog, m_watchdogMs, WatchdogProc);   // re-arm
        step(hwnd);
    }
    m_running = false;
}

void CALLBACK UiDriver::WatchdogProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_driver)
        return;
    g_driver->m_timedOut = true;
    // Close every dialog of this thread so the test can report instead of hanging.
    EnumThreadWindows(GetCurrentThreadId(), AbortDialog, 0);
}

UiDriver::Step UiDriver::Click(int id)
{
    return [id](HWND dlg) {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    };
}

UiDriver::Step UiDriver::Tick(int id)
{
    return [id](HWND dlg) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); };
}

UiDriver::Step UiDriver::Type(int id, std::string text)
{
    return [id, text](HWND dlg) { SetDlgItemTextA(dlg, id, text.c_str()); };
}

UiDriver::Step UiDriver::PressKey(UINT vk)
{
    return [vk](HWND dlg) {
        HWND focus = GetFocus();
        HWND target = (focus && (focus == dlg || IsChild(dlg, focus))) ? focus : dlg;
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
    };
}

UiDriver::Step UiDriver::CloseBox()
{
    return [](HWND dlg) { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); };
}

UiDriver::Step UiDriver::Nothing()
{
    return [](HWND) {};
}

namespace {
// One step put off at a time: the window, when it may run, and the step.
struct PutOff {
    HWND dlg = nullptr;
    std::function<bool(HWND)> ready;
    UiDriver::Step step;
};
PutOff g_putOff;

void CALLBACK PutOffProc(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!IsWindow(g_putOff.dlg)) {
        KillTimer(nullptr, id);
        return;
    }
    if (!g_putOff.ready(g_putOff.dlg))
        return;
    KillTimer(nullptr, id);
    PutOff due = std::move(g_putOff);
    due.step(due.dlg);
}

// From a timer, so that whatever handler is running (and waiting) can end meanwhile.
UiDriver::Step PutOffUntil(DWORD periodMs, std::function<bool(HWND)> ready, UiDriver::Step step)
{
    return [=](HWND dlg) {
        g_putOff = PutOff{dlg, ready, step};
        SetTimer(nullptr, 0, periodMs, PutOffProc);
    };
}

// The page is idle: no box over it and no call waiting beside the pump, seen twice in a row.
bool Settled(HWND dlg)
{
    static int seen = 0;
    seen = IsWindowEnabled(dlg) && !WaitingBesidePump() ? seen + 1 : 0;
    return seen >= 2 ? (seen = 0, true) : false;
}
}

UiDriver::Step UiDriver::Settle(Step then)
{
    return PutOffUntil(50, Settled, then);
}

UiDriver::Step UiDriver::Later(DWORD ms, Step step)
{
    bool due = false;
    return PutOffUntil(ms, [due](HWND) mutable { return due = !due, due; }, step);
}

UiDriver::Step UiDriver::All(std::vector<Step> steps)
{
    return [steps](HWND dlg) {
        for (const Step& s : steps)
            s(dlg);
    };
}

UiDriver::Step UiDriver::Inspect(std::function<void(HWND)> look, Step then)
{
    return [look, then](HWND dlg) {
        look(dlg);
        then(dlg);
    };
}

bool QuitPending()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

void DrainMessageQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::string WindowText(HWND hwnd)
{
    char buffer[1024] = "garbage";
    GetWindowTextA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

AnswerProbe::AnswerProbe(DWORD limitMs)
    : m_threadId(GetCurrentThreadId()), m_limitMs(limitMs), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

AnswerProbe::~AnswerProbe()
{
    SetEvent(m_stop);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    CloseHandle(m_stop);
}

namespace {
BOOL CALLBACK FindShownDialog(HWND hwnd, LPARAM found)
{
    if (!IsDialogWindow(hwnd) || !IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}
}

DWORD WINAPI AnswerProbe::Run(void* parameter)
{
    AnswerProbe* probe = static_cast<AnswerProbe*>(parameter);
    DWORD start = GetTickCount();
    while (WaitForSingleObject(probe->m_stop, 50) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > probe->m_limitMs) {
            fprintf(stderr, "AnswerProbe: the run has not ended after %lu ms: failed\n",
                    static_cast<unsigned long>(probe->m_limitMs));
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        HWND window = nullptr;
        EnumThreadWindows(probe->m_threadId, FindShownDialog, reinterpret_cast<LPARAM>(&window));
        if (window == nullptr)
            continue;
        DWORD asked = GetTickCount();
        DWORD_PTR result = 0;
        bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        if (!answered && !IsWindow(window))
            continue;
        DWORD took = answered ? GetTickCount() - asked : ~0u;
        InterlockedIncrement(&probe->m_asked);
        if (took > probe->m_slowest)
            probe->m_slowest = took;
    }
    return 0;
}
