// WinINet is no import of the program. A program started from a downloads folder that imports
// wininet.dll would load a wininet.dll lying beside it before its first instruction; here the
// import slots the compiler calls through are the program's own, and each one fetches its
// function from the system folder's wininet.dll on its first call.
#include "framework/WinInetImports.h"
#include <windows.h>
#include <wininet.h>
#include <cstring>

namespace {
// Never freed, not even at exit: a helper thread left blocked in a call may still be inside.
HMODULE SystemWinInet()
{
    static const HMODULE wininet = ::LoadLibraryExA("wininet.dll", nullptr,
                                                    LOAD_LIBRARY_SEARCH_SYSTEM32);
    return wininet;
}

void* WinInetProc(const char* name)
{
    HMODULE wininet = SystemWinInet();
    return wininet ? reinterpret_cast<void*>(::GetProcAddress(wininet, name)) : nullptr;
}
}

// The slot of `name` takes the symbol the compiler calls through (__imp_ + the decorated name).
#ifdef _WIN64
#define NORLA_IMPORT_SYMBOL(name, bytes) "__imp_" #name
#else
#define NORLA_IMPORT_SYMBOL(name, bytes) "__imp__" #name "@" #bytes
#endif

#define NORLA_WININET_IMPORT(ret, name, bytes, params, args)                                \
    extern "C" decltype(&::name) norla_imp_##name asm(NORLA_IMPORT_SYMBOL(name, bytes));    \
    namespace {                                                                              \
    ret WINAPI Resolve_##name params                                                         \
    {                                                                                        \
        auto function = reinterpret_cast<decltype(&::name)>(WinInetProc(#name));             \
        if (function == nullptr) {                                                           \
            ::SetLastError(ERROR_MOD_NOT_FOUND);                                             \
            return ret();                                                                    \
        }                                                                                    \
        norla_imp_##name = function;                                                         \
        return function args;                                                                \
    }                                                                                        \
    }                                                                                        \
    decltype(&::name) norla_imp_##name = Resolve_##name;

// The WinINet functions the program calls.
#define NORLA_WININET_FUNCTIONS(X) \
    X(HINTERNET, InternetOpenA, 20, \
        (LPCSTR a, DWORD b, LPCSTR c, LPCSTR d, DWORD e), (a, b, c, d, e)) \
    X(HINTERNET, InternetConnectA, 32, \
        (HINTERNET a, LPCSTR b, INTERNET_PORT c, LPCSTR d, LPCSTR e, DWORD f, DWORD g, \
          DWORD_PTR h), \
        (a, b, c, d, e, f, g, h)) \
    X(BOOL, InternetCloseHandle, 4, (HINTERNET a), (a)) \
    X(BOOL, InternetReadFile, 16, (HINTERNET a, LPVOID b, DWORD c, LPDWORD d), \
        (a, b, c, d)) \
    X(BOOL, InternetFindNextFileA, 8, (HINTERNET a, LPVOID b), (a, b)) \
    X(BOOL, InternetQueryOptionA, 16, (HINTERNET a, DWORD b, LPVOID c, LPDWORD d), \
        (a, b, c, d)) \
    X(BOOL, InternetSetOptionA, 16, (HINTERNET a, DWORD b, LPVOID c, DWORD d), \
        (a, b, c, d)) \
    X(BOOL, InternetSetOptionExA, 20, \
        (HINTERNET a, DWORD b, LPVOID c, DWORD d, DWORD e), (a, b, c, d, e)) \
    X(INTERNET_STATUS_CALLBACK, InternetSetStatusCallbackA, 8, \
        (HINTERNET a, INTERNET_STATUS_CALLBACK b), (a, b)) \
    X(HINTERNET, FtpFindFirstFileA, 20, \
        (HINTERNET a, LPCSTR b, LPWIN32_FIND_DATAA c, DWORD d, DWORD_PTR e), \
        (a, b, c, d, e)) \
    X(HINTERNET, FtpOpenFileA, 20, \
        (HINTERNET a, LPCSTR b, DWORD c, DWORD d, DWORD_PTR e), (a, b, c, d, e)) \
    X(BOOL, FtpCommandA, 24, \
        (HINTERNET a, BOOL b, DWORD c, LPCSTR d, DWORD_PTR e, HINTERNET* f), \
        (a, b, c, d, e, f)) \
    X(BOOL, InternetGetLastResponseInfoA, 12, (LPDWORD a, LPSTR b, LPDWORD c), (a, b, c))

NORLA_WININET_FUNCTIONS(NORLA_WININET_IMPORT)

void** WinInetImportSlot(const char* function)
{
    static const struct {
        const char* name;
        void** slot;
    } slots[] = {
#define NORLA_WININET_SLOT(ret, name, bytes, params, args) \
    {#name, reinterpret_cast<void**>(&norla_imp_##name)},
        NORLA_WININET_FUNCTIONS(NORLA_WININET_SLOT)
#undef NORLA_WININET_SLOT
    };
    for (const auto& entry : slots)
        if (std::strcmp(entry.name, function) == 0)
            return entry.slot;
    return nullptr;
}
