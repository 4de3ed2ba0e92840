// Runs damaged archives through the reader in one process, as the installation sequence
// would: count, then every index in order, record and extraction into a base folder.
//
//   mutant_runner LIST SANDBOX FIRST PROGRESS
//
// LIST holds one archive path a line; archives from line FIRST (from 0) on are run. SANDBOX
// is an empty folder: each archive extracts into SANDBOX\base\, which is emptied before the
// next, and nothing may appear beside it. Before each archive its line number goes to
// PROGRESS, so a crash names its archive. Prints one line per archive:
//   <line> <milliseconds> <entries> <extracted> <outside>
// and at the end "peak-working-set <bytes>". An archive still running after 10 s ends the
// process with exit code 3, so that a hang names its archive like a crash does.
#include "ArchiveTesting.h"
#include "archive/ArchiveReader.h"
#include <psapi.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {
// A damaged directory of tiny records may still count millions; past this many the run
// stops asking.
const int kMaxIndexes = 100000;
const ULONGLONG kHangMilliseconds = 10000;

// When the running archive started, for the watchdog; 0 between archives.
volatile ULONGLONG g_archiveStart = 0;

DWORD WINAPI Watchdog(void*)
{
    for (;;) {
        Sleep(500);
        ULONGLONG start = g_archiveStart;
        if (start && GetTickCount64() - start > kHangMilliseconds)
            ExitProcess(3);
    }
}

struct Outcome {
    int entries = -1;   // -1: the archive did not open
    int extracted = 0;
};

Outcome RunArchive(const std::string& path, const std::string& base)
{
    Outcome outcome;
    CurrentDirectory current(base);
    ArchiveReader* reader = OpenArchive(path.c_str());
    if (!reader)
        return outcome;
    ArchiveEntry entry;
    if (GetArchiveEntry(reader, -1, &entry) == AR_OK)
        outcome.entries = entry.index;
    for (int i = 0; i < outcome.entries && i < kMaxIndexes; ++i) {
        if (GetArchiveEntry(reader, i, &entry) != AR_OK)
            continue;
        std::string target = base + entry.name;
        if (ExtractArchiveEntry(reader, i, target.c_str()) == AR_OK)
            ++outcome.extracted;
    }
    CloseArchive(reader);
    return outcome;
}

void WriteProgress(const std::string& progress, size_t line)
{
    FILE* file = fopen(progress.c_str(), "w");
    if (!file)
        return;
    fprintf(file, "%u\n", static_cast<unsigned>(line));
    fclose(file);
}

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))
               ? counters.PeakWorkingSetSize : 0;
}
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: mutant_runner LIST SANDBOX FIRST PROGRESS\n");
        return 2;
    }
    std::vector<std::string> archives;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);)
        archives.push_back(line);
    std::string sandbox = argv[2];
    if (sandbox.back() != '\\')
        sandbox += '\\';
    std::string base = sandbox + "base\\";
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

    for (size_t line = strtoul(argv[3], nullptr, 10); line < archives.size(); ++line) {
        RemoveTree(base);
        CreateDirectoryA(base.c_str(), nullptr);
        WriteProgress(argv[4], line);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        g_archiveStart = GetTickCount64();
        Outcome outcome = RunArchive(archives[line], base);
        g_archiveStart = 0;
        QueryPerformanceCounter(&end);
        // Anything beside the base folder was written outside it.
        int outside = 0;
        for (const std::string& path : Tree(sandbox)) {
            if (path.compare(0, 5, "base\\") != 0) {
                ++outside;
                fprintf(stderr, "%u: written outside the base folder: %s\n",
                        static_cast<unsigned>(line), path.c_str());
                RemoveTree(sandbox + path);
            }
        }
        printf("%u %.1f %d %d %d\n", static_cast<unsigned>(line),
               (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart, outcome.entries,
               outcome.extracted, outside);
    }
    RemoveTree(base);
    printf("peak-working-set %lu\n", static_cast<unsigned long>(PeakWorkingSet()));
    return 0;
}
