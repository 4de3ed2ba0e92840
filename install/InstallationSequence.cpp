#include "install/InstallationSequence.h"
#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "install/InstallMessages.h"
#include "install/InstallSteps.h"
#include "install/StartSetupProgram.h"
#include "util/InstallLog.h"

namespace {
const char* const kAgentName = "NorlaInstaller";

// A quit request that the download's pump met stays queued for the enclosing loops.
bool QuitRequested()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// The installation did not complete: say so, log it, and start nothing.
void ReportFailure(const std::string& message)
{
    theApp.m_dlgProgress.MessageBox(message.c_str(), nullptr, MB_OK | MB_ICONERROR);
    CInstallLog().WriteLine(FirstLine(message));
    theApp.m_dlgProgress.OnOK();
}

// OnCancel has ended the window with Cancel already and left the quit for the program.
void ReportCancel()
{
    CInstallLog().WriteLine(kCancelledLogLine);
}
}

void RunInstallation()
{
    int downloaded = DownloadArchive(kAgentName, theApp.m_strDownloadFileName);
    if (QuitRequested())
        return ReportCancel();
    if (downloaded == kSignatureRefused)
        return ReportFailure(kSignatureInvalidText);
    if (downloaded != 1)
        return ReportFailure(DownloadFailedMessage());

    Unpacking unpacked = UnpackArchive(theApp.m_strArchivePath, theApp.m_strInstallDir,
                                       theApp.m_dlgProgress.m_progress);
    if (unpacked.cancelled)
        return ReportCancel();
    // An archive without entries is of no more use than one that does not open.
    if (!unpacked.opened || unpacked.count == 0)
        return ReportFailure(ArchiveFailedMessage(theApp.m_strArchivePath));
    if (unpacked.failed > 0)
        return ReportFailure(
            EntriesFailedMessage(unpacked.failed, unpacked.count, theApp.m_strInstallDir));

    std::string settingsTarget;
    if (!CopySettingsFolder(theApp.m_strInstallDir, &theApp.m_dlgProgress, settingsTarget))
        return ReportFailure(SettingsFailedMessage(FullPath(settingsTarget)));
    ::CoInitialize(nullptr);
    CreateShortcuts(theApp.m_strInstallDir, theApp.m_bDesktopIcon, theApp.m_bStartMenu);
    theApp.m_dlgProgress.MessageBox(CompletionMessage(theApp.m_strInstallDir).c_str(), nullptr,
                                    MB_OK);
    theApp.m_dlgProgress.OnOK();
    StartSetupProgram(theApp.m_strInstallDir);
}
