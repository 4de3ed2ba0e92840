// The picture background: what erase-background draws, and the minimized icon's place.
#include "UiDriver.h"
#include "framework/PictureBackground.h"
#include "app/res/resource.h"
#include "framework/Dialog.h"
#include "test_resources.h"
#include <doctest.h>

namespace {
// The information page's template showing the test picture.
class PictureDialog : public CDialog {
public:
    PictureDialog() : CDialog(IDD_INFO) {}
    PictureBackground m_picture;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_picture.Prepare(m_hWnd, IDB_TEST_PICTURE);
        return TRUE;
    }
    BOOL OnEraseBkgnd(HDC dc) override { return m_picture.Draw(dc); }
};

const COLORREF kBody = RGB(0x20, 0x40, 0xC0);
const COLORREF kUntouched = RGB(0xFF, 0x00, 0xFF);
}

TEST_CASE("erase-background stretches the picture less its last row and column over the client area")
{
    UiDriver driver;
    driver.Then(UiDriver::Inspect(
        [](HWND dlg) {
            RECT client;
            GetClientRect(dlg, &client);
            HDC screen = GetDC(dlg);
            HDC mem = CreateCompatibleDC(screen);
            HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
            HGDIOBJ old = SelectObject(mem, canvas);
            HBRUSH magenta = CreateSolidBrush(kUntouched);
            FillRect(mem, &client, magenta);

            CHECK(SendMessageA(dlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), 0) != 0);

            int wrong = 0;
            for (int y = 0; y < client.bottom; y += 7)
                for (int x = 0; x < client.right; x += 7)
                    wrong += GetPixel(mem, x, y) != kBody;
            for (int x = 0; x < client.right; ++x)   // the bottom and right edges in full
                wrong += GetPixel(mem, x, client.bottom - 1) != kBody;
            for (int y = 0; y < client.bottom; ++y)
                wrong += GetPixel(mem, client.right - 1, y) != kBody;
            CHECK(wrong == 0);

            SelectObject(mem, old);
            DeleteObject(magenta);
            DeleteObject(canvas);
            DeleteDC(mem);
            ReleaseDC(dlg, screen);
        },
        UiDriver::Click(IDCANCEL)));
    PictureDialog dlg;
    dlg.DoModal();
    CHECK(dlg.m_picture.Description().bmWidth == 40);
    CHECK(dlg.m_picture.Description().bmHeight == 30);
    CHECK_FALSE(driver.TimedOut());
}

TEST_CASE("the real pictures have their sizes")
{
    struct {
        UINT id;
        LONG width, height;
    } pictures[] = {{IDB_INFO_PICTURE, 714, 540}, {IDB_PROGRESS_PICTURE, 596, 389},
                    {IDB_INSTALL_DIR_PICTURE, 584, 360}};
    for (const auto& p : pictures) {
        CAPTURE(p.id);
        HBITMAP bmp = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(p.id));
        REQUIRE(bmp != nullptr);
        BITMAP info = {};
        GetObjectA(bmp, sizeof(info), &info);
        CHECK(info.bmWidth == p.width);
        CHECK(info.bmHeight == p.height);
        DeleteObject(bmp);
    }
}

TEST_CASE("the minimized icon is centred with signed, truncating division")
{
    POINT at = MinimizedIconPosition(RECT{0, 0, 101, 51}, 32, 32);
    CHECK(at.x == 35);
    CHECK(at.y == 10);
    at = MinimizedIconPosition(RECT{0, 0, 20, 10}, 32, 32);   // icon larger than the client
    CHECK(at.x == -5);
    CHECK(at.y == -10);
}
