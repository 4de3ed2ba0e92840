#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "app/InfoDlg.h"
#include "app/SharedSession.h"
#include "util/InstallLog.h"

CSetupApp theApp;

CSetupApp::CSetupApp() : m_dlgProgress(IDD_PROGRESS, IDB_PROGRESS_PICTURE, IDC_PROGRESS_BAR)
{
}

CSetupApp::~CSetupApp()
{
    ReleaseSharedSession();
}

BOOL CSetupApp::InitInstance()
{
    InitCommonControls();
    CInfoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

void CSetupApp::LogInternalError(const std::string& text)
{
    CInstallLog().WriteLine(text);
}
