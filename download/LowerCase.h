#pragma once
#include <string>

// Lower case of the Windows code page, so that "Ä" becomes "ä" as well: server names are
// compared this way.
std::string LowerCase(std::string text);
