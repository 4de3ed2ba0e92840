#include "app/LicenseDlg.h"
#include "app/InstallDirDlg.h"
#include "app/PageHandOver.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"

CLicenseDlg::CLicenseDlg() : CDialog(IDD_LICENSE)
{
}

void CLicenseDlg::OnOK()
{
    UpdateData(TRUE);
    HandOverTo<CInstallDirDlg>(*this);
}

void CLicenseDlg::OnCancel()
{
    ReleaseSharedSession();
    EndDialog(IDCANCEL);
}
