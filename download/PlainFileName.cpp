#include "download/PlainFileName.h"
#include <windows.h>
#include <algorithm>

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    bool oddCharacter = std::any_of(name.begin(), name.end(), [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || std::string("\\/:*?\"<>|").find(c) != std::string::npos;
    });
    return !oddCharacter && !IsDeviceName(name);
}
