#pragma once
// Runs the installation sequence in the real progress window against the real FTP server,
// and collects what it did: message boxes, progress-bar messages, processes it started,
// install log lines.
#include "FtpServer.h"
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
    // Cancel when the unpacking sets the bar to this position (after that entry is written).
    CancelBy cancel = CancelBy::Nothing;
    int cancelAtPosition = -1;
    // Or this long after the window showed (0: not by time).
    DWORD cancelAfterMs = 0;
    // When set, the screen is saved to this BMP file while the message box shows.
    std::string screenshot;
    // The setup program's start fails with this error instead of starting it (0: start it).
    DWORD failStartWith = 0;
};

struct SequenceOutcome {
    INT_PTR result = -2;                     // DoModal's
    std::vector<SeenWindow> messageBoxes;
    int barWidth = 0;                         // the progress bar's, in pixels
    std::vector<BarMessage> downloadBar;      // the download's range and positions
    std::vector<BarMessage> unpackBar;        // from the unpacking's range on
    std::string titleAtMessage = "garbage";   // the progress window's, while a box shows
    std::vector<StartCall> starts;            // what the setup program's start was asked
    std::vector<std::string> logged;          // the install log's new messages
    bool quitPending = false;
    bool timedOut = false;
    std::string windows;                      // for failure messages
};

SequenceOutcome RunSequence(const SequenceRun& run);

// The step before: the descriptor lookup as the installation directory page runs it, on a
// connection of its own, which the lookup must close. Gives the lookup's answer.
bool LookUpDescriptorAsPage();
