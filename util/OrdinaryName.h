#pragma once
// Names that Windows stores as they are written. Windows sends a device name (CON, aux.txt,
// COM1, ...) to the device, drops a name's trailing dots and blanks so that the file gets
// another name, and takes a colon past the drive for a data stream.
#include <string>

// One file or folder name: not a device, no trailing dot or blank, no colon.
bool IsOrdinaryName(const std::string& name);

// An ordinary name that is also one name only: no control character and none of
// \ / : * ? " < > |. The test for names that come from the server or the user.
bool IsPlainFileName(const std::string& name);

// Every part of the path is an ordinary name; "." and ".." and empty parts pass, as they
// name no file. A leading drive ("C:") is skipped.
bool IsOrdinaryPath(const char* path);
