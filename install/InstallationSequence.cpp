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
    DownloadOutcome downloadOutcome;
    int downloaded = DownloadArchive(kAgentName, state.downloadFileName, state.installDir,
                                     state.archivePath, progress, state.releaseKey,
                                     state.minRelease, &downloadOutcome, &archiveFile);
    if (reporter.StopRequested())
        return ReportCancel();
    if (downloaded == kSignatureRefused)
        return ReportFailure(reporter, kSignatureInvalidText);
    if (downloaded != 1)
        return ReportFailure(reporter, DownloadFailureMessage(downloadOutcome, state.installDir));

    // Found short before a byte is unpacked, not half way through.
    std::string tight;
    FreeSpace space = CheckUnpackingSpace(state.archivePath, state.installDir, tight,
                                          archiveFile.Get());
    if (!space.Fits()) {
        archiveFile.Close();
        ::DeleteFileA(state.archivePath.c_str());
        return ReportFailure(reporter, DiskSpaceMessage(tight, space.needed, space.available));
    }

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

    ::CoInitialize(nullptr);
    std::string settingsTarget;
    if (!state.copySettings)
        CInstallLog().WriteLine(kSettingsNotCopiedLogLine);
    else if (!CopySettingsFolder(state.installDir, feedback, settingsTarget))
        return ReportFailure(reporter, SettingsFailedMessage(FullPath(settingsTarget)));
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
