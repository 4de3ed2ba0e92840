#include "app/InstallDirPath.h"
#include <windows.h>

namespace {
bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Name characters only; the separators are checked by the caller.
bool HasValidCharacters(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || std::string("<>:\"/|?*").find(c) != std::string::npos)
            return false;
    return true;
}
}

bool IsValidInstallDir(const std::string& directory)
{
    if (directory.size() >= MAX_PATH || directory.empty() || directory.back() != '\\')
        return false;
    if (directory.size() >= 3 && IsDriveLetter(directory[0]) && directory[1] == ':' &&
        directory[2] == '\\')
        return HasValidCharacters(directory.substr(3));
    if (directory.compare(0, 2, "\\\\") != 0)
        return false;
    // A server and a share, each a name of its own.
    size_t serverEnd = directory.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2)
        return false;
    size_t shareEnd = directory.find('\\', serverEnd + 1);
    if (shareEnd == std::string::npos || shareEnd == serverEnd + 1)
        return false;
    return HasValidCharacters(directory.substr(2));
}
