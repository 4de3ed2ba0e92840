#pragma once
// Zip fields are little-endian whatever the machine.
#include <windows.h>

inline WORD ReadWord(const BYTE* p)
{
    return static_cast<WORD>(p[0] | p[1] << 8);
}

inline DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
           static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
}

inline ULONGLONG ReadQword(const BYTE* p)
{
    return static_cast<ULONGLONG>(ReadDword(p)) | static_cast<ULONGLONG>(ReadDword(p + 4)) << 32;
}
