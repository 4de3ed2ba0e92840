#include "download/LowerCase.h"
#include <windows.h>

std::string LowerCase(std::string text)
{
    if (!text.empty())
        ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}
