#include "app/SetupApp.h"
#include "app/res/resource.h"
#include "app/InfoDlg.h"
#include "app/PrivateFolder.h"
#include "app/SharedSession.h"
#include "util/InstallLog.h"
#include <cstdio>

CSetupApp theApp;

namespace {
const char* const kBadCommandLineLog = "Befehlszeile ungültig: ";
const char* const kLicenseNotAcceptedLog = "Lizenz nicht angenommen (/accept-license fehlt)";
const char* const kExitLog = "Beendet mit Code %d";
const char* const kBadSwitchText = "Unbekannter oder fehlerhafter Schalter: ";
const char* const kElevatedLog = "Norla2024.exe über Elevate.dll gestartet: kein Prozess, auf den gewartet werden kann";
const char* const kSetupEndedLog = "Norla2024.exe beendet mit Code %lu";

// Short lines: the message box wraps at a narrow width.
std::string CommandLineHelp()
{
    return std::string("Aufruf: ") + AfxGetAppName() + ".exe [Schalter] [-- Argumente]\n\n"
        "/quiet - ohne Fenster installieren\n"
        "/passive - nur den Fortschritt zeigen, ohne Fragen\n"
        "/accept-license - die Lizenz annehmen\n"
        "/dir=PFAD - Installationsverzeichnis\n"
        "/desktop-icon - Verknüpfung auf dem Desktop\n"
        "/start-menu - Eintrag im Startmenü\n"
        "/log=DATEI - Protokoll auch in DATEI schreiben\n"
        "/? - diese Übersicht\n"
        "-- ARGUMENTE - alles danach erhält Norla2024.exe\n\n"
        "Schalter auch mit -, in Groß- oder Kleinschreibung;\n"
        "/quiet und /passive nur mit /accept-license.\n\n"
        "Rückgabewerte:\n"
        "0 installiert\n"
        "1602 abgebrochen\n"
        "1603 fehlgeschlagen\n"
        "1618 eine andere Installation läuft\n"
        "1639 Befehlszeile ungültig";
}
}

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
    if (m_commandLine.logFile)
        CInstallLog::SetCopyPath(*m_commandLine.logFile);
    if (!AcceptCommandLine())
        return FALSE;
    if (!m_lock.Take()) {
        if (!m_commandLine.IsUnattended())
            ShowRunningInstaller();
        m_nExitCode = kExitAlreadyRunning;
        return FALSE;
    }
    m_bDesktopIcon = m_commandLine.desktopIcon;
    m_bStartMenu = m_commandLine.startMenu;
    if (m_commandLine.IsUnattended()) {
        m_nExitCode = RunUnattended();
        return FALSE;
    }
    // Leaving the pages before an installation ran is the user's cancel.
    m_nExitCode = kExitCancelled;
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
    state.minRelease = m_nMinRelease;
    state.archivePath = m_strArchivePath;
    state.setupArguments = m_commandLine.setupArguments;
    state.copySettings = !RunsAsLocalSystem();
    state.keepSetupProcess = m_commandLine.IsUnattended();
    m_installation = RunInstallation(state, progress, feedback, reporter);
    m_strArchivePath = state.archivePath;
}

int CSetupApp::InstallExitCode()
{
    CHandle process(m_installation.setupProcess);
    m_installation.setupProcess = nullptr;
    if (m_installation.end == InstallationEnd::Cancelled)
        return kExitCancelled;
    if (m_installation.end == InstallationEnd::Failed || m_installation.setup == SetupStart::NotStarted)
        return kExitFailed;
    if (m_installation.setup == SetupStart::Elevated && m_commandLine.IsUnattended())
        CInstallLog().WriteLine(kElevatedLog);
    if (!process.IsValid())
        return kExitInstalled;
    // No window is left to answer: the progress window has ended, if there was one.
    DWORD code = kExitInstalled;
    if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.Get(), &code))
        return kExitFailed;
    char line[80];
    std::snprintf(line, sizeof(line), kSetupEndedLog, code);
    CInstallLog().WriteLine(line);
    return static_cast<int>(code);
}

// False when the program ends here: help shown, or a command line it cannot follow.
bool CSetupApp::AcceptCommandLine()
{
    const CommandLine& line = m_commandLine;
    std::string text;
    switch (line.error) {
    case CommandLine::Error::BadArgument:
        CInstallLog().WriteLine(kBadCommandLineLog + line.badArgument);
        text = kBadSwitchText + line.badArgument + "\n\n";
        break;
    case CommandLine::Error::LicenseNotAccepted:
        CInstallLog().WriteLine(kLicenseNotAcceptedLog);
        break;
    case CommandLine::Error::None:
        if (!line.showHelp)
            return true;
        break;
    }
    m_nExitCode = line.error == CommandLine::Error::None ? kExitInstalled : kExitBadCommandLine;
    if (!line.IsUnattended()) {
        UINT icon = line.error == CommandLine::Error::None ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
        ::MessageBoxA(nullptr, (text + CommandLineHelp()).c_str(), AfxGetAppName(), MB_OK | icon | MB_SETFOREGROUND);
    }
    return false;
}

int CSetupApp::ExitInstance()
{
    if (m_commandLine.IsUnattended()) {
        char line[40];
        std::snprintf(line, sizeof(line), kExitLog, m_nExitCode);
        CInstallLog().WriteLine(line);
    }
    return m_nExitCode;
}

void CSetupApp::SetExitCode(int code)
{
    if (m_nExitCode != kExitFailed)
        m_nExitCode = code;
}

void CSetupApp::LogInternalError(const std::string& text)
{
    CInstallLog().WriteLine(text);
    SetExitCode(kExitFailed);
}
