// A handler that throws: the dialog procedure lets nothing through to the system, logs the
// fault, tells the user and ends the dialog with Cancel, so the page chain unwinds.
#include "LogTail.h"
#include "Screenshot.h"
#include "UiDriver.h"
#include <algorithm>
#include <iterator>
#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "framework/Dialog.h"
#include "install/ProgressDlg.h"
#include <doctest.h>
#include <new>
#include <stdexcept>

namespace {
enum class Fault { AtInit, OnceInTimer, EveryTick, NotStd, OutOfMemory };

class FaultyDialog : public CDialog {
public:
    explicit FaultyDialog(Fault fault) : CDialog(IDD_PROGRESS), m_fault(fault) {}
    int ticks = 0;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_fault == Fault::AtInit)
            throw std::runtime_error("beim Start");
        SetTimer(1, 50);
        return TRUE;
    }
    void OnTimer(UINT_PTR) override
    {
        ++ticks;
        if (m_fault != Fault::EveryTick)
            KillTimer(1);
        switch (m_fault) {
        case Fault::OnceInTimer:
        case Fault::EveryTick:
            throw std::runtime_error("im Timer");
        case Fault::NotStd:
            throw 7;
        case Fault::OutOfMemory:
            throw std::bad_alloc();
        case Fault::AtInit:
            break;
        }
    }

private:
    Fault m_fault;
};
}

TEST_CASE("an exception in a dialog handler is logged, shown once and ends the dialog")
{
    struct Row {
        Fault fault;
        const char* text;
    } rows[] = {
        {Fault::AtInit, "Interner Fehler: beim Start"},
        {Fault::OnceInTimer, "Interner Fehler: im Timer"},
        // The message box's own loop delivers more ticks: one box all the same.
        {Fault::EveryTick, "Interner Fehler: im Timer"},
        {Fault::NotStd, "Interner Fehler: unbekannte Ausnahme"},
        {Fault::OutOfMemory, "Interner Fehler: std::bad_alloc"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        FaultyDialog dialog(rows[i].fault);
        LogTail tail;
        std::vector<std::string> loggedWhileShown{"garbage"};
        UiDriver driver;
        // A dialog that fails in WM_INITDIALOG never shows: the box is the first window.
        if (rows[i].fault != Fault::AtInit)
            driver.Then(UiDriver::Nothing());
        driver.Then(UiDriver::Inspect(
            [&](HWND box) {
                loggedWhileShown = tail.Messages();
                RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                CreateDirectoryA("screenshots", nullptr);
                SaveScreenshot(box, "screenshots\\internal-error.bmp");
                Sleep(200);   // ticks pile up behind the box
            },
            UiDriver::Click(IDOK)));

        CHECK(dialog.DoModal() == IDCANCEL);

        CHECK_FALSE(driver.TimedOut());
        std::vector<SeenWindow> boxes;
        std::copy_if(driver.Seen().begin(), driver.Seen().end(), std::back_inserter(boxes),
                     [](const SeenWindow& seen) { return seen.isMessageBox; });
        REQUIRE(boxes.size() == 1);
        CHECK(boxes[0].text == rows[i].text);
        CHECK(boxes[0].style == (MB_OK | MB_ICONERROR));
        CHECK(loggedWhileShown == std::vector<std::string>{rows[i].text});
        std::vector<std::string> logged = tail.Messages();
        CHECK_FALSE(logged.empty());
        CHECK(std::all_of(logged.begin(), logged.end(),
                          [&](const std::string& m) { return m == rows[i].text; }));
        CHECK(dialog.m_hWnd == nullptr);
        CHECK_FALSE(PumpPendingMessages());   // a running installation stops
    }
}
