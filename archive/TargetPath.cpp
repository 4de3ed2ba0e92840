#include "archive/TargetPath.h"
#include <windows.h>
#include <cstring>

namespace {
bool IsDeviceName(std::string base)
{
    // Windows ignores what follows the first dot and the blanks before it.
    base = base.substr(0, base.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices) {
        if (_stricmp(base.c_str(), device) == 0)
            return true;
    }
    // COM0 to COM9 and LPT0 to LPT9, and the superscript digits one to three.
    if (base.size() != 4 || strchr("0123456789\xB9\xB2\xB3", base[3]) == nullptr || base[3] == '\0')
        return false;
    base.resize(3);
    return _stricmp(base.c_str(), "COM") == 0 || _stricmp(base.c_str(), "LPT") == 0;
}

bool IsOrdinaryPart(const std::string& part)
{
    if (part.empty() || part == "." || part == "..")
        return true;
    char last = part.back();
    return last != '.' && last != ' ' && part.find(':') == std::string::npos && !IsDeviceName(part);
}
}

bool IsOrdinaryPath(const char* path)
{
    const char* rest = path[0] != '\0' && path[1] == ':' ? path + 2 : path;
    for (;;) {
        size_t length = strcspn(rest, "\\/");
        if (!IsOrdinaryPart(std::string(rest, length)))
            return false;
        if (rest[length] == '\0')
            return true;
        rest += length + 1;
    }
}

bool IsAbsolutePath(const char* path)
{
    return path[0] == '\\' || path[0] == '/' || (path[0] != '\0' && path[1] == ':');
}

SplitPath SplitTargetPath(const char* targetPath)
{
    std::string path = targetPath;
    size_t last = path.find_last_of("\\/");
    if (last == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, last + 1), path.substr(last + 1)};
}

void MakeFolderChain(const char* base, const std::string& folder)
{
    if (base && GetFileAttributesA(base) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(base, nullptr);
    if (folder.empty())
        return;
    size_t last = folder.find_last_of("\\/");
    if (last != std::string::npos && last != 0)
        MakeFolderChain(base, folder.substr(0, last));
    std::string path = std::string(base ? base : "") + folder;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(path.c_str(), nullptr);
}
