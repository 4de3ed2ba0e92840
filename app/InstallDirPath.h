#pragma once
// What the installation directory page accepts as a directory to install into.
#include "install/StartSetupProgram.h"
#include <cstddef>
#include <string>

// The longest directory the rest of the installation can use: the setup program's name
// must still fit behind it in a path of at most MAX_PATH - 1 characters.
const size_t kMaxInstallDirLength = 259 - std::char_traits<char>::length(kSetupProgram);   // 246

// True for an absolute path "X:\..." or "\\server\share\..." that ends with a backslash, is
// at most kMaxInstallDirLength long, and whose every part is a name Windows stores as
// written: no forbidden character, no trailing dot or blank, no device name, no "." or "..".
bool IsValidInstallDir(const std::string& directory);
