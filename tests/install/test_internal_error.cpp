// A handler that throws: the dialog procedure lets nothing through to the system, logs the
// fault, tells the user and ends the dialog with Cancel, so the page chain unwinds.
#include "LogTail.h"
#include "Screenshot.h"
#include "UiDriver.h"
#include <algorithm>
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

namespace {
// The message boxes of this thread, answered with OK as they show. The UI driver waits for
// windows in the order they are created, and a dialog that fails in WM_INITDIALOG never
// shows, so it would wait for it forever.
struct Box {
    std::string text;
    bool errorIcon;
    std::vector<std::string> logged;   // the log's new lines while the box was up
};
std::vector<Box> g_boxes;
const LogTail* g_tail = nullptr;

BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM)
{
    HWND text = GetDlgItem(hwnd, 0xFFFF);
    if (!IsWindowVisible(hwnd) || text == nullptr || GetPropA(hwnd, "answered"))
        return TRUE;
    SetPropA(hwnd, "answered", reinterpret_cast<HANDLE>(1));
    HWND icon = GetDlgItem(hwnd, 0x0440);
    bool error = icon && reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) ==
                             LoadIconA(nullptr, IDI_HAND);
    g_boxes.push_back({WindowText(text), error, g_tail->Messages()});
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    CreateDirectoryA("screenshots", nullptr);
    SaveScreenshot(hwnd, "screenshots\\internal-error.bmp");
    Sleep(200);   // ticks pile up behind the box
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

BOOL CALLBACK Abort(HWND hwnd, LPARAM)
{
    EndDialog(hwnd, IDABORT);
    return TRUE;
}

DWORD g_started = 0;
void CALLBACK LookForBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0);
    // A dialog that swallows the fault would wait for ever.
    if (GetTickCount() - g_started > 10000)
        EnumThreadWindows(GetCurrentThreadId(), Abort, 0);
}
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
        g_tail = &tail;
        g_boxes.clear();
        g_started = GetTickCount();
        UINT_PTR looking = SetTimer(nullptr, 0, 20, LookForBoxes);

        CHECK(dialog.DoModal() == IDCANCEL);

        KillTimer(nullptr, looking);
        REQUIRE(g_boxes.size() == 1);
        CHECK(g_boxes[0].text == rows[i].text);
        CHECK(g_boxes[0].errorIcon);
        CHECK(g_boxes[0].logged == std::vector<std::string>{rows[i].text});
        std::vector<std::string> logged = tail.Messages();
        CHECK_FALSE(logged.empty());
        CHECK(std::all_of(logged.begin(), logged.end(),
                          [&](const std::string& m) { return m == rows[i].text; }));
        CHECK(dialog.m_hWnd == nullptr);
        CHECK_FALSE(PumpPendingMessages());   // a running installation stops
        DrainMessageQueue();
    }
}
