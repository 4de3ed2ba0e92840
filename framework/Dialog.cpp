#include "framework/Dialog.h"
#include "framework/Internet.h"
#include "framework/WinApp.h"
#include <cstdio>
#include <exception>

namespace {
const char* const kInternalErrorPrefix = "Interner Fehler: ";

// The text of the exception being handled. Call only inside a catch block.
std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (const CInternetException& e) {
        char text[40];
        std::snprintf(text, sizeof(text), "Internetfehler %lu", e.m_dwError);
        return text;
    } catch (...) {
        return "unbekannte Ausnahme";
    }
}

// A handler failed: leave a trace in the log, tell the user and end the dialog, so that the
// page chain unwinds and the program ends instead of waiting behind a hidden window.
// Called inside a catch block; throws nothing.
void ReportInternalError(CDialog& dialog, HWND hWnd)
{
    // The message box runs a message loop in which the same fault may strike again.
    static bool reporting = false;
    try {
        std::string text = kInternalErrorPrefix + CurrentExceptionText();
        if (CWinApp* app = AfxGetApp())
            app->LogInternalError(text);
        if (!reporting) {
            reporting = true;
            char caption[256] = "";
            ::GetWindowTextA(hWnd, caption, sizeof(caption));
            ::MessageBoxA(hWnd, text.c_str(), caption, MB_OK | MB_ICONERROR);
            reporting = false;
        }
    } catch (...) {
        reporting = false;
    }
    dialog.EndDialog(IDCANCEL);
    // Work that pumps messages meanwhile (a download, the unpacking) stops as for a cancel.
    ::PostQuitMessage(0);
}
}

CDialog::CDialog(UINT nIDTemplate, HWND hWndParent)
    : m_nIDTemplate(nIDTemplate), m_hWndParent(hWndParent)
{
}

INT_PTR CDialog::DoModal()
{
    // The progress bar class lives in comctl32 and must be registered before a template uses it.
    CWinApp::InitCommonControls();
    m_bEnding = false;
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate),
                             m_hWndParent, DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::EndDialog(INT_PTR nResult)
{
    if (m_bEnding)
        return TRUE;
    m_bEnding = true;
    return ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(UINT id, UINT)
{
    switch (id) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

namespace {
// BM_CLICK reaches a button whatever its state: Wine delivers it to disabled and hidden
// buttons, and on Windows any process on the desktop (automation tools, a hostile program) can
// send one. A button that nobody could have clicked does not act, so such a click is dropped.
bool IsUnreachableClick(UINT code, HWND control)
{
    return code == BN_CLICKED && control != nullptr &&
           (!::IsWindowEnabled(control) || !::IsWindowVisible(control));
}

// An automatic check box has toggled itself before it tells the dialog; toggle it back.
void UndoAutoCheck(HWND control)
{
    LONG type = ::GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (type != BS_AUTOCHECKBOX)
        return;
    LRESULT state = ::SendMessageA(control, BM_GETCHECK, 0, 0);
    ::SendMessageA(control, BM_SETCHECK, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
}
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;
    // No exception may cross the system's dispatch code.
    try {
        return self->Dispatch(msg, wParam, lParam);
    } catch (...) {
        ReportInternalError(*self, hWnd);
        return FALSE;
    }
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        // A dialog that its handler did not place opens centred, as a dialog framework's do.
        RECT before;
        ::GetWindowRect(m_hWnd, &before);
        BOOL result = OnInitDialog();
        RECT after;
        ::GetWindowRect(m_hWnd, &after);
        LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
        if (::EqualRect(&before, &after) && !(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)))
            CenterWindow();
        return result;
    }
    case WM_COMMAND:
        if (IsUnreachableClick(HIWORD(wParam), reinterpret_cast<HWND>(lParam))) {
            UndoAutoCheck(reinterpret_cast<HWND>(lParam));
            return TRUE;
        }
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_ERASEBKGND:
        if (!OnEraseBkgnd(reinterpret_cast<HDC>(wParam)))
            return FALSE;
        // "Background erased" travels back through DWLP_MSGRESULT.
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_PAINT:
        return OnPaint();
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam), lParam);
    case WM_QUERYDRAGICON:
        // One of the messages whose result the dialog procedure returns directly.
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        m_hWnd = nullptr;
        return FALSE;
    }
    return FALSE;
}
