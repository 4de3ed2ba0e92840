#pragma once
// Notes what the program asks of WinINet where WinINet cannot be asked afterwards: Wine
// keeps no retry count or back-off of a session, reports the access type of a session
// opened with INTERNET_OPEN_TYPE_PRECONFIG as the resolved one, and sends LIST to the
// server with or without INTERNET_FLAG_RELOAD. The calls still go through to WinINet.
#include "ImportHook.h"
#include <wininet.h>
#include <string>
#include <vector>

struct OpenCall {
    std::string agent;
    DWORD accessType;
    bool proxyGiven;
    bool bypassGiven;
    DWORD flags;
};

struct OptionCall {
    DWORD option;
    DWORD value;   // the first four bytes
    DWORD size;
    bool extended;   // InternetSetOptionExA
};

class WinInetRecorder {
public:
    WinInetRecorder();
    ~WinInetRecorder();
    // False when the program does not import one of the functions.
    bool Installed() const;

    std::vector<OpenCall> opens;
    std::vector<OptionCall> options;
    std::vector<DWORD> findFlags;   // of every FtpFindFirstFileA
    std::vector<DWORD> openFileFlags;   // of every FtpOpenFileA

private:
    ImportHook m_open, m_setOption, m_setOptionEx, m_findFirst, m_openFile;
};
