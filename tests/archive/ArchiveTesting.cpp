#include "ArchiveTesting.h"
#include "ZipBuilder.h"

namespace {
std::string FullPath(const std::string& relative)
{
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? full : relative;
}
}

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

void RemoveTree(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                RemoveTree(path + "\\" + name);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
void ListTree(const std::string& folder, const std::string& prefix, std::set<std::string>& tree)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        tree.insert(prefix + name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListTree(folder + "\\" + name, prefix + name + "\\", tree);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
}

std::set<std::string> Tree(const std::string& folder)
{
    std::set<std::string> tree;
    ListTree(folder, "", tree);
    return tree;
}

std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string WriteArchive(const ZipBuilder& builder, const std::string& folder)
{
    std::string path = folder + "built.zip";
    return WriteBytes(path, builder.Build()) ? path : std::string();
}

ULONGLONG Ticks(const FILETIME& time)
{
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

ULONGLONG UtcTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME calendar = {year, month, 0, day, hour, minute, second, 0};
    FILETIME time = {};
    SystemTimeToFileTime(&calendar, &time);
    return Ticks(time);
}

FileTimes TimesOf(const std::string& path)
{
    FileTimes times;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return times;
    FILETIME creation, access, write;
    if (GetFileTime(file, &creation, &access, &write))
        times = {Ticks(creation), Ticks(access), Ticks(write)};
    CloseHandle(file);
    return times;
}

int OpenedArchive::Count()
{
    ArchiveEntry entry;
    entry.index = -12345;
    return GetArchiveEntry(reader, -1, &entry) == AR_OK ? entry.index : -1;
}

CurrentDirectory::CurrentDirectory(const std::string& folder)
{
    GetCurrentDirectoryA(MAX_PATH, m_previous);
    SetCurrentDirectoryA(folder.c_str());
}

CurrentDirectory::~CurrentDirectory()
{
    SetCurrentDirectoryA(m_previous);
}
