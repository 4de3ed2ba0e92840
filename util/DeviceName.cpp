#include "util/DeviceName.h"
#include <windows.h>
#include <cstring>

bool IsDeviceName(const std::string& name)
{
    // Windows ignores what follows the first dot and the blanks before it.
    std::string base = name.substr(0, name.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices) {
        if (_stricmp(base.c_str(), device) == 0)
            return true;
    }
    // COM0 to COM9 and LPT0 to LPT9, and the superscript digits one to three.
    if (base.size() != 4 || base[3] == '\0' || strchr("0123456789\xB9\xB2\xB3", base[3]) == nullptr)
        return false;
    base.resize(3);
    return _stricmp(base.c_str(), "COM") == 0 || _stricmp(base.c_str(), "LPT") == 0;
}
