#pragma once
// Names that come from outside (the server, the user) before they become part of a path.
#include "util/DeviceName.h"
#include <string>

// A name that Windows stores as given, inside the folder it is put in: not empty, no path
// separator, drive or stream colon, wildcard or control character, no trailing dot or blank
// (Windows drops them, which also covers "." and ".."), and no device name.
bool IsPlainFileName(const std::string& name);
