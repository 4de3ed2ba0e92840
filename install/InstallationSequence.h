#pragma once
// Everything the installer does once the progress window is up; run by its start timer.
#include "install/StartSetupProgram.h"
#include "util/ProgressSink.h"
#include <windows.h>
#include <string>

// The install state's values that the installation reads, and the archive path it finds.
struct InstallationState {
    std::string downloadFileName;
    std::string installDir;            // ends with a backslash
    bool desktopIcon = false;
    bool startMenu = false;
    const unsigned char* releaseKey = nullptr;   // the vendor's key, when built with one
    unsigned long minRelease = 1;                // the oldest signed release it installs
    std::string archivePath;           // set by the download once the listing shows the archive
    std::string setupArguments;        // after the setup program's quoted path, as written
    bool copySettings = true;          // false where there is no user to copy them for
    bool keepSetupProcess = false;     // hand the started setup program's process back
};

enum class InstallationEnd { Installed, Cancelled, Failed };

struct InstallationOutcome {
    InstallationEnd end = InstallationEnd::Failed;
    SetupStart setup = SetupStart::NotStarted;   // how the setup program was started, once installed
    HANDLE setupProcess = nullptr;   // with keepSetupProcess and a direct start; the caller closes it
};

// Where the installation says how it ended: the progress window.
class CInstallationReporter {
public:
    virtual ~CInstallationReporter() = default;
    // A message box over the window, with the program's name as its title.
    virtual void ShowMessage(const std::string& text, UINT type) = 0;
    // Ends the window with OK.
    virtual void Finish() = 0;
    // The user's Escape or close box met during a step, waiting for the program's end.
    virtual bool StopRequested() = 0;
};

// Says how it ended; the failures and the cancel are in the install log.
InstallationOutcome RunInstallation(InstallationState& state, CProgressSink& progress,
                     CCaptionFeedback* feedback, CInstallationReporter& reporter);
