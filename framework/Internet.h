#pragma once
// Internet classes over WinINet. Each object owns its HINTERNET and closes it exactly once.
#include <windows.h>
#include <wininet.h>

class CInternetSession {
public:
    // agent null: the program file's name without its extension.
    CInternetSession(const char* agent = nullptr, DWORD_PTR context = 1,
                     DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG,
                     const char* proxyName = nullptr, const char* proxyBypass = nullptr,
                     DWORD flags = 0);
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    virtual void Close();
    HINTERNET GetHandle() const { return m_hSession; }

protected:
    HINTERNET m_hSession = nullptr;
    DWORD_PTR m_dwContext;
};
