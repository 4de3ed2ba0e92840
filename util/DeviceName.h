#pragma once
// Names that Windows opens as a device instead of a file or folder.
#include <string>

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits Windows counts) and
// CONIN$/CONOUT$, with or without an extension, trailing blanks before it ignored, in any case.
bool IsDeviceName(const std::string& name);
