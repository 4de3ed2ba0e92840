#pragma once
// Writes one shell link (.lnk) through the shell's own link object. COM must be
// initialised on the calling thread.
#include <windows.h>

// E_INVALIDARG for a rejected argument (nothing is created or touched); otherwise the
// failure of creating the link object or of asking it for IPersistFile, or the result of
// the save. Empty description, working directory and icon file leave those unset; a show
// command of 0 leaves the shell's default. Link paths over 259 characters are refused.
HRESULT CreateShortcut(const char* target, const char* arguments, const char* linkPath,
                       const char* description, int showCommand, const char* workingDirectory,
                       const char* iconFile, int iconIndex);
