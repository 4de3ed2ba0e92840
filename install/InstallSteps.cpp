#include "install/InstallSteps.h"
#include "archive/ArchiveReader.h"
#include "archive/DiskObject.h"
#include "install/CreateShortcut.h"
#include "install/EntryPath.h"
#include <direct.h>
#include <shlobj.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {
const char* const kDesktopLink = "\\Norla Kesto 2.0.lnk";
const char* const kStartMenuFolder = "\\Norla Kesto";
const char* const kStartMenuLink = "\\Norla Kesto\\Norla Kesto 2.0.lnk";
const char* const kShortcutDescription = "Norla Kesto 2.0";
const char* const kShortcutTarget = "\\Norla Kesto.exe";
const char* const kShortcutIcon = "\\kesto.ico";
// Older SDKs' SHCNF_FLUSHNOWAIT; this SDK's value also carries SHCNF_FLUSH, which waits.
const UINT kNotifyFlushNoWait = 0x2000;

bool UnpackEntry(ArchiveReader* reader, int index, const std::string& installDir, ArchiveEntry& entry,
                 const ArchiveBlockReport& report)
{
    if (GetArchiveEntry(reader, index, &entry) != AR_OK)
        return false;
    std::string target = BuildTargetPath(installDir, entry);
    // A shortened path would name another file.
    if (target.size() >= sizeof(entry.name))
        return false;
    strcpy(entry.name, target.c_str());
    return ExtractArchiveEntry(reader, index, entry.name, report) == AR_OK;
}

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH];
    memset(folder, 0, sizeof(folder));
    ::SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE);
    return folder;
}

// Beside the desktop folder: in the user's profile.
std::string SettingsTarget()
{
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\..\\" + kSettingsFolder + "\\";
}

// What the archive's entries lying directly in its ".norla" folder hold: what the settings
// copy will write.
ULONGLONG ArchiveSettingsSize(ArchiveReader* reader)
{
    const std::string folder = std::string("/") + kSettingsFolder + "/";
    ArchiveEntry entry;
    GetArchiveEntry(reader, -1, &entry);
    int count = entry.index;
    ULONGLONG total = 0;
    for (int i = 0; i < count; ++i) {
        if (GetArchiveEntry(reader, i, &entry) != AR_OK)
            continue;
        std::string relative = DropFirstLevel(entry.name);
        if (relative.size() > folder.size() &&
            _strnicmp(relative.c_str(), folder.c_str(), folder.size()) == 0 &&
            relative.find('/', folder.size()) == std::string::npos)
            total += entry.uncompressedSize;
    }
    return total;
}

std::string VolumeOf(const std::string& path)
{
    char volume[MAX_PATH];
    return ::GetVolumePathNameA(path.c_str(), volume, sizeof(volume)) ? volume : "";
}

HRESULT CreateCompanionShortcut(const std::string& dir, const std::string& linkPath,
                                const std::string& description)
{
    return CreateShortcut((dir + kShortcutTarget).c_str(), "", linkPath.c_str(),
                          description.c_str(), SW_SHOWNORMAL, dir.c_str(),
                          (dir + kShortcutIcon).c_str(), 0);
}
}

Unpacking UnpackArchive(const std::string& archivePath, const std::string& installDir,
                        CProgressSink& progress, HANDLE archiveFile)
{
    Unpacking result;
    ArchiveReader* reader = archiveFile ? OpenArchiveFile(archiveFile)
                                        : OpenArchive(archivePath.c_str(), nullptr);
    result.opened = reader != nullptr;
    ArchiveEntry entry;
    GetArchiveEntry(reader, -1, &entry);
    result.count = entry.index;
    progress.SetRange(0, result.count);
    int passes = 0;
    bool goOn = true;
    // A large entry lets input through between its blocks; the bar stays where it was, and
    // a stop asked meanwhile ends the unpacking once the entry is whole.
    int shown = 0;
    ArchiveBlockReport report = [&] { goOn = progress.MoveTo(shown) && goOn; };
    for (int i = 0; i < result.count && goOn; ++i) {
        ++passes;
        // An entry the reader calls corrupt is one entry: the count it gave is the records
        // the archive holds, so the later entries are still worth writing.
        if (!UnpackEntry(reader, i, installDir, entry, report))
            ++result.failed;
        // Escape or the close box: what is written stays, nothing more is.
        goOn = progress.MoveTo(i) && goOn;
        shown = i;
    }
    result.cancelled = !goOn;
    CloseArchive(reader);
    progress.SetPos(passes + 1);
    return result;
}

bool CopySettingsFolder(const std::string& installDir, CCaptionFeedback* feedback, std::string& target)
{
    std::string source = installDir + kSettingsFolder + "\\";
    target = SettingsTarget();
    CDiskObject disk(feedback);
    return disk.CopyFolder(source, target) || !disk.FolderExists(source);
}

FreeSpace CheckUnpackingSpace(const std::string& archivePath, const std::string& installDir,
                              std::string& folder, HANDLE archiveFile)
{
    folder = installDir;
    // The reader owns the handle it reads through; the archive's own stays for the unpacking.
    HANDLE copy = nullptr;
    if (archiveFile && !::DuplicateHandle(::GetCurrentProcess(), archiveFile, ::GetCurrentProcess(),
                                          &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return FreeSpace();
    ArchiveReader* reader = copy ? OpenArchiveFile(copy) : OpenArchive(archivePath.c_str(), nullptr);
    if (!reader)
        return FreeSpace();
    ULONGLONG unpacked = 0;
    GetArchiveUnpackedSize(reader, &unpacked);
    ULONGLONG settings = ArchiveSettingsSize(reader);
    CloseArchive(reader);
    std::string target = SettingsTarget();
    std::string volume = VolumeOf(installDir);
    if (volume.empty() || ::lstrcmpiA(volume.c_str(), VolumeOf(target).c_str()) == 0)
        return CheckFreeSpace(installDir, unpacked + std::min(settings, ULLONG_MAX - unpacked));
    FreeSpace space = CheckFreeSpace(installDir, unpacked);
    if (!space.Fits())
        return space;
    folder = FullPath(target);
    return CheckFreeSpace(target, settings);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

void CreateShortcuts(const std::string& installDir, bool desktopIcon, bool startMenu)
{
    std::string description;
    if (desktopIcon) {
        HRESULT com = ::CoInitialize(nullptr);
        std::string linkPath = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + kDesktopLink;
        description = kShortcutDescription;
        if (SUCCEEDED(com))
            CreateCompanionShortcut(installDir, linkPath, description);
    }
    if (startMenu) {
        std::string programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
        _mkdir((programs + kStartMenuFolder).c_str());
        CreateCompanionShortcut(installDir, programs + kStartMenuLink, description);
        ::CoUninitialize();
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, kNotifyFlushNoWait, nullptr, nullptr);
    }
}
