#include "app/InstallDirDlg.h"
#include "app/ConnectionReport.h"
#include "app/DownloadEntry.h"
#include "app/FolderBrowser.h"
#include "app/SetupApp.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"
#include "framework/BlockingCall.h"

namespace {
const char* const kCaption = "Update-Service";
const char* const kTitle = "Installation Norla Veltro 2024 - Installationsverzeichnis auswählen";
const char* const kBrowsePrompt = " Bitte Pfad angeben:";

void AppendBackslash(std::string& directory)
{
    if (directory.empty() || directory.back() != '\\')
        directory += '\\';
}
}

CInstallDirDlg::CInstallDirDlg() : CDialog(IDD_INSTALL_DIR)
{
    if (theApp.m_commandLine.dir)
        m_strDirectory = *theApp.m_commandLine.dir;
}

void CInstallDirDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_INSTALL_DIR, m_strDirectory);
    DDX_Check(pDX, IDC_START_MENU, m_iStartMenu);
    DDX_Check(pDX, IDC_DESKTOP_ICON, m_iDesktopIcon);
}

BOOL CInstallDirDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_picture.Prepare(m_hWnd, IDB_INSTALL_DIR_PICTURE);
    m_iDesktopIcon = theApp.m_bDesktopIcon ? 1 : 0;
    m_iStartMenu = theApp.m_bStartMenu ? 1 : 0;
    SetWindowText(kTitle);
    // The shortcut choices stay as the install state has them.
    ::ShowWindow(GetDlgItem(IDC_DESKTOP_ICON), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_START_MENU), SW_HIDE);
    UpdateData(FALSE);
    return TRUE;
}

BOOL CInstallDirDlg::OnCommand(UINT id, UINT code)
{
    // Disabled buttons still get clicks sent to them (BM_CLICK under Wine).
    if (m_bWaiting && id != IDCANCEL)
        return TRUE;
    if (code != BN_CLICKED)
        return CDialog::OnCommand(id, code);
    switch (id) {
    case IDC_BROWSE:
        OnBrowse();
        return TRUE;
    case IDC_START_INSTALL:
        OnStart();
        return TRUE;
    case IDC_DESKTOP_ICON:
        OnDesktopIcon();
        return TRUE;
    case IDC_START_MENU:
        OnStartMenu();
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

void CInstallDirDlg::OnDesktopIcon()
{
    UpdateData(TRUE);
    theApp.m_bDesktopIcon = m_iDesktopIcon != 0;
}

void CInstallDirDlg::OnStartMenu()
{
    UpdateData(TRUE);
    theApp.m_bStartMenu = m_iStartMenu != 0;
}

void CInstallDirDlg::OnBrowse()
{
    CFolderBrowser browser(kBrowsePrompt);
    if (browser.Browse() == 1) {
        m_strDirectory = browser.m_strFolderPath;
        AppendBackslash(m_strDirectory);
        UpdateData(FALSE);
    }
    // Deliberately not read back from the edit field first: what was typed since the last
    // exchange is not taken over here.
    theApp.m_strInstallDir = m_strDirectory;
}

void CInstallDirDlg::OnStart()
{
    UpdateData(TRUE);
    if (m_strDirectory.empty())
        return;
    AppendBackslash(m_strDirectory);
    // Said now, so the user can correct it.
    std::string refusal = PrepareInstallDir(m_strDirectory, this);
    if (!refusal.empty()) {
        Warn(refusal);
        return;
    }
    theApp.m_strInstallDir = m_strDirectory;

    if (!OpenSharedSession())
        return;
    WaitWithButtons(false);
    theApp.m_pFtpConnection = RunConnectionReport(*theApp.m_pSession, *this, kCaption, m_log);
    bool found = theApp.m_pFtpConnection != nullptr && FindDownloadDescriptor();
    WaitWithButtons(true);
    // A Cancel during the wait ends the page only now, once the session is no longer in use.
    if (m_bCancelled)
        return OnCancel();
    if (!found)
        return;
    ShowWindow(SW_HIDE);
    theApp.m_dlgProgress.DoModal();
    theApp.SetExitCode(theApp.InstallExitCode());
    OnOK();
}

// While the page waits for the server only Cancel (Escape, the close box) is left: no second
// start, no second connection.
void CInstallDirDlg::WaitWithButtons(bool done)
{
    if (!done)
        ::SetFocus(GetDlgItem(IDC_INSTALL_DIR));
    for (int id : {IDOK, IDC_BROWSE, IDC_START_INSTALL})
        ::EnableWindow(GetDlgItem(id), done);
    m_bWaiting = !done;
}

void CInstallDirDlg::ShowCaption(const std::string& text)
{
    SetWindowText(text.c_str());
    UpdateData(FALSE);
}

void CInstallDirDlg::Warn(const std::string& text)
{
    MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}

// "Beenden", Enter, and the end of a started installation.
void CInstallDirDlg::OnOK()
{
    ReleaseSharedSession();
    EndDialog(IDOK);
}

// Close box and Escape.
void CInstallDirDlg::OnCancel()
{
    if (m_bWaiting) {
        m_bCancelled = true;
        CancelBlockingCalls();
        return;
    }
    ReleaseSharedSession();
    EndDialog(IDCANCEL);
}

BOOL CInstallDirDlg::OnEraseBkgnd(HDC hDC)
{
    return m_picture.Draw(hDC);
}
