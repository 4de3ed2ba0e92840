#include "framework/BlockingCall.h"
#include "framework/Internet.h"
#include "framework/WinApp.h"

// What a call and its helper share; the last of the two to let go deletes it.
struct HelperState {
    LONG refs = 1;
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CBlockingCall::Call call;
    BlockingScratch scratch;
    DWORD_PTR result = 0;
    DWORD error = 0;

    ~HelperState()
    {
        if (done)
            ::CloseHandle(done);
    }
    static void Release(HelperState* state)
    {
        if (::InterlockedDecrement(&state->refs) == 0)
            delete state;
    }
    static DWORD WINAPI Helper(void* parameter)
    {
        HelperState* state = static_cast<HelperState*>(parameter);
        state->result = state->call(state->scratch);
        // Per thread: taken here, handed to the caller's thread by Run.
        state->error = ::GetLastError();
        ::SetEvent(state->done);
        Release(state);
        return 0;
    }
};

namespace {
// Under Wine 8 another thread's close returns within milliseconds, yet leaves a read on a
// silent server blocked; no wait may rest on the helper ending.
const DWORD kCloseWaitMs = 100;
// A close that takes longer than this is left to its helper.
const DWORD kCloseLimitMs = 1000;

DWORD g_silenceLimitMs = kSilenceLimitMs;
int g_waits = 0;           // waits running on the window's thread, nested ones counted
bool g_cancelled = false;  // until the outermost of them ends

enum class WaitEnd { Done, Cancelled, Silent };

// Waits for `done` and lets this thread's messages through meanwhile.
WaitEnd WaitBesidePump(HANDLE done, DWORD limitMs)
{
    if (g_waits++ == 0)
        g_cancelled = false;
    const DWORD start = ::GetTickCount();
    WaitEnd end = WaitEnd::Silent;
    // After a quit the program is ending: the helper is not waited for.
    MSG quit;
    if (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        end = WaitEnd::Cancelled;
    while (end != WaitEnd::Cancelled) {
        DWORD elapsed = ::GetTickCount() - start;
        DWORD left = elapsed < limitMs ? limitMs - elapsed : 0;
        // The pump only peeks, so input it left queued must still wake the wait.
        DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &done, left, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) {
            end = WaitEnd::Done;
            break;
        }
        if (woken == WAIT_OBJECT_0 + 1 && !PumpPendingMessages()) {
            end = WaitEnd::Cancelled;
            break;
        }
        if (g_cancelled) {
            end = WaitEnd::Cancelled;
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            end = ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0 ? WaitEnd::Done : WaitEnd::Silent;
            break;
        }
    }
    if (--g_waits == 0)
        g_cancelled = false;
    return end;
}

DWORD WINAPI CloseOnItsOwn(void* handle)
{
    ::InternetCloseHandle(static_cast<HINTERNET>(handle));
    return 0;
}

// Closes `handle` beside a helper that may be blocked on it, waiting a moment at most.
void CloseAbandoned(HINTERNET& handle)
{
    if (handle == nullptr)
        return;
    HANDLE thread = ::CreateThread(nullptr, 0, CloseOnItsOwn, handle, 0, nullptr);
    if (thread) {
        ::WaitForSingleObject(thread, kCloseWaitMs);
        ::CloseHandle(thread);
    }
    handle = nullptr;
}

// Starts `call` on a helper for `state` (one call per state) and waits up to `limitMs` for it.
// Throws CInternetException when no helper can be started.
WaitEnd RunBesidePump(HelperState* state, CBlockingCall::Call call, DWORD limitMs)
{
    if (state->done == nullptr)
        throw CInternetException(ERROR_NOT_ENOUGH_MEMORY);
    state->call = std::move(call);
    ::InterlockedIncrement(&state->refs);
    HANDLE thread = ::CreateThread(nullptr, 0, HelperState::Helper, state, 0, nullptr);
    if (thread == nullptr) {
        DWORD error = ::GetLastError();
        HelperState::Release(state);
        throw CInternetException(error);
    }
    ::CloseHandle(thread);
    return WaitBesidePump(state->done, limitMs);
}
}

void SetSilenceLimit(DWORD ms)
{
    g_silenceLimitMs = ms ? ms : kSilenceLimitMs;
}

DWORD SilenceLimit()
{
    return g_silenceLimitMs;
}

bool WaitingBesidePump()
{
    return g_waits > 0;
}

void CancelBlockingCalls()
{
    if (g_waits > 0)
        g_cancelled = true;
}

CBlockingCall::CBlockingCall() : m_state(new HelperState)
{
}

CBlockingCall::~CBlockingCall()
{
    HelperState::Release(m_state);
}

BlockingScratch& CBlockingCall::Scratch()
{
    return m_state->scratch;
}

DWORD_PTR CBlockingCall::Run(HINTERNET* blockedOn, Call call)
{
    WaitEnd end = RunBesidePump(m_state, std::move(call), g_silenceLimitMs);
    if (end != WaitEnd::Done) {
        if (blockedOn)
            CloseAbandoned(*blockedOn);
        throw CInternetException(end == WaitEnd::Cancelled ? ERROR_INTERNET_OPERATION_CANCELLED
                                                           : ERROR_INTERNET_TIMEOUT);
    }
    ::SetLastError(m_state->error);
    return m_state->result;
}

void CloseBlocking(HINTERNET& handle)
{
    if (handle == nullptr)
        return;
    HINTERNET closing = handle;
    handle = nullptr;
    HelperState* state = new HelperState;
    try {
        // Cancelled or slow: the close goes on without us.
        RunBesidePump(state, [closing](BlockingScratch&) -> DWORD_PTR {
            return ::InternetCloseHandle(closing);
        }, kCloseLimitMs);
    } catch (const CInternetException&) {
        ::InternetCloseHandle(closing);   // no helper to be had
    }
    HelperState::Release(state);
}
