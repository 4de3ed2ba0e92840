#pragma once
// Where an extracted entry goes: plain functions over target paths.
#include <string>

// A path is absolute when it starts with a separator or with a drive ("C:").
bool IsAbsolutePath(const char* path);

struct SplitPath {
    std::string folder;   // up to and including the last separator; empty if there is none
    std::string name;
};
SplitPath SplitTargetPath(const char* targetPath);

// Creates base (when given and missing) and then base + folder level by level.
// Failures are left for the file creation that follows to notice.
void MakeFolderChain(const char* base, const std::string& folder);
