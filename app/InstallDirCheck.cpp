#include "app/InstallDirCheck.h"
#include "app/InstallDirPath.h"
#include "app/PrivateFolder.h"
#include "archive/DiskObject.h"
#include "util/InstallLog.h"

namespace {
// Why the directory cannot be used (%s: the directory), noted in the log.
std::string Refusal(const char* format, const std::string& directory)
{
    std::string text = format;
    text.replace(text.find("%s"), 2, directory);
    CInstallLog().WriteLine(text);
    return text;
}
}

// The folders on the way are checked before anything is made in them, and again afterwards:
// a level that another user made in between is no more acceptable than one that was there.
std::string PrepareInstallDir(const std::string& directory, CCaptionFeedback* feedback)
{
    // A bad path would only fail later, in the download and the unpacking.
    if (!IsValidInstallDir(directory))
        return kInvalidInstallDirText;
    if (!OnlyUserCanChange(directory))
        return Refusal(kInstallDirForeignText, directory);
    // A folder is made with its permissions in the one call, or not at all; where the file
    // system keeps none (FAT), they do not matter.
    CPrivateFolderSecurity security;
    if (security.Attributes() == nullptr && VolumeKeepsAcls(directory))
        return Refusal(kInstallDirNotCreatedText, directory);
    CDiskObject disk(feedback);
    if (!disk.BuildFolderTree(directory, security.Attributes()))
        return Refusal(kInstallDirNotCreatedText, directory);
    if (!OnlyUserCanChange(directory))
        return Refusal(kInstallDirForeignText, directory);
    return std::string();
}
