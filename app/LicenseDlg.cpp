#include "app/LicenseDlg.h"
#include "app/ConnectionReport.h"
#include "app/InstallDirDlg.h"
#include "app/PageHandOver.h"
#include "app/SetupApp.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"
#include "framework/BlockingCall.h"
#include "framework/Internet.h"
#include <memory>

namespace {
const char* const kCaption = "Norla Kesto Installer";
const char* const kTitle = "Installation Norla Veltro 2024 - Lizenzbestimmungen";
const UINT_PTR kFetchTimer = 1;
}

CLicenseDlg::CLicenseDlg() : CDialog(IDD_LICENSE)
{
}

void CLicenseDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LICENSE_LIST, m_listLicense);
    DDX_Check(pDX, IDC_ACCEPT_LICENSE, m_iAccept);
}

BOOL CLicenseDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    // The page is on screen before the server is asked; nothing can be accepted meanwhile.
    ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), FALSE);
    SetTimer(kFetchTimer, 0);
    return TRUE;
}

void CLicenseDlg::OnTimer(UINT_PTR id)
{
    if (id != kFetchTimer)
        return;
    KillTimer(kFetchTimer);
    m_bWaiting = true;
    bool fetched = FetchAndShow();
    m_bWaiting = false;
    // A Cancel during the wait ends the page only now, once the session is no longer in use.
    if (m_bCancelled)
        return OnCancel();
    ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), TRUE);
    if (!fetched)
        return;
    SetWindowText(kTitle);
    if (m_listLicense.GetCount() == 0)
        ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), FALSE);
    UpdateData(FALSE);
}

// False where the page ends its initialisation early: no session, or no listing.
bool CLicenseDlg::FetchAndShow()
{
    if (!OpenSharedSession())
        return false;
    std::unique_ptr<CFtpConnection> connection(
        RunConnectionReport(*theApp.m_pSession, *this, kCaption, m_log));
    // Without a connection the page goes on as with an empty licence: only "Abbrechen" is left.
    if (connection) {
        LicenseFetch fetched = FetchLicense(*connection, m_log, theApp.m_pReleaseKey, theApp.m_nMinRelease);
        connection->Close();
        if (!fetched.listed)
            return false;
        ShowLicense(fetched.rows);
    }
    return true;
}

void CLicenseDlg::ShowLicense(const std::vector<std::string>& rows)
{
    // The page is on screen by now: one repaint for all the rows, not one a row.
    HWND list = GetDlgItem(IDC_LICENSE_LIST);
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const std::string& row : rows)
        m_listLicense.AddString(row.c_str());
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

BOOL CLicenseDlg::OnCommand(UINT id, UINT code)
{
    if (id == IDC_ACCEPT_LICENSE && code == BN_CLICKED) {
        if (m_bWaiting)
            return TRUE;
        OnAccept();
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

void CLicenseDlg::OnAccept()
{
    UpdateData(TRUE);
    if (m_iAccept == 1)
        ::EnableWindow(GetDlgItem(IDOK), TRUE);
    else if (m_iAccept == 0)
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
}

void CLicenseDlg::OnOK()
{
    if (m_bWaiting)
        return;
    UpdateData(TRUE);
    HandOverTo<CInstallDirDlg>(*this);
}

void CLicenseDlg::OnCancel()
{
    if (m_bWaiting) {
        m_bCancelled = true;
        CancelBlockingCalls();
        return;
    }
    // Closing the session lets messages through: the fetch must not start meanwhile.
    KillTimer(kFetchTimer);
    ReleaseSharedSession();
    EndDialog(IDCANCEL);
}
