// The page chain on the real templates: how each page hands over and how the chain unwinds.
#include "FtpServer.h"
#include "UiDriver.h"
#include "Screenshot.h"
#include "app/InfoDlg.h"
#include "app/InstallDirDlg.h"
#include "app/LicenseDlg.h"
#include "app/SetupApp.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"
#include <doctest.h>
#include <cstdlib>
#include <functional>

namespace {
const char* const kInfoTitle = "Installation Norla Veltro 2024 - Informationen";
const char* const kInstallDirTitle =
    "Installation Norla Veltro 2024 - Installationsverzeichnis auswählen";
const char* const kLicenseTitle = "Installation Norla Veltro 2024 - Lizenzbestimmungen";

struct WayOut {
    const char* name;
    UiDriver::Step step;
};

std::vector<WayOut> WaysOut(int button)
{
    return {{"button", UiDriver::Click(button)},
            {"close box", UiDriver::CloseBox()},
            {"Escape", UiDriver::PressKey(VK_ESCAPE)}};
}
}

TEST_CASE("cancelling the information page ends the run and shows nothing else")
{
    for (const WayOut& way : WaysOut(IDCANCEL)) {
        CAPTURE(way.name);
        UiDriver driver;
        driver.Then(way.step);
        CInfoDlg info;
        CHECK(info.DoModal() == IDCANCEL);
        CHECK_FALSE(driver.TimedOut());
        INFO(driver.Describe());
        REQUIRE(driver.Seen().size() == 1);
        CHECK(driver.Seen()[0].title == kInfoTitle);
    }
}

TEST_CASE("the information page sets its title, icons and clears the shared session")
{
    theApp.m_pSession = reinterpret_cast<CInternetSession*>(0xdeadbeef);   // sentinel, never used
    HICON appIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    UiDriver driver;
    driver.Then(UiDriver::Inspect(
        [&](HWND info) {
            CHECK(WindowText(info) == kInfoTitle);
            CHECK(theApp.m_pSession == nullptr);
            CHECK(SendMessageA(info, WM_GETICON, ICON_BIG, 0) == reinterpret_cast<LRESULT>(appIcon));
            CHECK(SendMessageA(info, WM_GETICON, ICON_SMALL, 0) == reinterpret_cast<LRESULT>(appIcon));
            CHECK(SendMessageA(info, WM_QUERYDRAGICON, 0, 0) == reinterpret_cast<LRESULT>(appIcon));
            CreateDirectoryA("screenshots", nullptr);
            CHECK(SaveScreenshot(info, "screenshots\\info-page.bmp"));
        },
        UiDriver::Click(IDCANCEL)));
    CInfoDlg info;
    info.DoModal();
    CHECK(theApp.m_pSession == nullptr);
    CHECK_FALSE(driver.TimedOut());
}

TEST_CASE("ending the licence page in any way unwinds the chain with OK")
{
    FtpServer::Reset();
    FtpServer::PutFile("license.txt", "Lizenz\r\n");
    for (const WayOut& way : WaysOut(IDCANCEL)) {
        CAPTURE(way.name);
        REQUIRE(OpenSharedSession());   // reused by the licence page
        HWND infoWindow = nullptr;
        UiDriver driver;
        driver.Then(UiDriver::Inspect([&](HWND info) { infoWindow = info; }, UiDriver::Click(IDOK)))
            .Then(UiDriver::Settle(UiDriver::Inspect(
                [&](HWND licence) {
                    CHECK(IsWindow(infoWindow));
                    CHECK_FALSE(IsWindowVisible(infoWindow));
                    CHECK(WindowText(licence) == kLicenseTitle);
                },
                way.step)));
        CInfoDlg info;
        CHECK(info.DoModal() == IDOK);
        CHECK_FALSE(driver.TimedOut());
        INFO(driver.Describe());
        REQUIRE(driver.Seen().size() == 2);
        CHECK(theApp.m_pSession == nullptr);   // cancelling the licence page releases it
    }
}

TEST_CASE("ending the installation directory page in any way unwinds the whole chain")
{
    std::vector<WayOut> ways = WaysOut(IDOK);
    ways.push_back({"Enter", UiDriver::PressKey(VK_RETURN)});
    FtpServer::Reset();
    FtpServer::PutFile("license.txt", "Lizenz\r\n");
    for (const WayOut& way : ways) {
        CAPTURE(way.name);
        REQUIRE(OpenSharedSession());
        HWND licenceWindow = nullptr;
        UiDriver driver;
        driver.Then(UiDriver::Click(IDOK))
            .Then(UiDriver::Inspect([&](HWND licence) { licenceWindow = licence; },
                                    UiDriver::Settle(UiDriver::All({
                                        UiDriver::Tick(IDC_ACCEPT_LICENSE), UiDriver::Click(IDOK)}))))
            .Then(UiDriver::Inspect(
                [&](HWND dir) {
                    CHECK(WindowText(dir) == kInstallDirTitle);
                    CHECK_FALSE(IsWindowVisible(licenceWindow));
                },
                way.step));
        CHECK(theApp.InitInstance() == FALSE);   // the program's whole run
        CHECK_FALSE(driver.TimedOut());
        INFO(driver.Describe());
        CHECK(driver.Seen().size() == 3);
        CHECK(theApp.m_pSession == nullptr);
    }
}

TEST_CASE("a server that never greets: the page answers, its buttons wait, Cancel ends it at once")
{
    FtpServer::Reset(FtpBehaviour::Stalling("greeting"));
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    struct Row {
        const char* title;   // while it waits
        int button;
        UiDriver::Step before;
        std::function<void()> run;
    } rows[] = {
        {"Installation Norla Kesto 2.0 - Lizenzbestimmungen", IDC_ACCEPT_LICENSE, UiDriver::Nothing(),
         [] { CLicenseDlg().DoModal(); }},
        {kInstallDirTitle, IDC_START_INSTALL,
         UiDriver::All({UiDriver::Type(IDC_INSTALL_DIR, temp), UiDriver::Click(IDC_START_INSTALL)}),
         [] { CInstallDirDlg().DoModal(); }},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.title));
        REQUIRE(OpenSharedSession());
        bool enabled = true;
        DWORD cancelledAt = 0;
        UiDriver driver;
        driver.Then(UiDriver::All({row.before, UiDriver::Later(1000, UiDriver::Inspect([&](HWND page) {
            enabled = IsWindowEnabled(GetDlgItem(page, row.button)) != FALSE;
            cancelledAt = GetTickCount();
        }, UiDriver::Click(IDCANCEL)))}));
        {
            AnswerProbe probe(15000);
            row.run();
            CHECK(GetTickCount() - cancelledAt < 1000);
            CHECK(probe.Asked());
            CHECK(probe.Slowest() < 250);
        }
        CHECK_FALSE(enabled);
        CHECK(driver.Seen().size() == 1);   // no message box
        CHECK(FtpServer::Received("CONNECT"));
        CHECK(theApp.m_pSession == nullptr);
    }
    FtpServer::Reset();
}

TEST_CASE("screenshot of the installation directory page")
{
    UiDriver driver;
    driver.Then(UiDriver::Inspect(
        [](HWND dir) {
            CreateDirectoryA("screenshots", nullptr);
            CHECK(SaveScreenshot(dir, "screenshots\\install-dir-page.bmp"));
        },
        UiDriver::CloseBox()));
    CInstallDirDlg dir;
    CHECK(dir.DoModal() == IDCANCEL);
    CHECK_FALSE(driver.TimedOut());
}

TEST_CASE("every page and the progress window open centred on the work area")
{
    FtpServer::Reset();
    FtpServer::PutFile("license.txt", "Lizenz\r\n");
    struct Row {
        const char* name;
        std::function<void()> run;
    } rows[] = {
        {"information", [] { CInfoDlg().DoModal(); }},
        {"licence", [] { REQUIRE(OpenSharedSession()); CLicenseDlg().DoModal(); }},
        {"installation directory", [] { CInstallDirDlg().DoModal(); }},
        {"progress", [] { theApp.m_dlgProgress.DoModal(); }},
    };
    RECT area;
    REQUIRE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    for (const Row& row : rows) {
        CAPTURE(std::string(row.name));
        RECT window = {};
        UiDriver driver;
        driver.Then(UiDriver::Inspect([&](HWND page) { GetWindowRect(page, &window); },
                                      UiDriver::PressKey(VK_ESCAPE)));
        row.run();
        CHECK_FALSE(driver.TimedOut());
        CHECK(window.right > window.left);
        CHECK(std::abs((window.left + window.right) - (area.left + area.right)) <= 2);
        CHECK(std::abs((window.top + window.bottom) - (area.top + area.bottom)) <= 2);
        ReleaseSharedSession();
    }
}
