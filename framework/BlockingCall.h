#pragma once
// A call that may block on the network runs on a short-lived helper thread while the
// window's thread waits beside its message pump, so the windows keep answering. The helper
// owns what the call writes to (its scratch space, result and error), so a wait that gives
// up can leave it behind: whatever it finishes later reaches nothing but that scratch space.
#include <windows.h>
#include <wininet.h>
#include <functional>
#include <vector>

// A server silent for this long is a broken connection.
const DWORD kSilenceLimitMs = 30000;
// Test programs shorten it; 0 restores kSilenceLimitMs.
void SetSilenceLimit(DWORD ms);
DWORD SilenceLimit();

// Ends the waits that run now (a page's Cancel). A wait also ends when its pump meets a quit,
// which stays queued for the enclosing loops.
void CancelBlockingCalls();
// Whether a call waits beside the pump now (tests wait for a page to be idle).
bool WaitingBesidePump();

// Where the helper's call writes. It lives as long as the helper or the caller needs it.
struct BlockingScratch {
    std::vector<char> buffer;
    WIN32_FIND_DATAA findData = {};
    DWORD count = 0;
};

class CBlockingCall {
public:
    // Runs on the helper; gets the scratch space, returns what the API returned. It must
    // hold copies, never references to the caller's memory.
    using Call = std::function<DWORD_PTR(BlockingScratch&)>;

    CBlockingCall();
    ~CBlockingCall();
    CBlockingCall(const CBlockingCall&) = delete;
    CBlockingCall& operator=(const CBlockingCall&) = delete;

    // Returns the call's result, with the helper's last error set on this thread. Cancelled
    // or silent for SilenceLimit(): closes `blockedOn` (when given; it becomes null) and
    // throws CInternetException with ERROR_INTERNET_OPERATION_CANCELLED or
    // ERROR_INTERNET_TIMEOUT.
    DWORD_PTR Run(HINTERNET* blockedOn, Call call);
    // The scratch space after Run returned.
    BlockingScratch& Scratch();

private:
    struct HelperState* m_state;
};

// Closes `handle` on a helper and sets it null. Waits a moment at most and never throws: a
// close that hangs on a silent server goes on without us.
void CloseBlocking(HINTERNET& handle);
