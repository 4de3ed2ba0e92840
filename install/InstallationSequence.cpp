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

enum class EntryOutcome { Written, Failed, Unreadable };

EntryOutcome UnpackEntry(ArchiveReader* reader, int index, ArchiveEntry& entry)
{
    DWORD described = GetArchiveEntry(reader, index, &entry);
    if (described == AR_CORRUPT)
        return EntryOutcome::Unreadable;
    if (described != AR_OK)
        return EntryOutcome::Failed;
    std::string target = BuildTargetPath(theApp.m_strInstallDir, entry);
    // A shortened path would name another file.
    if (target.size() >= sizeof(entry.name))
        return EntryOutcome::Failed;
    strcpy(entry.name, target.c_str());
    return ExtractArchiveEntry(reader, index, entry.name) == AR_OK ? EntryOutcome::Written
                                                                    : EntryOutcome::Failed;
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
        EntryOutcome outcome = UnpackEntry(reader, i, entry);
        // A corrupt directory record: the reader answers the same for every later index, and
        // an end record may claim two billion of them. They all count as not unpacked.
        if (outcome == EntryOutcome::Unreadable) {
            result.failed += result.count - i;
            break;
        }
        if (outcome == EntryOutcome::Failed)
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

// ".norla" beside the user's desktop folder. The progress window's title is left showing
// the disk object's last text.
void CopySettingsFolder()
{
    std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    CDiskObject disk(&theApp.m_dlgProgress);
    disk.CopyFolder(theApp.m_strInstallDir + kSettingsSource, desktop + kSettingsTarget);
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
    if (!unpacked.opened)
        return ReportFailure(ArchiveFailedMessage(theApp.m_strArchivePath));
    if (unpacked.failed > 0)
        return ReportFailure(
            EntriesFailedMessage(unpacked.failed, unpacked.count, theApp.m_strInstallDir));

    ::CoInitialize(nullptr);
    CopySettingsFolder();
    CreateShortcuts();
    theApp.m_dlgProgress.MessageBox(CompletionMessage(theApp.m_strInstallDir).c_str(), nullptr,
                                    MB_OK);
    theApp.m_dlgProgress.OnOK();
    StartSetupProgram(theApp.m_strInstallDir);
}
