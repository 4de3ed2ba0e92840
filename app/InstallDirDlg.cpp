#include "app/InstallDirDlg.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"

CInstallDirDlg::CInstallDirDlg() : CDialog(IDD_INSTALL_DIR)
{
}

BOOL CInstallDirDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_picture.Prepare(m_hWnd, IDB_INSTALL_DIR_PICTURE);
    SetWindowText("Installation Norla Veltro 2024 - Installationsverzeichnis auswählen");
    return TRUE;
}

// "Beenden" and Enter.
void CInstallDirDlg::OnOK()
{
    ReleaseSharedSession();
    EndDialog(IDOK);
}

// Close box and Escape.
void CInstallDirDlg::OnCancel()
{
    ReleaseSharedSession();
    EndDialog(IDCANCEL);
}

BOOL CInstallDirDlg::OnEraseBkgnd(HDC hDC)
{
    return m_picture.Draw(hDC);
}
