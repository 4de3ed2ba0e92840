#pragma once
// The steps of an installation after the download, each on what it is given.
#include "util/FreeSpace.h"
#include "util/ProgressSink.h"
#include <windows.h>
#include <string>

// The per-user settings folder the archive brings into the installation directory.
const char* const kSettingsFolder = ".norla";

struct Unpacking {
    bool opened = false;
    int count = 0;       // the entries the archive holds
    int failed = 0;      // entries not written
    bool cancelled = false;
};

// Extracts every entry of the archive, in order, into installDir without its first level,
// moving `progress` after every entry and between the blocks of a large one; a stop ends it
// after the current entry, and what is written stays.
// With `archiveFile` (owned by the unpacking from here on), the archive is read through that
// handle, not opened again by its path.
Unpacking UnpackArchive(const std::string& archivePath, const std::string& installDir,
                        CProgressSink& progress, HANDLE archiveFile = nullptr);

// Copies installDir's ".norla" beside the user's desktop folder; `target` tells where to.
// False when the archive brought settings that could not all be copied. The feedback is left
// showing the disk object's last text.
bool CopySettingsFolder(const std::string& installDir, CCaptionFeedback* feedback, std::string& target);

// Whether unpacking the archive and copying the settings files it brings fit: all its entries
// on the installation folder's volume, its ".norla" files on the profile's (added to the first
// when that is the same volume). `folder` names where it does not fit. An archive that does
// not open fits: the unpacking says what is wrong with it.
// With `archiveFile`, the archive is read through it, which stays open.
FreeSpace CheckUnpackingSpace(const std::string& archivePath, const std::string& installDir,
                              std::string& folder, HANDLE archiveFile = nullptr);

// The desktop and start-menu shortcuts of the companion application, as asked. The start-menu
// entry carries the description only when the desktop shortcut was asked for in the same run.
// COM is released, and the shell told, only on the start-menu path.
void CreateShortcuts(const std::string& installDir, bool desktopIcon, bool startMenu);

// The folder as the user knows it, without a ".." step.
std::string FullPath(const std::string& path);
