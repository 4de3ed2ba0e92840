#include "archive/ArchiveReader.h"
#include "archive/EntryFields.h"
#include "archive/HandleFileHooks.h"
#include "archive/LittleEndian.h"
#include "archive/TargetPath.h"
#include "archive/ZipRecords.h"
#include "framework/Handles.h"
#include "util/OrdinaryName.h"
#include <unzip.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {
const unsigned kTransferBufferSize = 65536;   // a large entry is written in pieces this size
const unsigned kMaxExtraFieldSize = 0xFFFF;
const uLong kFlagEncrypted = 0x0001;
const uLong kFlagDataDescriptor = 0x0008;
const uLong kFlagUtf8Name = 0x0800;
const int kEncryptionHeaderSize = 12;
const size_t kCentralHeaderSize = 46;
const size_t kZip64EndRecordSize = 56;
}

class ArchiveReader {
public:
    ~ArchiveReader()
    {
        if (archive)
            unzClose(archive);
    }

    unzFile archive = nullptr;
    HandleFileView view;   // minizip's file, which the reader also reads local headers from
    CHandle entrylessFile;   // an archive minizip cannot open: no entries
    int entryCount = 0;
    ULONGLONG unpackedSize = 0;   // the records' uncompressed sizes, held at the largest value
    ZPOS64_T firstRecord = 0;   // where minizip finds the first central record
    int currentIndex = -1;   // minizip's current entry; -1 while unknown
    // The first index that cannot be reached: the one that stands for a damaged end of the
    // central directory, or one past a record that could not be read after all.
    int unreachableIndex = INT_MAX;
    std::string password;   // empty when none was given: the keys then start from nothing
    ArchiveEntry cachedEntry = {};
    int cachedIndex = -1;
    bool cachedEncrypted = false;
    BYTE cachedCheckByte = 0;
    std::unique_ptr<char[]> transferBuffer;
    char baseDirectory[MAX_PATH] = "";
    BYTE localExtraField[kMaxExtraFieldSize];
};

namespace {
bool ReadBaseDirectory(char (&baseDirectory)[MAX_PATH])
{
    DWORD length = GetCurrentDirectoryA(MAX_PATH, baseDirectory);
    if (length == 0 || length >= MAX_PATH)
        return false;
    char last = baseDirectory[length - 1];
    if (last == '\\' || last == '/')
        return true;
    if (length + 1 >= MAX_PATH)
        return false;
    baseDirectory[length] = '\\';
    baseDirectory[length + 1] = '\0';
    return true;
}

// minizip takes an end record found at offset 0 for "none found", so an archive of nothing
// but its end record (no entries, nothing in front) is recognised here instead.
bool IsEntrylessArchive(HANDLE file)
{
    BYTE record[kEndRecordSize];
    DWORD read = 0;
    DWORD size = GetFileSize(file, nullptr);
    bool entryless = size >= kEndRecordSize && size <= kEndRecordSize + kMaxCommentSize &&
                     ReadFile(file, record, kEndRecordSize, &read, nullptr) &&
                     read == kEndRecordSize && memcmp(record, "PK\x05\x06", 4) == 0;
    // Disk numbers, entry counts, directory size and offset: all zero.
    for (DWORD i = 4; entryless && i < 20; ++i)
        entryless = record[i] == 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return entryless;
}

// Where minizip's view of the archive ends: just after the end record whose comment reaches
// the end of the file, for minizip takes the last signature it finds, even one in the comment.
ULONGLONG VisibleArchiveEnd(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return 0;
    const size_t kTailSize = kEndRecordSize + kMaxCommentSize;
    size_t length = static_cast<ULONGLONG>(size.QuadPart) < kTailSize
                        ? static_cast<size_t>(size.QuadPart) : kTailSize;
    std::unique_ptr<BYTE[]> tail(new (std::nothrow) BYTE[length]);
    LARGE_INTEGER start;
    start.QuadPart = size.QuadPart - static_cast<LONGLONG>(length);
    DWORD read = 0;
    ULONGLONG end = size.QuadPart;
    if (tail && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
        ReadFile(file, tail.get(), static_cast<DWORD>(length), &read, nullptr) && read == length) {
        size_t found = FindEndRecord(tail.get(), length);
        if (found < length)
            end = start.QuadPart + found + kEndRecordSize;
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return end;
}

struct CentralDirectory {
    ULONGLONG offset;   // of its first record, as its end record states it: minizip's position
    ULONGLONG size;
    ULONGLONG end;      // where it ends in the file: at the end record that describes it
};

// The end record that minizip took, found as minizip finds it: a ZIP64 end record when a
// locator in the last 65,535 bytes names one, else the last end signature there. minizip
// reads a field past the end of the file as 0, and so does this.
bool LocateDirectory(HandleFileView& view, CentralDirectory& directory)
{
    size_t length = view.end < kMaxCommentSize ? static_cast<size_t>(view.end) : kMaxCommentSize;
    std::unique_ptr<BYTE[]> tail(new (std::nothrow) BYTE[length + kEndRecordSize]());
    ULONGLONG start = view.end - length;
    if (!tail || ReadView(view, start, tail.get(), static_cast<DWORD>(length)) != length)
        return false;
    size_t locator = FindLastSignature(tail.get(), length, "PK\x06\x07");
    if (locator < length && ReadDword(&tail[locator + 4]) == 0 &&
        ReadDword(&tail[locator + 16]) == 1) {
        ULONGLONG at = ReadQword(&tail[locator + 8]);
        BYTE zip64[kZip64EndRecordSize] = {};
        ReadView(view, at, zip64, sizeof(zip64));
        if (at != 0 && memcmp(zip64, "PK\x06\x06", 4) == 0) {
            directory = {ReadQword(zip64 + 48), ReadQword(zip64 + 40), at};
            return true;
        }
    }
    size_t record = FindLastSignature(tail.get(), length, "PK\x05\x06");
    if (record == length)
        return false;
    directory = {ReadDword(&tail[record + 16]), ReadDword(&tail[record + 12]), start + record};
    return true;
}

ULONGLONG RecordedUncompressedSize(ArchiveReader& reader, const BYTE* header, ULONGLONG at)
{
    DWORD recorded = ReadDword(header + 24);
    DWORD extraLength = ReadWord(header + 30);
    // Only a ZIP64 size needs the extra field, which the walk otherwise skips.
    if (recorded != MAXDWORD ||
        ReadView(reader.view, at + kCentralHeaderSize + ReadWord(header + 28),
                 reader.localExtraField, extraLength) != extraLength)
        return recorded;
    return CentralUncompressedSize(recorded, reader.localExtraField, extraLength);
}

// Walks the central directory once, headers only, and counts its records: the end record's
// count is no help, for old tools let it wrap past 65,535 and a hostile archive claims
// billions. Bytes of the directory that are no record stand for one more entry, which
// cannot be reached: a damaged directory must not pass for a shorter archive.
bool CountEntries(ArchiveReader& reader)
{
    CentralDirectory directory;
    if (!LocateDirectory(reader.view, directory))
        return false;
    reader.firstRecord = directory.offset;
    ULONGLONG at = directory.size <= directory.end ? directory.end - directory.size : directory.end;
    int count = 0;
    while (at < directory.end && count < INT_MAX - 1) {
        BYTE header[kCentralHeaderSize];
        if (ReadView(reader.view, at, header, sizeof(header)) != sizeof(header) ||
            memcmp(header, "PK\x01\x02", 4) != 0)
            break;
        ULONGLONG next = at + sizeof(header) + ReadWord(header + 28) + ReadWord(header + 30) +
                         ReadWord(header + 32);
        if (next > directory.end)
            break;
        ++count;
        ULONGLONG size = RecordedUncompressedSize(reader, header, at);
        reader.unpackedSize += std::min(size, ULLONG_MAX - reader.unpackedSize);
        at = next;
    }
    reader.entryCount = count;
    if (at < directory.end) {
        reader.unreachableIndex = count;
        reader.entryCount = count + 1;
    }
    return true;
}

// Moving forward steps through the central directory; moving back starts again at the top.
// Past an index that could not be reached there is nothing to walk to.
DWORD ReachEntry(ArchiveReader& reader, int index)
{
    if (index >= reader.unreachableIndex)
        return AR_CORRUPT;
    if (reader.currentIndex < 0 || index < reader.currentIndex) {
        reader.currentIndex = -1;
        // Not minizip's go-to-first: its steps stop at the count the end record claims.
        if (unzSetOffset64(reader.archive, reader.firstRecord) != UNZ_OK) {
            reader.unreachableIndex = 0;
            return AR_CORRUPT;
        }
        reader.currentIndex = 0;
    }
    while (reader.currentIndex < index) {
        if (unzGoToNextFile(reader.archive) != UNZ_OK) {
            reader.unreachableIndex = reader.currentIndex + 1;
            reader.currentIndex = -1;
            return AR_CORRUPT;
        }
        ++reader.currentIndex;
    }
    return AR_OK;
}

// Opening the entry's data makes minizip check most of the local header against the central
// record and tells where the data start. The header and its extra field are read here,
// at the place minizip found, shifted by the bytes in front of the archive.
DWORD ReadLocalHeader(ArchiveReader& reader, const unz_file_info64& info, unsigned& extraLength)
{
    int opened = unzOpenCurrentFile3(reader.archive, nullptr, nullptr, 1, nullptr);
    if (opened != UNZ_OK)
        return opened == UNZ_BADZIPFILE ? AR_CORRUPT : AR_READ_FAILED;
    int size = unzGetLocalExtrafield(reader.archive, nullptr, 0);
    ZPOS64_T dataStart = unzGetCurrentFileZStreamPos64(reader.archive);
    unzCloseCurrentFile(reader.archive);
    ULONGLONG headerSize = kLocalHeaderSize + info.size_filename + static_cast<ULONGLONG>(size);
    if (size < 0 || dataStart < headerSize)
        return AR_READ_FAILED;
    ULONGLONG headerStart = dataStart - headerSize;
    BYTE header[kLocalHeaderSize];
    DWORD extraSize = static_cast<DWORD>(size);
    if (ReadView(reader.view, headerStart, header, sizeof(header)) != sizeof(header) ||
        ReadView(reader.view, dataStart - size, reader.localExtraField, extraSize) != extraSize)
        return AR_READ_FAILED;
    extraLength = static_cast<unsigned>(size);
    if (!LocalSizesAgree(header, reader.localExtraField, extraLength, info.compressed_size,
                         info.uncompressed_size))
        return AR_CORRUPT;
    return AR_OK;
}

DWORD BuildEntry(ArchiveReader& reader, int index, ArchiveEntry& result)
{
    if (index == reader.cachedIndex) {
        result = reader.cachedEntry;
        return AR_OK;
    }
    DWORD reached = ReachEntry(reader, index);
    if (reached != AR_OK)
        return reached;
    unz_file_info64 info;
    char storedName[MAX_PATH];
    if (unzGetCurrentFileInfo64(reader.archive, &info, storedName, sizeof(storedName), nullptr, 0,
                                nullptr, 0) != UNZ_OK)
        return AR_CORRUPT;
    storedName[MAX_PATH - 1] = '\0';   // minizip leaves a name that fills the buffer unterminated
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return AR_CORRUPT;
    // ZIP64 records may carry sizes that the entry record cannot: cutting them would lie.
    if (info.compressed_size > MAXDWORD || info.uncompressed_size > MAXDWORD)
        return AR_CORRUPT;
    unsigned extraLength = 0;
    DWORD headerRead = ReadLocalHeader(reader, info, extraLength);
    if (headerRead != AR_OK)
        return headerRead;

    bool nameUtf8 = info.flag & kFlagUtf8Name;
    char name[MAX_PATH];
    if (nameUtf8) {
        if (info.size_filename >= MAX_PATH)
            DropCutUtf8Character(storedName);
        if (!Utf8NameToCodePage(storedName, name))
            return AR_CANNOT_OPEN;
    } else {
        strcpy(name, storedName);
    }

    ArchiveEntry entry = {};
    entry.index = index;
    strcpy(entry.name, CleanEntryName(name));
    entry.attributes = MapEntryAttributes(static_cast<WORD>(info.version), info.external_fa);
    entry.compressedSize = static_cast<DWORD>(info.compressed_size);
    entry.uncompressedSize = static_cast<DWORD>(info.uncompressed_size);
    entry.nameUtf8 = nameUtf8;
    FILETIME dosTime = DosTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate));
    entry.accessTime = entry.creationTime = entry.writeTime = dosTime;
    ScanExtendedTimestamp(reader.localExtraField, extraLength, entry);

    reader.cachedEntry = entry;
    reader.cachedIndex = index;
    reader.cachedEncrypted = info.flag & kFlagEncrypted;
    // With a data descriptor the CRC is not known when the header is written, so the
    // encryption header checks against the time instead.
    reader.cachedCheckByte = static_cast<BYTE>(
        info.flag & kFlagDataDescriptor ? info.dosDate >> 8 : info.crc >> 24);
    result = entry;
    return AR_OK;
}

// minizip decrypts but never looks at the check byte, so the header is read raw and checked here.
DWORD CheckPassword(ArchiveReader& reader)
{
    if (unzOpenCurrentFile3(reader.archive, nullptr, nullptr, 1, nullptr) != UNZ_OK)
        return AR_DECOMPRESS_FAILED;
    BYTE header[kEncryptionHeaderSize];
    int read = unzReadCurrentFile(reader.archive, header, sizeof(header));
    unzCloseCurrentFile(reader.archive);
    if (read != kEncryptionHeaderSize)
        return AR_DECOMPRESS_FAILED;
    BYTE checkByte = DecryptCheckByte(reader.password.c_str(), header);
    return checkByte == reader.cachedCheckByte ? AR_OK : AR_BAD_PASSWORD;
}

DWORD WriteEntryData(ArchiveReader& reader, const ArchiveEntry& entry, HANDLE file,
                     const ArchiveBlockReport& report)
{
    char* buffer = reader.transferBuffer.get();
    for (;;) {
        int produced = unzReadCurrentFile(reader.archive, buffer, kTransferBufferSize);
        if (produced < 0)
            return AR_DECOMPRESS_FAILED;
        if (produced > 0) {
            DWORD written = 0;
            if (!WriteFile(file, buffer, static_cast<DWORD>(produced), &written, nullptr) ||
                written != static_cast<DWORD>(produced))
                return AR_WRITE_FAILED;
            if (report)
                report();
            continue;
        }
        // Nothing more came: fine only once the whole uncompressed size has been produced.
        if (!unzeof(reader.archive))
            return AR_DECOMPRESS_FAILED;
        SetFileTime(file, &entry.creationTime, &entry.accessTime, &entry.writeTime);
        return AR_OK;
    }
}

DWORD ExtractFolder(ArchiveReader& reader, const char* targetPath)
{
    const char* base = IsAbsolutePath(targetPath) ? nullptr : reader.baseDirectory;
    if (strlen(base ? base : "") + strlen(targetPath) >= MAX_PATH)
        return AR_CANNOT_OPEN;
    MakeFolderChain(base, targetPath);
    // A file of that name in the way, or a place where no folder may be made.
    DWORD made = GetFileAttributesA((std::string(base ? base : "") + targetPath).c_str());
    return made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY) ? AR_OK
                                                                                 : AR_CANNOT_OPEN;
}

// A new file in a folder that is there takes one call. Anything else (a missing folder, a
// file to replace) goes the long way: the folders are made, then the file is replaced.
// Creating rather than replacing also spares Wine a truncation, after which the file
// system writes the file out when it is closed.
HANDLE CreateTargetFile(const std::string& path, const char* base, const std::string& folder,
                        DWORD attributes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return file;
    if (GetLastError() != ERROR_FILE_EXISTS)
        MakeFolderChain(base, folder);
    // Windows will not replace a read-only file; a privileged user on a POSIX file system
    // under Wine could, so the reader refuses it itself.
    DWORD existing = GetFileAttributesA(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
}

DWORD ExtractFile(ArchiveReader& reader, const ArchiveEntry& entry, const char* targetPath,
                  const ArchiveBlockReport& report)
{
    SplitPath target = SplitTargetPath(targetPath);
    const char* base = IsAbsolutePath(target.folder.c_str()) ? nullptr : reader.baseDirectory;
    std::string filePath = std::string(base ? base : "") + target.folder + target.name;
    // A shortened path would name another file.
    if (filePath.size() >= MAX_PATH)
        return AR_CANNOT_OPEN;

    CHandle file(CreateTargetFile(filePath, base, target.folder, entry.attributes));
    if (!file.IsValid())
        return AR_CANNOT_OPEN;
    DWORD result = reader.cachedEncrypted ? CheckPassword(reader) : AR_OK;
    if (result != AR_OK)
        return result;
    // minizip decrypts whenever it is given a password, so only encrypted entries get one.
    const char* password = reader.cachedEncrypted ? reader.password.c_str() : nullptr;
    if (unzOpenCurrentFile3(reader.archive, nullptr, nullptr, 0, password) != UNZ_OK)
        return AR_DECOMPRESS_FAILED;
    if (!reader.transferBuffer)
        reader.transferBuffer.reset(new (std::nothrow) char[kTransferBufferSize]);
    result = reader.transferBuffer ? WriteEntryData(reader, entry, file.Get(), report)
                                    : AR_DECOMPRESS_FAILED;
    file.Close();
    // Data that do not match their CRC-32 are not a successful extraction.
    if (unzCloseCurrentFile(reader.archive) == UNZ_CRCERROR && result == AR_OK)
        result = AR_DECOMPRESS_FAILED;
    return result;
}
}

ArchiveReader* OpenArchive(const char* path, const char* password)
{
    if (!path)
        return nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    return OpenArchiveFile(file, password);
}

ArchiveReader* OpenArchiveFile(HANDLE file, const char* password)
{
    std::unique_ptr<ArchiveReader> reader(new (std::nothrow) ArchiveReader);
    if (!reader || !ReadBaseDirectory(reader->baseDirectory)) {
        CloseHandle(file);
        return nullptr;
    }
    if (IsEntrylessArchive(file)) {
        reader->entrylessFile.Attach(file);
        return reader.release();
    }
    reader->view.file = file;
    reader->view.end = VisibleArchiveEnd(file);
    zlib_filefunc64_def hooks = HandleFileHooks();
    reader->archive = unzOpen2_64(&reader->view, &hooks);   // on failure minizip has closed the file
    if (!reader->archive || !CountEntries(*reader))
        return nullptr;
    if (password)
        reader->password = password;
    return reader.release();
}

DWORD GetArchiveEntry(ArchiveReader* reader, int index, ArchiveEntry* entry)
{
    if (!entry)
        return AR_BAD_ARGUMENT;
    entry->index = 0;
    entry->name[0] = '\0';
    entry->uncompressedSize = 0;
    if (!reader)
        return AR_BAD_ARGUMENT;
    if (index == -1) {
        *entry = ArchiveEntry{};
        entry->index = reader->entryCount;
        return AR_OK;
    }
    if (index < 0 || index >= reader->entryCount)
        return AR_BAD_ARGUMENT;
    return BuildEntry(*reader, index, *entry);
}

DWORD ExtractArchiveEntry(ArchiveReader* reader, int index, const char* targetPath,
                          const ArchiveBlockReport& report)
{
    if (!reader || !targetPath || index < 0 || index >= reader->entryCount)
        return AR_BAD_ARGUMENT;
    ArchiveEntry entry;
    DWORD result = BuildEntry(*reader, index, entry);
    if (result == AR_OK)
        result = ReachEntry(*reader, index);   // the record may have come from the cache
    if (result != AR_OK)
        return result;
    if (!IsOrdinaryPath(targetPath))
        return AR_CANNOT_OPEN;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return ExtractFolder(*reader, targetPath);
    return ExtractFile(*reader, entry, targetPath, report);
}

DWORD GetArchiveUnpackedSize(ArchiveReader* reader, ULONGLONG* size)
{
    if (!reader || !size)
        return AR_BAD_ARGUMENT;
    *size = reader->unpackedSize;
    return AR_OK;
}

DWORD CloseArchive(ArchiveReader* reader)
{
    if (!reader)
        return AR_BAD_ARGUMENT;
    delete reader;
    return AR_OK;
}
