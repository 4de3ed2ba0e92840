#include "framework/Wnd.h"
#include <algorithm>

std::string CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void CWnd::CenterWindow()
{
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner != nullptr && (!::IsWindowVisible(owner) || ::IsIconic(owner)))
        owner = nullptr;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    RECT around = area;
    if (owner != nullptr)
        ::GetWindowRect(owner, &around);
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    LONG left = (around.left + around.right - width) / 2;
    LONG top = (around.top + around.bottom - height) / 2;
    left = std::max(area.left, std::min(left, area.right - width));
    top = std::max(area.top, std::min(top, area.bottom - height));
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
