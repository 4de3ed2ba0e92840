#pragma once
// Files and folders for the archive reader's tests: samples made by zip tools before the
// run, fresh scratch folders, and what a file looks like afterwards.
#include "archive/ArchiveReader.h"
#include <windows.h>
#include <set>
#include <string>

// Absolute path of a sample made by make_samples.py ("unix.zip", "src\\big.txt").
std::string SamplePath(const std::string& name);
// An empty folder of the given name under the scratch folder, with a trailing backslash.
std::string FreshFolder(const std::string& name);
void RemoveTree(const std::string& path);

bool Exists(const std::string& path);
// Every file and folder below a folder, as paths relative to it.
std::set<std::string> Tree(const std::string& folder);
std::string ReadBytes(const std::string& path);   // "<missing>" when it cannot be read
bool WriteBytes(const std::string& path, const std::string& bytes);
class ZipBuilder;
// Builds the archive into the folder as "built.zip" and gives its path; empty on failure.
std::string WriteArchive(const ZipBuilder& builder, const std::string& folder);
ULONGLONG Ticks(const FILETIME& time);
// UTC calendar time as a file time, for expectations.
ULONGLONG UtcTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);

struct FileTimes {
    ULONGLONG creation = 0, access = 0, write = 0;
};
FileTimes TimesOf(const std::string& path);

// Closes the reader when the test leaves its scope.
struct OpenedArchive {
    explicit OpenedArchive(const std::string& path, const char* password = nullptr)
        : reader(OpenArchive(path.c_str(), password)) {}
    ~OpenedArchive() { CloseArchive(reader); }
    OpenedArchive(const OpenedArchive&) = delete;
    OpenedArchive& operator=(const OpenedArchive&) = delete;
    int Count();
    ArchiveReader* reader;
};

// Runs with the current directory set to a folder, and restores it.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    char m_previous[MAX_PATH];
};
