#pragma once
// The texts the installation shows at its end, filled in: plain functions.
#include <windows.h>
#include <string>

std::string CompletionMessage(const std::string& installDir);
std::string DownloadFailedMessage();
// The vendor's server offers no usable archive.
std::string ServerArchiveMessage();
// The archive cannot be written into `folder` (its full path) for a reason other than space.
std::string ArchiveWriteMessage(const std::string& folder);
// Too little room on the installation folder's volume; the figures in MB as German writes them.
std::string DiskSpaceMessage(const std::string& installDir, ULONGLONG needed, ULONGLONG available);
// Whole MB of 1,048,576 bytes, rounded up or down, digits grouped by "." ("1.234").
std::string FormatMegabytes(ULONGLONG bytes, bool roundUp);
std::string ArchiveFailedMessage(const std::string& archivePath);
std::string EntriesFailedMessage(int failed, int count, const std::string& installDir);
std::string SettingsFailedMessage(const std::string& targetFolder);
// A message up to its first line break; what the install log gets of it.
std::string FirstLine(const std::string& message);

const char* const kCancelledLogLine = "Installation abgebrochen";
const char* const kSignatureInvalidText =
    "Die Signatur des Installationsarchivs ist ungültig. Bitte wenden Sie sich an den Hersteller.";
const char* const kSettingsNotCopiedLogLine =
    "Als SYSTEM gestartet: Einstellungsordner nicht kopiert (kein Benutzer)";
const char* const kSetupNotStartedLogLine = "Norla2024.exe konnte nicht gestartet werden";
