#pragma once
// A bitmap resource held in a memory DC and stretched over a window's client area
// whenever the background is erased. Used by the information page, the installation
// directory page and the progress window.
#include <windows.h>

class PictureBackground {
public:
    PictureBackground() = default;
    ~PictureBackground();
    PictureBackground(const PictureBackground&) = delete;
    PictureBackground& operator=(const PictureBackground&) = delete;

    // Loads the picture, measures it and the client area and selects it into a memory DC
    // compatible with the window's client-area DC.
    void Prepare(HWND hWnd, UINT pictureId);
    // Loads the picture again and selects it in place of the current one, which is freed.
    // A picture that cannot be loaded leaves the current one in use; returns false then.
    bool Reload(HWND hWnd, UINT pictureId);
    // Stretches the picture, less its last row and column, over the stored client rectangle.
    BOOL Draw(HDC hDC) const;

    const BITMAP& Description() const { return m_bmInfo; }
    const RECT& Destination() const { return m_rcDest; }

private:
    void Release();

    HDC m_hMemDC = nullptr;
    BITMAP m_bmInfo = {};
    RECT m_rcDest = {};
    HBITMAP m_hPicture = nullptr;      // the picture selected into m_hMemDC
    HGDIOBJ m_hOriginal = nullptr;     // what the fresh DC held, put back before deleting it
};

// Where a minimized window draws its icon: centred, rounding as signed division does.
POINT MinimizedIconPosition(const RECT& client, int iconWidth, int iconHeight);
