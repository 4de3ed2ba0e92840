#pragma once
// Names that come from outside (the server, the user) before they become part of a path.
#include <string>

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with the superscript digits Windows counts) and
// CONIN$/CONOUT$, with or without an extension and in any case: Windows opens the device
// instead of a file of that name.
bool IsDeviceName(const std::string& name);

// A name that Windows stores as given, inside the folder it is put in: not empty, no path
// separator, drive or stream colon, wildcard or control character, no trailing dot or blank
// (Windows drops them, which also covers "." and ".."), and no device name.
bool IsPlainFileName(const std::string& name);
