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
