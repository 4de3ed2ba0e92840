#pragma once
// The texts the installation shows at its end, filled in: plain functions.
#include <string>

std::string CompletionMessage(const std::string& installDir);
std::string DownloadFailedMessage();
std::string ArchiveFailedMessage(const std::string& archivePath);
std::string EntriesFailedMessage(int failed, int count, const std::string& installDir);
std::string SettingsFailedMessage(const std::string& targetFolder);
// A message up to its first line break; what the install log gets of it.
std::string FirstLine(const std::string& message);

const char* const kCancelledLogLine = "Installation abgebrochen";
const char* const kSignatureInvalidText =
    "Die Signatur des Installationsarchivs ist ungültig. Bitte wenden Sie sich an den Hersteller.";
