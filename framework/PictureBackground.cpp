#include "framework/PictureBackground.h"

PictureBackground::~PictureBackground()
{
    Release();
}

void PictureBackground::Release()
{
    if (m_hMemDC) {
        ::SelectObject(m_hMemDC, m_hOriginal);
        ::DeleteDC(m_hMemDC);
        m_hMemDC = nullptr;
    }
    if (m_hPicture) {
        ::DeleteObject(m_hPicture);
        m_hPicture = nullptr;
    }
}

void PictureBackground::Prepare(HWND hWnd, UINT pictureId)
{
    Release();
    HBITMAP picture = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(pictureId));
    ::GetObjectA(picture, sizeof(m_bmInfo), &m_bmInfo);
    ::GetClientRect(hWnd, &m_rcDest);
    HDC windowDC = ::GetDC(hWnd);
    m_hMemDC = ::CreateCompatibleDC(windowDC);
    ::ReleaseDC(hWnd, windowDC);
    m_hOriginal = ::SelectObject(m_hMemDC, picture);
    m_hPicture = picture;
}

bool PictureBackground::Reload(HWND hWnd, UINT pictureId)
{
    HBITMAP picture = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(pictureId));
    if (picture == nullptr || m_hMemDC == nullptr) {
        if (picture)
            ::DeleteObject(picture);
        return false;
    }
    ::GetObjectA(picture, sizeof(m_bmInfo), &m_bmInfo);
    ::GetClientRect(hWnd, &m_rcDest);
    HGDIOBJ replaced = ::SelectObject(m_hMemDC, picture);
    if (replaced == m_hPicture && m_hPicture)
        ::DeleteObject(m_hPicture);
    m_hPicture = picture;
    return true;
}

BOOL PictureBackground::Draw(HDC hDC) const
{
    ::StretchBlt(hDC, m_rcDest.left, m_rcDest.top, m_rcDest.right, m_rcDest.bottom,
                 m_hMemDC, 0, 0, m_bmInfo.bmWidth - 1, m_bmInfo.bmHeight - 1, SRCCOPY);
    return TRUE;
}

POINT MinimizedIconPosition(const RECT& client, int iconWidth, int iconHeight)
{
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    return POINT{(width - iconWidth + 1) / 2, (height - iconHeight + 1) / 2};
}
