#include "Screenshot.h"
#include <cstdio>
#include <vector>

bool SaveScreenshot(HWND hwnd, const std::string& path)
{
    RECT rc;
    if (!GetWindowRect(hwnd, &rc))
        return false;
    UpdateWindow(hwnd);
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;   // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    DWORD stride = ((width * 3) + 3) & ~3u;
    DWORD imageSize = stride * height;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + imageSize;
    bool ok = false;
    if (FILE* f = fopen(path.c_str(), "wb")) {
        ok = fwrite(&fh, sizeof(fh), 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
             fwrite(bits, 1, imageSize, f) == imageSize;
        fclose(f);
    }
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}
