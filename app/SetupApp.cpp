#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "app/InfoDlg.h"
#include "app/SharedSession.h"
#include "util/InstallLog.h"

CSetupApp theApp;

CSetupApp::CSetupApp() : m_dlgProgress(IDD_PROGRESS, IDB_PROGRESS_PICTURE, IDC_PROGRESS_BAR)
{
    m_dlgProgress.SetRun([this](CProgressDlg& progress) { Install(progress, &progress, progress); });
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

void CSetupApp::Install(CProgressSink& progress, CCaptionFeedback* feedback,
                        CInstallationReporter& reporter)
{
    InstallationState state;
    state.downloadFileName = m_strDownloadFileName;
    state.installDir = m_strInstallDir;
    state.desktopIcon = m_bDesktopIcon;
    state.startMenu = m_bStartMenu;
    state.releaseKey = m_pReleaseKey;
    state.archivePath = m_strArchivePath;
    RunInstallation(state, progress, feedback, reporter);
    m_strArchivePath = state.archivePath;
}

void CSetupApp::LogInternalError(const std::string& text)
{
    CInstallLog().WriteLine(text);
}
