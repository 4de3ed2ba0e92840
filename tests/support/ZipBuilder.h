#pragma once
// Builds zip archives byte by byte, for the cases no zip tool will write: odd hosts and
// times, disagreeing headers, unsupported methods, damaged data, hostile names.
#include <windows.h>
#include <string>
#include <deque>

struct ZipBuilderEntry {
    std::string name;
    std::string data;                      // the uncompressed bytes
    WORD method = 8;                       // 8 deflates data; any other value stores it
    WORD versionMadeBy = 0x031E;           // Unix host
    DWORD externalAttributes = 0x81A40000; // regular file, mode 644
    WORD dosDate = 0x5143;                 // 2020-10-03
    WORD dosTime = 0x6A5D;                 // 13:18:58
    WORD flags = 0;                        // bit 3 writes a data descriptor
    std::string localExtra;
    const char* password = nullptr;        // traditional encryption; sets flag bit 0
    // Faults
    int localMethod = -1;                  // written into the local header when >= 0
    int localNameLength = -1;              // written into the local header when >= 0
    int localExtraLength = -1;             // written into the local header when >= 0
    LONGLONG localCompressedSize = -1;     // written into the local header when >= 0
    LONGLONG localUncompressedSize = -1;   // written into the local header when >= 0
    DWORD crcDelta = 0;                    // added to the recorded CRC-32 (both headers)
    bool useRawData = false;               // write rawData as the entry's stored form
    std::string rawData;
};

class ZipBuilder {
public:
    ZipBuilderEntry& Add(const std::string& name, const std::string& data);
    ZipBuilder& ExtraCountedEntries(WORD count);   // the end record claims this many more
    std::string Build() const;

private:
    std::deque<ZipBuilderEntry> m_entries;   // Add hands out references that must stay valid
    WORD m_extraCount = 0;
};

std::string RawDeflate(const std::string& data);
