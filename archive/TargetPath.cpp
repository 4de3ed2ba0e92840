#include "archive/TargetPath.h"
#include <windows.h>
#include <cstring>

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
