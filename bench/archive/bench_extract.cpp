// Extracts every entry of an archive below a folder, as the installation does, and prints
// how long that took (and of it the opening, which walks the central directory) and the
// process's peak memory.
//   bench_extract ARCHIVE OUTFOLDER   (OUTFOLDER ends in a backslash)
#include "archive/ArchiveReader.h"
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bench_extract ARCHIVE OUTFOLDER\\\n");
        return 2;
    }
    std::string out = argv[2];
    LARGE_INTEGER frequency, start, opened, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    ArchiveReader* reader = OpenArchive(argv[1]);
    if (!reader) {
        fprintf(stderr, "bench_extract: cannot open %s\n", argv[1]);
        return 1;
    }
    ArchiveEntry entry;
    GetArchiveEntry(reader, -1, &entry);
    int count = entry.index, failures = 0;
    QueryPerformanceCounter(&opened);
    unsigned long long bytes = 0;
    for (int i = 0; i < count; ++i) {
        if (GetArchiveEntry(reader, i, &entry) != AR_OK ||
            ExtractArchiveEntry(reader, i, (out + entry.name).c_str()) != AR_OK)
            ++failures;
        bytes += entry.uncompressedSize;
    }
    CloseArchive(reader);

    QueryPerformanceCounter(&end);
    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    double openSeconds = double(opened.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    printf("entries=%d bytes=%llu seconds=%.3f open_seconds=%.4f failures=%d "
           "peak_working_set_kb=%llu peak_pagefile_kb=%llu\n",
           count, bytes, seconds, openSeconds, failures,
           static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024),
           static_cast<unsigned long long>(memory.PeakPagefileUsage / 1024));
    return failures ? 1 : 0;
}
