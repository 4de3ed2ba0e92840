#pragma once
// Reads a zip archive and extracts its entries to target paths chosen by the caller,
// with folders, attributes and file times. The archive structure is minizip's business.
#include <windows.h>
#include <functional>

constexpr DWORD AR_OK = 0x00000000;
constexpr DWORD AR_CANNOT_OPEN = 0x00000200;
constexpr DWORD AR_WRITE_FAILED = 0x00000400;
constexpr DWORD AR_CORRUPT = 0x00000700;
constexpr DWORD AR_READ_FAILED = 0x00000800;
constexpr DWORD AR_BAD_PASSWORD = 0x00001000;
constexpr DWORD AR_BAD_ARGUMENT = 0x00010000;
constexpr DWORD AR_DECOMPRESS_FAILED = 0x05000000;

struct ArchiveEntry {
    int index;                 // position in the central directory; the count for index -1
    char name[MAX_PATH];       // the stored name, cleaned
    DWORD attributes;          // FILE_ATTRIBUTE_* bits
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME writeTime;
    DWORD compressedSize;
    DWORD uncompressedSize;
    // The stored name was UTF-8 (general-purpose flag bit 11); name holds it in the
    // Windows code page. Such names must not go through the DOS umlaut table.
    bool nameUtf8;
};

class ArchiveReader;

// Gives no reader when the archive cannot be opened or is not an acceptable zip archive.
ArchiveReader* OpenArchive(const char* path, const char* password = nullptr);
// The same over a file already open for reading; the reader owns `file` from here on and closes
// it, also when it gives no reader. Its file pointer is the reader's to move.
ArchiveReader* OpenArchiveFile(HANDLE file, const char* password = nullptr);
// Index -1 asks for the number of entries, which arrives in entry->index: the records the
// central directory holds, whatever its end record claims, and one more that answers
// AR_CORRUPT when the directory's end is damaged.
DWORD GetArchiveEntry(ArchiveReader* reader, int index, ArchiveEntry* entry);
// Called after every block of an entry's data written (64 KiB), so that a caller can let
// input through while a large entry is written.
typedef std::function<void()> ArchiveBlockReport;
// targetPath is the full path of the file to write, or of the folder for a folder entry.
DWORD ExtractArchiveEntry(ArchiveReader* reader, int index, const char* targetPath,
                          const ArchiveBlockReport& report = ArchiveBlockReport());
// The sum of the uncompressed sizes the central directory's records state (ZIP64 ones
// included), held at the largest value rather than wrapping: what unpacking will write.
DWORD GetArchiveUnpackedSize(ArchiveReader* reader, ULONGLONG* size);
DWORD CloseArchive(ArchiveReader* reader);
