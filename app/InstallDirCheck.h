#pragma once
// The directory page's rules for the installation directory, shared with unattended runs.
#include "util/ProgressSink.h"
#include <string>

const char* const kInvalidInstallDirText =
    "Bitte geben Sie ein gültiges Installationsverzeichnis an (zum Beispiel C:\\Norla024_install\\).";
// %s: the directory.
const char* const kInstallDirNotCreatedText =
    "Das Installationsverzeichnis %s konnte nicht angelegt werden.";
// %s: the directory.
const char* const kInstallDirForeignText =
    "Das Installationsverzeichnis %s kann von anderen Benutzern verändert werden. "
    "Bitte wählen Sie ein anderes Verzeichnis.";

// Checks `directory` (ending with a backslash) and creates what is missing of it with the
// private folder's permissions; the disk object reports to `feedback` (may be null). Empty
// when the directory can be installed into, else the text that says why not; a refusal after
// the path was found valid is also in the install log.
std::string PrepareInstallDir(const std::string& directory, CCaptionFeedback* feedback);
