#pragma once
// A modal dialog run from a template. One static dialog procedure stores `this` on
// WM_INITDIALOG and calls one virtual per message the program handles.
#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, HWND hWndParent = nullptr);
    ~CDialog() override = default;

    // Runs the dialog modally; returns the EndDialog result, or -1 when it could not be created.
    INT_PTR DoModal();
    // The first request decides the result: a step that finishes after a cancel does not
    // turn it into OK.
    BOOL EndDialog(INT_PTR nResult);
    // true: controls -> members; false: members -> controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    virtual BOOL OnInitDialog();                 // default: members -> controls, TRUE
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();                         // default: controls -> members, end with IDOK
    virtual void OnCancel();                     // default: end with IDCANCEL
    // Buttons and menu commands; returns TRUE when handled. Default: IDOK, IDCANCEL.
    virtual BOOL OnCommand(UINT id, UINT code);
    virtual void OnTimer(UINT_PTR) {}
    // The handlers below return FALSE to ask for the default processing.
    virtual BOOL OnEraseBkgnd(HDC) { return FALSE; }
    virtual BOOL OnPaint() { return FALSE; }
    virtual BOOL OnSysCommand(UINT, LPARAM) { return FALSE; }
    virtual HICON OnQueryDragIcon() { return nullptr; }
    virtual void OnDestroy() {}

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    HWND m_hWndParent;
    bool m_bEnding = false;   // EndDialog was called in this modal run
};
