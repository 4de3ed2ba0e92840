// /quiet and /passive: the pages' checks and the installation, without a question to anyone.
#include "app/DownloadEntry.h"
#include "app/InstallDirCheck.h"
#include "app/InstallDirDlg.h"
#include "app/LicenseFetch.h"
#include "app/SetupApp.h"
#include "app/SharedSession.h"
#include "download/ConnectionReport.h"
#include "framework/Internet.h"
#include <memory>

namespace {
const char* const kNoLicenseLog = "Keine gültige Lizenz auf dem Server";
const char* const kNoListingLog = "Startverzeichnis des Servers nicht lesbar";

// /quiet: nothing to show and nobody to stop it. Failures are in the log already.
class CQuietRun : public CProgressSink, public CInstallationReporter {
public:
    void SetRange(int, int) override {}
    bool MoveTo(int) override { return true; }
    void SetPos(int) override {}
    void SetStatusText(const std::string&) override {}
    void ShowMessage(const std::string&, UINT) override {}
    void Finish() override {}
    bool StopRequested() override { return false; }
};

// /passive: the progress window without its message boxes.
class CPassiveReporter : public CInstallationReporter {
public:
    explicit CPassiveReporter(CProgressDlg& window) : m_window(window) {}
    void ShowMessage(const std::string&, UINT) override {}
    void Finish() override { m_window.Finish(); }
    bool StopRequested() override { return m_window.StopRequested(); }

private:
    CProgressDlg& m_window;
};

CFtpConnection* Connect(CInstallLog& log)
{
    CFtpConnection* connection = OpenSharedSession() ? ConnectAndLog(*theApp.m_pSession, log) : nullptr;
    if (connection == nullptr)
        log.WriteLine(kNoConnectionText);
    return connection;
}
}

// The licence is still fetched: accepting terms nobody could read would mean nothing.
bool CSetupApp::AcceptLicenseUnattended()
{
    CInstallLog log;
    std::unique_ptr<CFtpConnection> connection(Connect(log));
    if (!connection)
        return false;
    LicenseFetch fetched = FetchLicense(*connection, log, m_pReleaseKey, m_nMinRelease);
    connection->Close();
    if (fetched.listed && fetched.rows.empty())
        log.WriteLine(kNoLicenseLog);
    return !fetched.rows.empty();
}

bool CSetupApp::FindDownloadUnattended()
{
    CInstallLog log;
    m_pFtpConnection = Connect(log);
    if (m_pFtpConnection == nullptr)
        return false;
    if (FindDownloadDescriptor())
        return true;
    log.WriteLine(kNoListingLog);
    return false;
}

// In the pages' order: licence, directory, descriptor, then the installation.
int CSetupApp::RunUnattended()
{
    if (!AcceptLicenseUnattended())
        return kExitFailed;
    m_strInstallDir = m_commandLine.dir.value_or(kDefaultInstallDir);
    if (!PrepareInstallDir(m_strInstallDir, nullptr).empty() || !FindDownloadUnattended())
        return kExitFailed;
    if (m_commandLine.quiet) {
        CQuietRun quiet;
        Install(quiet, nullptr, quiet);
    } else {
        m_dlgProgress.SetRun([this](CProgressDlg& window) {
            CPassiveReporter reporter(window);
            Install(window, &window, reporter);
        });
        m_pMainWnd = &m_dlgProgress;
        m_dlgProgress.DoModal();
        m_pMainWnd = nullptr;
    }
    ReleaseSharedSession();
    return InstallExitCode();
}
