#include "install/InstallationSequence.h"
#include "download/ArchiveDownload.h"
#include "install/InstallMessages.h"
#include "install/InstallSteps.h"
#include "install/StartSetupProgram.h"
#include "util/InstallLog.h"

namespace {
const char* const kAgentName = "NorlaInstaller";

// The installation did not complete: say so, log it, and start nothing.
void ReportFailure(CInstallationReporter& reporter, const std::string& message)
{
    reporter.ShowMessage(message, MB_OK | MB_ICONERROR);
    CInstallLog().WriteLine(FirstLine(message));
    reporter.Finish();
}

std::string DownloadFailureMessage(const DownloadOutcome& outcome, const std::string& installDir)
{
    switch (outcome.cause) {
    case DownloadCause::Server:
        return ServerArchiveMessage();
    case DownloadCause::LocalWrite:
        return ArchiveWriteMessage(FullPath(installDir));
    case DownloadCause::NoSpace:
        return DiskSpaceMessage(installDir, outcome.space.needed, outcome.space.available);
    default:
        return DownloadFailedMessage();
    }
}

// OnCancel has ended the window with Cancel already and left the quit for the program.
void ReportCancel()
{
    CInstallLog().WriteLine(kCancelledLogLine);
}
}

void RunInstallation(InstallationState& state, CProgressSink& progress,
                     CCaptionFeedback* feedback, CInstallationReporter& reporter)
{
    DownloadOutcome outcome;
    int downloaded = DownloadArchive(kAgentName, state.downloadFileName, state.installDir,
                                     state.archivePath, progress, state.releaseKey, &outcome);
    if (reporter.StopRequested())
        return ReportCancel();
    if (downloaded == kSignatureRefused)
        return ReportFailure(reporter, kSignatureInvalidText);
    if (downloaded != 1)
        return ReportFailure(reporter, DownloadFailureMessage(outcome, state.installDir));

    // Found short before a byte is unpacked, not half way through.
    std::string tight;
    FreeSpace space = CheckUnpackingSpace(state.archivePath, state.installDir, tight);
    if (!space.Fits()) {
        ::DeleteFileA(state.archivePath.c_str());
        return ReportFailure(reporter, DiskSpaceMessage(tight, space.needed, space.available));
    }

    Unpacking unpacked = UnpackArchive(state.archivePath, state.installDir, progress);
    if (unpacked.cancelled)
        return ReportCancel();
    // An archive without entries is of no more use than one that does not open.
    if (!unpacked.opened || unpacked.count == 0)
        return ReportFailure(reporter, ArchiveFailedMessage(state.archivePath));
    if (unpacked.failed > 0)
        return ReportFailure(reporter,
                             EntriesFailedMessage(unpacked.failed, unpacked.count, state.installDir));

    ::CoInitialize(nullptr);
    std::string settingsTarget;
    if (!CopySettingsFolder(state.installDir, feedback, settingsTarget))
        return ReportFailure(reporter, SettingsFailedMessage(FullPath(settingsTarget)));
    CreateShortcuts(state.installDir, state.desktopIcon, state.startMenu);
    reporter.ShowMessage(CompletionMessage(state.installDir), MB_OK);
    reporter.Finish();
    StartSetupProgram(state.installDir);
}
