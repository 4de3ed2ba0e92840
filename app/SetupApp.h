#pragma once
// The application object and the install state shared by the pages and the installation run.
#include "app/CommandLine.h"
#include "app/InstallerLock.h"
#include "framework/WinApp.h"
#include "install/ProgressDlg.h"
#include <string>

// Exit codes, as deployment tools know them from other installers.
const int kExitInstalled = ERROR_SUCCESS;
const int kExitCancelled = ERROR_INSTALL_USEREXIT;               // 1602
const int kExitFailed = ERROR_INSTALL_FAILURE;                   // 1603
const int kExitAlreadyRunning = ERROR_INSTALL_ALREADY_RUNNING;   // 1618
const int kExitBadCommandLine = ERROR_INVALID_COMMAND_LINE;      // 1639

class CFtpConnection;
class CInternetSession;

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Into the install log; the run has failed.
    void LogInternalError(const std::string& text) override;
    // What the progress window's start timer runs: the installation on the install state,
    // reporting to the window (or to whatever stands in for it).
    void Install(CProgressSink& progress, CCaptionFeedback* feedback, CInstallationReporter& reporter);

    // A failure, once set, stays the exit code.
    void SetExitCode(int code);
    // The exit code of the installation that ran; an unattended run first waits for the
    // setup program and passes on its failure.
    int InstallExitCode();

    CommandLine m_commandLine;   // as the program was started

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
    // With the key: the oldest signed release the program installs (NORLA_MIN_RELEASE).
    unsigned long m_nMinRelease = 1;

private:
    bool AcceptCommandLine();
    int RunUnattended();
    bool AcceptLicenseUnattended();
    bool FindDownloadUnattended();

    InstallationOutcome m_installation{InstallationEnd::Cancelled};

    CInstallerLock m_lock;
};

extern CSetupApp theApp;
