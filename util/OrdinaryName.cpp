#include "util/OrdinaryName.h"
#include "util/DeviceName.h"
#include <cstring>

bool IsOrdinaryName(const std::string& name)
{
    if (name.empty())
        return false;
    char last = name.back();
    return last != '.' && last != ' ' && name.find(':') == std::string::npos && !IsDeviceName(name);
}

bool IsPlainFileName(const std::string& name)
{
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr)
            return false;
    }
    return IsOrdinaryName(name);
}

bool IsOrdinaryPath(const char* path)
{
    const char* rest = path[0] != '\0' && path[1] == ':' ? path + 2 : path;
    for (;;) {
        size_t length = strcspn(rest, "\\/");
        std::string part(rest, length);
        if (!part.empty() && part != "." && part != ".." && !IsOrdinaryName(part))
            return false;
        if (rest[length] == '\0')
            return true;
        rest += length + 1;
    }
}
