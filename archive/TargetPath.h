#pragma once
// Where an extracted entry goes: plain functions over target paths.
#include <string>

// A path is absolute when it starts with a separator or with a drive ("C:").
bool IsAbsolutePath(const char* path);

// Whether every part of the path names an ordinary file or folder. Windows sends a device
// name (CON, aux.txt, COM1, ...) to the device, drops a part's trailing dots and blanks so
// that the file gets another name, and takes a colon past the drive for a data stream.
bool IsOrdinaryPath(const char* path);

struct SplitPath {
    std::string folder;   // up to and including the last separator; empty if there is none
    std::string name;
};
SplitPath SplitTargetPath(const char* targetPath);

// Creates base (when given and missing) and then base + folder level by level.
// Failures are left for the file creation that follows to notice.
void MakeFolderChain(const char* base, const std::string& folder);
