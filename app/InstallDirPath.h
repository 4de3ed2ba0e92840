#pragma once
// What the installation directory page accepts as a directory to install into.
#include <string>

// True for an absolute path "X:\..." or "\\server\share\..." that ends with a backslash,
// fits in MAX_PATH and holds no character Windows forbids in a name.
bool IsValidInstallDir(const std::string& directory);
