#include "install/EntryPath.h"
#include "archive/ArchiveReader.h"
#include <algorithm>

namespace {
struct DosUmlaut {
    char dos;
    char windows;
};
// No replacement is the DOS byte of another row, so the order does not matter.
const DosUmlaut kDosUmlauts[] = {
    {'\x84', '\xE4'},   // ä
    {'\x94', '\xF6'},   // ö
    {'\x81', '\xFC'},   // ü
    {'\x8E', '\xC4'},   // Ä
    {'\x99', '\xD6'},   // Ö
    {'\x9A', '\xDC'},   // Ü
    {'\xE1', '\xDF'},   // ß
};
}

std::string DropFirstLevel(const std::string& name)
{
    size_t slash = name.find('/');
    return slash == std::string::npos ? name : name.substr(slash);
}

void ConvertDosUmlauts(std::string& text)
{
    for (const DosUmlaut& row : kDosUmlauts)
        std::replace(text.begin(), text.end(), row.dos, row.windows);
}

std::string BuildTargetPath(const std::string& installDir, const ArchiveEntry& entry)
{
    std::string relative = DropFirstLevel(entry.name);
    if (!entry.nameUtf8)
        ConvertDosUmlauts(relative);
    return installDir + relative;
}
