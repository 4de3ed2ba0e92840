#include "install/InstallMessages.h"
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::vector<char> text(length > 0 ? length + 1 : 1, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    return text.data();
}
}

std::string CompletionMessage(const std::string& installDir)
{
    return Format("Entpacken abgeschlossen.\n"
                  "Der Installer für Norla Veltro 2024 startet nun automatisch.\n"
                  "Falls nicht, führen Sie bitte den Installer manuell aus (%s).",
                  (installDir + "norla2024.exe").c_str());
}

std::string DownloadFailedMessage()
{
    return "Das Installationsarchiv konnte nicht vom Server geladen werden.\n"
           "Bitte prüfen Sie die Internetverbindung und starten Sie die Installation erneut.";
}

std::string ServerArchiveMessage()
{
    return "Auf dem Server wurde kein gültiges Installationsarchiv gefunden.\n"
           "Bitte wenden Sie sich an den Hersteller.";
}

std::string ArchiveWriteMessage(const std::string& folder)
{
    return Format("Das Installationsarchiv konnte nicht nach %s geschrieben werden.\n"
                  "Bitte prüfen Sie die Zugriffsrechte und starten Sie die Installation erneut.",
                  folder.c_str());
}

std::string DiskSpaceMessage(const std::string& installDir, ULONGLONG needed, ULONGLONG available)
{
    return Format("Auf dem Laufwerk von %s ist nicht genügend Speicherplatz frei.\n"
                  "Benötigt werden %s MB, frei sind %s MB. Bitte schaffen Sie Platz und starten "
                  "Sie die Installation erneut.",
                  installDir.c_str(), FormatMegabytes(needed, true).c_str(),
                  FormatMegabytes(available, false).c_str());
}

std::string FormatMegabytes(ULONGLONG bytes, bool roundUp)
{
    const ULONGLONG kMegabyte = 1048576;
    ULONGLONG megabytes = bytes / kMegabyte + (roundUp && bytes % kMegabyte != 0 ? 1 : 0);
    std::string digits = std::to_string(megabytes);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ".");
    return digits;
}

std::string ArchiveFailedMessage(const std::string& archivePath)
{
    return Format("Das Installationsarchiv %s konnte nicht geöffnet werden.\n"
                  "Bitte starten Sie die Installation erneut.",
                  archivePath.c_str());
}

std::string EntriesFailedMessage(int failed, int count, const std::string& installDir)
{
    return Format("%d von %d Dateien konnten nicht entpackt werden.\n"
                  "Bitte prüfen Sie Speicherplatz und Zugriffsrechte in %s und starten Sie "
                  "die Installation erneut.",
                  failed, count, installDir.c_str());
}

std::string SettingsFailedMessage(const std::string& targetFolder)
{
    return Format("Die Einstellungen konnten nicht nach %s kopiert werden.", targetFolder.c_str());
}

std::string FirstLine(const std::string& message)
{
    return message.substr(0, message.find('\n'));
}
