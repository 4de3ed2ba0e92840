#include "ArchiveTesting.h"
#include "ZipBuilder.h"

std::string SamplePath(const std::string& name)
{
    // ctest runs the test in its build folder, where the samples are made.
    return FullPath("samples\\" + name);
}

std::string FreshFolder(const std::string& name)
{
    CreateDirectoryA("scratch", nullptr);
    std::string folder = FullPath("scratch\\" + name);
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

std::string WriteArchive(const ZipBuilder& builder, const std::string& folder)
{
    std::string path = folder + "built.zip";
    return WriteBytes(path, builder.Build()) ? path : std::string();
}

ULONGLONG UtcTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME calendar = {year, month, 0, day, hour, minute, second, 0};
    FILETIME time = {};
    SystemTimeToFileTime(&calendar, &time);
    return Ticks(time);
}

int OpenedArchive::Count()
{
    ArchiveEntry entry;
    entry.index = -12345;
    return GetArchiveEntry(reader, -1, &entry) == AR_OK ? entry.index : -1;
}
