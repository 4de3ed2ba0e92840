#include "app/InstallerLock.h"
#include <cstring>

namespace {
// In the global namespace, so that a deployment running as SYSTEM and a user's own copy in
// another session see each other.
const char* const kMutexName = "Global\\NorlaVeltro2024Installer";
// How the titles of our windows begin, from the dialog templates on.
const char* const kTitlePrefixes[] = {"Installation Norla ", "Norla Veltro wird "};

BOOL CALLBACK FindInstallerWindow(HWND hwnd, LPARAM param)
{
    char className[16] = "";
    char title[256] = "";
    ::GetClassNameA(hwnd, className, sizeof(className));
    ::GetWindowTextA(hwnd, title, sizeof(title));
    if (!::IsWindowVisible(hwnd) || std::strcmp(className, "#32770") != 0)
        return TRUE;
    for (const char* prefix : kTitlePrefixes) {
        if (std::strncmp(title, prefix, std::strlen(prefix)) == 0) {
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
        }
    }
    return TRUE;
}
}

bool CInstallerLock::Take()
{
    if (m_mutex.IsValid())
        return true;
    m_mutex.Attach(::CreateMutexA(nullptr, FALSE, kMutexName));
    DWORD error = ::GetLastError();
    // A mutex made by another account may not be ours to open; it is just as much a running
    // installer. Any other failure leaves nothing to go by, and the installation goes ahead.
    if (!m_mutex.IsValid())
        return error != ERROR_ACCESS_DENIED;
    return error != ERROR_ALREADY_EXISTS;
}

void ShowRunningInstaller()
{
    HWND page = nullptr;
    ::EnumWindows(FindInstallerWindow, reinterpret_cast<LPARAM>(&page));
    if (page == nullptr)
        return;
    if (::IsIconic(page))
        ::ShowWindowAsync(page, SW_RESTORE);
    // A message box in front of the page is what the user has to answer first.
    ::SetForegroundWindow(::GetLastActivePopup(page));
}
