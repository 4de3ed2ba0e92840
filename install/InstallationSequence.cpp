#include "install/InstallationSequence.h"
#include "download/ArchiveDownload.h"
#include "install/InstallMessages.h"
#include "install/InstallSteps.h"
#include "install/StartSetupProgram.h"
#include "util/InstallLog.h"

namespace {
const char* const kAgentName = "NorlaInstaller";

// The installation did not complete: say so, log it, and start nothing.
InstallationOutcome ReportFailure(CInstallationReporter& reporter, const std::string& message)
{
    reporter.ShowMessage(message, MB_OK | MB_ICONERROR);
    CInstallLog().WriteLine(FirstLine(message));
    reporter.Finish();
    return {InstallationEnd::Failed};
}

// OnCancel has ended the window with Cancel already and left the quit for the program.
InstallationOutcome ReportCancel()
{
    CInstallLog().WriteLine(kCancelledLogLine);
    return {InstallationEnd::Cancelled};
}
}

InstallationOutcome RunInstallation(InstallationState& state, CProgressSink& progress,
                     CCaptionFeedback* feedback, CInstallationReporter& reporter)
{
    // The archive stays open from its download to the unpacking's end: what is unpacked are
    // the bytes that were checked.
    CHandle archiveFile;
    int downloaded = DownloadArchive(kAgentName, state.downloadFileName, state.installDir,
                                     state.archivePath, progress, state.releaseKey,
                                     state.minRelease, &archiveFile);
    if (reporter.StopRequested())
        return ReportCancel();
    if (downloaded == kSignatureRefused)
        return ReportFailure(reporter, kSignatureInvalidText);
    if (downloaded != 1)
        return ReportFailure(reporter, DownloadFailedMessage());

    Unpacking unpacked =
        UnpackArchive(state.archivePath, state.installDir, progress, archiveFile.Detach());
    if (unpacked.cancelled)
        return ReportCancel();
    // An archive without entries is of no more use than one that does not open.
    if (!unpacked.opened || unpacked.count == 0)
        return ReportFailure(reporter, ArchiveFailedMessage(state.archivePath));
    if (unpacked.failed > 0)
        return ReportFailure(reporter,
                             EntriesFailedMessage(unpacked.failed, unpacked.count, state.installDir));

    std::string settingsTarget;
    if (!state.copySettings)
        CInstallLog().WriteLine(kSettingsNotCopiedLogLine);
    else if (!CopySettingsFolder(state.installDir, feedback, settingsTarget))
        return ReportFailure(reporter, SettingsFailedMessage(FullPath(settingsTarget)));
    ::CoInitialize(nullptr);
    CreateShortcuts(state.installDir, state.desktopIcon, state.startMenu);
    reporter.ShowMessage(CompletionMessage(state.installDir), MB_OK);
    reporter.Finish();
    InstallationOutcome outcome{InstallationEnd::Installed};
    outcome.setup = StartSetupProgram(state.installDir, state.setupArguments,
                                      state.keepSetupProcess ? &outcome.setupProcess : nullptr);
    if (outcome.setup == SetupStart::NotStarted)
        CInstallLog().WriteLine(kSetupNotStartedLogLine);
    return outcome;
}
