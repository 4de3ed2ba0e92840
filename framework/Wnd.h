#pragma once
// A window handle with one method per Win32 call the pages use. Does not own the window.
#include "framework/WinApp.h"
#include <windows.h>
#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL SetWindowText(const char* text) { return ::SetWindowTextA(m_hWnd, text); }
    std::string GetWindowText() const;
    BOOL EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    // Centres the window on its owner, or on the work area when the owner is missing, hidden
    // or minimised; never beyond the work area.
    void CenterWindow();
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL RedrawWindow(const RECT* rect, HRGN region, UINT flags)
    {
        return ::RedrawWindow(m_hWnd, rect, region, flags);
    }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    // Without a caption, the application's name, as the framework's message boxes have.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK)
    {
        return ::MessageBoxA(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
    }

    HWND m_hWnd = nullptr;
};
