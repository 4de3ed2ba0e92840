#include "install/InstallationSequence.h"
#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "archive/ArchiveReader.h"
#include "archive/DiskObject.h"
#include "download/ArchiveDownload.h"
#include "install/CreateShortcut.h"
#include "install/EntryPath.h"
#include "install/InstallMessages.h"
#include "install/StartSetupProgram.h"
#include "util/InstallLog.h"
#include <direct.h>
#include <shlobj.h>
#include <cstring>

namespace {
const char* const kAgentName = "NorlaInstaller";
const char* const kSettingsSource = ".norla\\";
const char* const kSettingsTarget = "\\..\\.norla\\";
const char* const kDesktopLink = "\\Norla Kesto 2.0.lnk";
const char* const kStartMenuFolder = "\\Norla Kesto";
const char* const kStartMenuLink = "\\Norla Kesto\\Norla Kesto 2.0.lnk";
const char* const kShortcutDescription = "Norla Kesto 2.0";
const char* const kShortcutTarget = "\\Norla Kesto.exe";
const char* const kShortcutIcon = "\\kesto.ico";
// Older SDKs' SHCNF_FLUSHNOWAIT; this SDK's value also carries SHCNF_FLUSH, which waits.
const UINT kNotifyFlushNoWait = 0x2000;

struct Unpacking {
    bool opened = false;
    int count = 0;
    int failed = 0;
    bool cancelled = false;
};

// A quit request that the download's pump met stays queued for the enclosing loops.
bool QuitRequested()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

bool UnpackEntry(ArchiveReader* reader, int index, ArchiveEntry& entry)
{
    if (GetArchiveEntry(reader, index, &entry) != AR_OK)
        return false;
    std::string target = BuildTargetPath(theApp.m_strInstallDir, entry);
    // A shortened path would name another file.
    if (target.size() >= sizeof(entry.name))
        return false;
    strcpy(entry.name, target.c_str());
    return ExtractArchiveEntry(reader, index, entry.name) == AR_OK;
}

Unpacking UnpackArchive(CProgressCtrl& bar)
{
    Unpacking result;
    ArchiveReader* reader = OpenArchive(theApp.m_strArchivePath.c_str(), nullptr);
    result.opened = reader != nullptr;
    ArchiveEntry entry;
    GetArchiveEntry(reader, -1, &entry);
    result.count = entry.index;
    bar.SetRange32(0, result.count);
    int passes = 0;
    for (int i = 0; i < result.count; ++i) {
        ++passes;
        // An entry the reader calls corrupt is one entry: the count it gave is the records
        // the archive holds, so the later entries are still worth writing.
        if (!UnpackEntry(reader, i, entry))
            ++result.failed;
        bar.SetPos(i);
        // Escape or the close box: what is written stays, nothing more is.
        if (!PumpPendingMessages()) {
            result.cancelled = true;
            break;
        }
    }
    CloseArchive(reader);
    bar.SetPos(passes + 1);
    return result;
}

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH];
    memset(folder, 0, sizeof(folder));
    ::SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE);
    return folder;
}

// ".norla" beside the user's desktop folder, into target. False when the archive brought
// settings that could not all be copied. The progress window's title is left showing the
// disk object's last text.
bool CopySettingsFolder(std::string& target)
{
    std::string source = theApp.m_strInstallDir + kSettingsSource;
    target = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + kSettingsTarget;
    CDiskObject disk(&theApp.m_dlgProgress);
    return disk.CopyFolder(source, target) || !disk.FolderExists(source);
}

// The folder as the user knows it, without the ".." step.
std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

HRESULT CreateCompanionShortcut(const std::string& linkPath, const std::string& description)
{
    const std::string& dir = theApp.m_strInstallDir;
    return CreateShortcut((dir + kShortcutTarget).c_str(), "", linkPath.c_str(),
                          description.c_str(), SW_SHOWNORMAL, dir.c_str(),
                          (dir + kShortcutIcon).c_str(), 0);
}

// The start-menu entry carries the description only when the desktop shortcut was asked
// for in the same run. COM is released, and the shell told, only on the start-menu path.
void CreateShortcuts()
{
    std::string description;
    if (theApp.m_bDesktopIcon) {
        HRESULT com = ::CoInitialize(nullptr);
        std::string linkPath = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + kDesktopLink;
        description = kShortcutDescription;
        if (SUCCEEDED(com))
            CreateCompanionShortcut(linkPath, description);
    }
    if (theApp.m_bStartMenu) {
        std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
        _mkdir((programs + kStartMenuFolder).c_str());
        CreateCompanionShortcut(programs + kStartMenuLink, description);
        ::CoUninitialize();
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, kNotifyFlushNoWait, nullptr, nullptr);
    }
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
    if (downloaded != 1)
        return ReportFailure(DownloadFailedMessage());

    Unpacking unpacked = UnpackArchive(theApp.m_dlgProgress.m_progress);
    if (unpacked.cancelled)
        return ReportCancel();
    // An archive without entries is of no more use than one that does not open.
    if (!unpacked.opened || unpacked.count == 0)
        return ReportFailure(ArchiveFailedMessage(theApp.m_strArchivePath));
    if (unpacked.failed > 0)
        return ReportFailure(
            EntriesFailedMessage(unpacked.failed, unpacked.count, theApp.m_strInstallDir));

    std::string settingsTarget;
    if (!CopySettingsFolder(settingsTarget))
        return ReportFailure(SettingsFailedMessage(FullPath(settingsTarget)));
    ::CoInitialize(nullptr);
    CreateShortcuts();
    theApp.m_dlgProgress.MessageBox(CompletionMessage(theApp.m_strInstallDir).c_str(), nullptr,
                                    MB_OK);
    theApp.m_dlgProgress.OnOK();
    StartSetupProgram(theApp.m_strInstallDir);
}
