#pragma once
// The application object and the install state shared by the pages and the installation run.
#include "framework/WinApp.h"
#include "install/ProgressDlg.h"
#include <string>

class CFtpConnection;
class CInternetSession;

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    // Into the install log.
    void LogInternalError(const std::string& text) override;
    // What the progress window's start timer runs: the installation on the install state,
    // reporting to the window (or to whatever stands in for it).
    void Install(CProgressSink& progress, CCaptionFeedback* feedback, CInstallationReporter& reporter);

    std::string m_strArchivePath;         // m_strInstallDir + archive name in lower case
    std::string m_strInstallDir;          // empty or ends with a backslash
    std::string m_strDownloadFileName;    // first line of the download descriptor, lower case
    CFtpConnection* m_pFtpConnection = nullptr;
    bool m_bDesktopIcon = false;
    bool m_bStartMenu = false;
    CProgressDlg m_dlgProgress;
    CInternetSession* m_pSession = nullptr;   // owning; opened on first need
    // The vendor's public key (kReleaseKeySize bytes) when the program was built with one:
    // then only an archive with its valid signature is unpacked.
    const unsigned char* m_pReleaseKey = nullptr;
};

extern CSetupApp theApp;
