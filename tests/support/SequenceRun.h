#pragma once
// Runs the installation sequence in the real progress window against the real FTP server,
// and collects what it did: message boxes, progress-bar messages, processes it started,
// install log lines.
#include "FtpServer.h"
#include "RecordingSink.h"
#include "UiDriver.h"
#include <windows.h>
#include <doctest.h>
#include <string>
#include <vector>

// Lists of paths and log lines show in full when a comparison fails.
namespace doctest {
template <>
struct StringMaker<std::vector<std::string>> {
    static String convert(const std::vector<std::string>& lines)
    {
        std::string all = "{";
        for (const std::string& line : lines)
            all += (all.size() > 1 ? ", \"" : "\"") + line + "\"";
        return (all + "}").c_str();
    }
};
}

struct BarMessage {
    UINT msg;          // PBM_SETRANGE32 or PBM_SETPOS
    WPARAM wParam;
    LPARAM lParam;
};

struct StartCall {
    std::string application;
    DWORD creationFlags;
    DWORD recordSize;
    DWORD recordFlags;
};

enum class CancelBy { Nothing, CloseBox, Escape };

struct SequenceRun {
    SequenceRun(std::string archiveName, std::string folder)
        : archive(std::move(archiveName)), installDir(std::move(folder)) {}
    std::string archive;        // a file in the test's archives\ folder, served as norla.zip
    std::string servedBytes;    // served as norla.zip instead, when not empty
    std::string installDir;     // ends with a backslash; must exist
    bool desktopIcon = false;
    bool startMenu = false;
    FtpBehaviour server;
    // The benchmarks serve their own files: the server is left as it is, and asked for this.
    bool keepServer = false;
    std::string downloadFileName = "norla.zip";
    // Cancel this long after the window showed (0: not at all).
    CancelBy cancel = CancelBy::Nothing;
    DWORD cancelAfterMs = 0;
    // The window is closed, and the run counted as timed out, after this long without a
    // window to drive.
    DWORD watchdogMs = 30000;
    // When set, the screen is saved to this BMP file while the message box shows.
    std::string screenshot;
    // The setup program's start fails with this error instead of starting it (0: start it).
    DWORD failStartWith = 0;
    std::string setupArguments;   // as after "--" on the installer's command line
};

struct SequenceOutcome {
    INT_PTR result = -2;                     // DoModal's
    int exitCode = -2;                        // the program's, after this installation
    std::vector<SeenWindow> messageBoxes;
    int barWidth = 0;                         // the progress bar's, in pixels
    std::vector<BarMessage> downloadBar;      // the download's range and positions
    std::vector<BarMessage> unpackBar;        // from the unpacking's range on
    std::string titleAtMessage = "garbage";   // the progress window's, while a box shows
    std::vector<StartCall> starts;            // what the setup program's start was asked
    std::vector<std::string> logged;          // the install log's new messages
    // When the phases ended, in Now()'s seconds (0: never): the window's start timer fired,
    // the download's and the unpacking's last bar positions, the window gone.
    double started = 0, downloaded = 0, unpacked = 0, closed = 0;
    bool quitPending = false;
    bool timedOut = false;
    std::string windows;                      // for failure messages
};

// Seconds from the performance counter.
double Now();

SequenceOutcome RunSequence(const SequenceRun& run);
// Whether the run ended with `expected` as its one message box; otherwise says on stderr
// what it saw instead. For the benchmarks, which answer no other window.
bool EndedWithMessage(const SequenceOutcome& outcome, const std::string& expected);

// The same installation in a plain call, with `sink` (or one nobody reads) in the window's
// place: no bar messages or title; the messages it was given stand for the boxes, untitled.
// The result is IDOK when the run finished.
SequenceOutcome RunPlain(const SequenceRun& run, RecordingSink* sink = nullptr);

// The step before: the descriptor lookup as the installation directory page runs it, on a
// connection of its own, which the lookup must close. Gives the lookup's answer.
bool LookUpDescriptorAsPage();

// The archive download as the installation runs it, on theApp's install state (directory,
// archive path, release key), reporting to `sink` or to one nobody reads.
int DownloadAsInstallation(const std::string& fileName, RecordingSink* sink = nullptr);
