#include "download/PlainFileName.h"
#include <windows.h>
#include <algorithm>

namespace {
bool EqualsIgnoringCase(const std::string& text, const char* word)
{
    return ::lstrcmpiA(text.c_str(), word) == 0;
}

bool IsNumberedDevice(const std::string& base)
{
    if (base.size() != 4)
        return false;
    std::string stem = base.substr(0, 3);
    if (!EqualsIgnoringCase(stem, "COM") && !EqualsIgnoringCase(stem, "LPT"))
        return false;
    unsigned char digit = static_cast<unsigned char>(base[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}
}

bool IsDeviceName(const std::string& name)
{
    // The device is named by what comes before the first dot, trailing blanks ignored.
    std::string base = name.substr(0, name.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualsIgnoringCase(base, device))
            return true;
    return IsNumberedDevice(base);
}

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
