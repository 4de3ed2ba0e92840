#include "WinInetRecorder.h"

namespace {
WinInetRecorder* g_recorder = nullptr;
ImportHook* g_open = nullptr;
ImportHook* g_setOption = nullptr;
ImportHook* g_setOptionEx = nullptr;
ImportHook* g_findFirst = nullptr;
ImportHook* g_openFile = nullptr;

using OpenFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using SetOptionExFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD, DWORD);
using FindFirstFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPWIN32_FIND_DATAA, DWORD, DWORD_PTR);
using OpenFileFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, DWORD, DWORD, DWORD_PTR);

DWORD FirstDword(LPVOID buffer, DWORD size)
{
    return buffer && size >= sizeof(DWORD) ? *static_cast<DWORD*>(buffer) : 0xdeadbeef;
}

HINTERNET WINAPI RecordOpen(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR bypass,
                            DWORD flags)
{
    g_recorder->opens.push_back(
        {agent ? agent : "(null)", accessType, proxy != nullptr, bypass != nullptr, flags});
    return g_open->Original<OpenFn>()(agent, accessType, proxy, bypass, flags);
}

BOOL WINAPI RecordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD size)
{
    g_recorder->options.push_back({option, FirstDword(buffer, size), size, false});
    return g_setOption->Original<SetOptionFn>()(handle, option, buffer, size);
}

BOOL WINAPI RecordSetOptionEx(HINTERNET handle, DWORD option, LPVOID buffer, DWORD size,
                              DWORD flags)
{
    g_recorder->options.push_back({option, FirstDword(buffer, size), size, true});
    return g_setOptionEx->Original<SetOptionExFn>()(handle, option, buffer, size, flags);
}

HINTERNET WINAPI RecordFindFirst(HINTERNET connection, LPCSTR name, LPWIN32_FIND_DATAA data,
                                 DWORD flags, DWORD_PTR context)
{
    g_recorder->findFlags.push_back(flags);
    return g_findFirst->Original<FindFirstFn>()(connection, name, data, flags, context);
}

HINTERNET WINAPI RecordOpenFile(HINTERNET connection, LPCSTR name, DWORD access, DWORD flags,
                                DWORD_PTR context)
{
    g_recorder->openFileFlags.push_back(flags);
    return g_openFile->Original<OpenFileFn>()(connection, name, access, flags, context);
}
}

WinInetRecorder::WinInetRecorder()
    : m_open("wininet.dll", "InternetOpenA", reinterpret_cast<const void*>(RecordOpen)),
      m_setOption("wininet.dll", "InternetSetOptionA",
                  reinterpret_cast<const void*>(RecordSetOption)),
      m_setOptionEx("wininet.dll", "InternetSetOptionExA",
                    reinterpret_cast<const void*>(RecordSetOptionEx)),
      m_findFirst("wininet.dll", "FtpFindFirstFileA",
                  reinterpret_cast<const void*>(RecordFindFirst)),
      m_openFile("wininet.dll", "FtpOpenFileA", reinterpret_cast<const void*>(RecordOpenFile))
{
    g_recorder = this;
    g_open = &m_open;
    g_setOption = &m_setOption;
    g_setOptionEx = &m_setOptionEx;
    g_findFirst = &m_findFirst;
    g_openFile = &m_openFile;
}

WinInetRecorder::~WinInetRecorder()
{
    g_recorder = nullptr;
}

bool WinInetRecorder::Installed() const
{
    return m_open.Installed() && m_setOption.Installed() && m_setOptionEx.Installed() &&
           m_findFirst.Installed() && m_openFile.Installed();
}
