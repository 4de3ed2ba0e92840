#pragma once
// Whether what an installation needs fits on the volume of its folder.
#include <windows.h>
#include <string>

struct FreeSpace {
    ULONGLONG needed = 0;
    ULONGLONG available = 0;   // free bytes this user may take (quotas count)
    bool measured = false;     // false: the volume did not say; nothing is refused on a guess
    bool Fits() const { return !measured || available >= needed; }
};

// Asks the volume of `folder`, or of its nearest existing parent when the folder is not
// made yet.
FreeSpace CheckFreeSpace(const std::string& folder, ULONGLONG needed);
