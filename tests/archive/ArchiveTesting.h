#pragma once
// The archive reader's tests: samples made by zip tools before the run, fresh folders
// beside them, archives built byte by byte, and an opened reader that closes itself.
#include "Files.h"
#include "archive/ArchiveReader.h"
#include <windows.h>
#include <string>

// Absolute path of a sample made by make_samples.py ("unix.zip", "src\\big.txt").
std::string SamplePath(const std::string& name);
// An empty folder of the given name under the scratch folder, with a trailing backslash.
std::string FreshFolder(const std::string& name);

class ZipBuilder;
// Builds the archive into the folder as "built.zip" and gives its path; empty on failure.
std::string WriteArchive(const ZipBuilder& builder, const std::string& folder);
// UTC calendar time as a file time, for expectations.
ULONGLONG UtcTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);

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
