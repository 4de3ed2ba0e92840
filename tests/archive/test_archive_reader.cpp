// The archive reader on real archives: made by Info-ZIP zip and Python's zipfile before the
// run (make_samples.py), and byte by byte by ZipBuilder for what no tool writes.
#include "ArchiveTesting.h"
#include "ZipBuilder.h"
#include "archive/ArchiveReader.h"
#include <doctest.h>
#include <climits>
#include <cstring>
#include <algorithm>

namespace {
const ULONGLONG kSampleWriteTime = UtcTicks(2020, 9, 13, 12, 26, 40);   // make_samples.py
const ULONGLONG kSampleAccessTime = UtcTicks(2017, 7, 14, 2, 40, 0);
const DWORD kFileBits = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

// The local time a DOS date and time stand for, in UTC, read back through the calendar.
ULONGLONG LocalTicks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    FILETIME local = {}, utc = {};
    SYSTEMTIME calendar = {year, month, 0, day, hour, minute, second, 0};
    SystemTimeToFileTime(&calendar, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return Ticks(utc);
}

bool RunningUnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

DWORD AttributesOf(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) & kFileBits;
}

ArchiveEntry Sentinel()
{
    ArchiveEntry entry;
    memset(&entry, 0xEE, sizeof(entry));
    entry.name[sizeof(entry.name) - 1] = '\0';
    return entry;
}
}

TEST_CASE("an Info-ZIP archive extracts with its bytes, attributes and UT times")
{
    std::string out = FreshFolder("unix");
    OpenedArchive archive(SamplePath("unix.zip"));
    REQUIRE(archive.reader);
    REQUIRE(archive.Count() == 8);

    struct Expected {
        const char* name;
        DWORD attributes;
    };
    const Expected expected[] = {
        {"readme.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"big.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"noise.bin", FILE_ATTRIBUTE_ARCHIVE},
        {"empty.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"folder/", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE},
        {"folder/sub/", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE},
        {"folder/sub/deep.txt", FILE_ATTRIBUTE_ARCHIVE},
        {"locked.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
    };
    for (int i = 0; i < 8; ++i) {
        CAPTURE(i);
        ArchiveEntry entry = Sentinel();
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK(entry.index == i);
        CHECK(std::string(entry.name) == expected[i].name);
        CHECK(entry.attributes == expected[i].attributes);
        CHECK(Ticks(entry.writeTime) == kSampleWriteTime);
        // zip wrote the write time as a local DOS time as well; that is the creation time.
        CHECK(Ticks(entry.creationTime) == kSampleWriteTime);

        std::string target = out + entry.name;
        REQUIRE(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Folders get neither attributes nor times (and zip's folder access times are
            // those of its own run).
            CHECK(AttributesOf(target) == FILE_ATTRIBUTE_DIRECTORY);
            continue;
        }
        CHECK(Ticks(entry.accessTime) == kSampleAccessTime);
        CHECK(AttributesOf(target) == expected[i].attributes);
        FileTimes times = TimesOf(target);   // before reading it moves the access time
        CHECK(times.write == kSampleWriteTime);
        CHECK(times.access == kSampleAccessTime);
        CHECK(times.creation == kSampleWriteTime);
        std::string source = ReadBytes(SamplePath(std::string("src\\") + entry.name));
        CHECK(ReadBytes(target) == source);
        CHECK(entry.uncompressedSize == source.size());
    }
    ArchiveEntry big;
    REQUIRE(GetArchiveEntry(archive.reader, 1, &big) == AR_OK);
    CHECK(big.compressedSize < big.uncompressedSize / 4);   // deflated, many transfer buffers
    CHECK(big.uncompressedSize > 65536 * 3);
}

TEST_CASE("stored entries, data in front of the archive and DOS-host attributes")
{
    SUBCASE("zip -0 stores entries larger than the transfer buffer")
    {
        std::string out = FreshFolder("stored");
        OpenedArchive archive(SamplePath("stored.zip"));
        REQUIRE(archive.Count() == 2);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, 1, &entry) == AR_OK);
        CHECK(entry.compressedSize == entry.uncompressedSize);
        CHECK(entry.uncompressedSize > 65536 * 3);
        REQUIRE(ExtractArchiveEntry(archive.reader, 1, (out + "big.txt").c_str()) == AR_OK);
        CHECK(ReadBytes(out + "big.txt") == ReadBytes(SamplePath("src\\big.txt")));
    }
    SUBCASE("a self-extractor's stub in front, offsets not adjusted")
    {
        std::string out = FreshFolder("sfx");
        OpenedArchive archive(SamplePath("sfx.exe"));
        REQUIRE(archive.Count() == 8);
        for (int i : {6, 1}) {   // backwards as well
            CAPTURE(i);
            ArchiveEntry entry;
            REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
            std::string target = out + std::to_string(i);
            REQUIRE(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
            CHECK(ReadBytes(target) == ReadBytes(SamplePath(std::string("src\\") + entry.name)));
        }
    }
    SUBCASE("Python's zipfile with DOS attribute bytes and DOS times only")
    {
        std::string out = FreshFolder("dos");
        OpenedArchive archive(SamplePath("dos.zip"));
        REQUIRE(archive.Count() == 5);
        const ULONGLONG dosTime = LocalTicks(2019, 5, 17, 10, 20, 30);
        const DWORD expected[] = {
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE,   // 0x21
            FILE_ATTRIBUTE_ARCHIVE,                             // 0x20
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,     // 0x22
            FILE_ATTRIBUTE_DIRECTORY,                           // 0x10
            FILE_ATTRIBUTE_READONLY,                            // 0x01
        };
        for (int i = 0; i < 5; ++i) {
            CAPTURE(i);
            ArchiveEntry entry;
            REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
            CHECK(entry.attributes == expected[i]);
            CHECK(Ticks(entry.writeTime) == dosTime);
            CHECK(Ticks(entry.accessTime) == dosTime);
            CHECK(Ticks(entry.creationTime) == dosTime);
            std::string target = out + entry.name;
            REQUIRE(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
            if (i == 3) {
                CHECK(AttributesOf(target) == FILE_ATTRIBUTE_DIRECTORY);
                continue;
            }
            // The file system marks every file it creates for archiving, whatever the
            // creation asked for (Windows and Wine alike); the other bits are the entry's.
            CHECK(AttributesOf(target) == (expected[i] | FILE_ATTRIBUTE_ARCHIVE));
            FileTimes times = TimesOf(target);
            CHECK(times.write == dosTime);
            CHECK(times.access == dosTime);
            CHECK(times.creation == dosTime);
            CHECK(ReadBytes(target) == std::string("content of ") + entry.name + "\n");
        }
    }
}

TEST_CASE("archives that cannot be opened give no reader")
{
    std::string folder = FreshFolder("open");
    const char* const names[] = {"truncated.zip", "notzip.zip", "missing.zip", "src"};
    for (const char* name : names) {
        CAPTURE(std::string(name));
        ArchiveReader* reader = OpenArchive(SamplePath(name).c_str());
        CHECK(reader == nullptr);
        CloseArchive(reader);
    }
    SUBCASE("an archive locked by a writer cannot be opened")
    {
        std::string path = folder + "locked.zip";
        REQUIRE(CopyFileA(SamplePath("unix.zip").c_str(), path.c_str(), FALSE));
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        REQUIRE(writer != INVALID_HANDLE_VALUE);
        CHECK(OpenArchive(path.c_str()) == nullptr);
        CloseHandle(writer);
    }
    SUBCASE("the reader lets others read the archive, but not write it")
    {
        OpenedArchive archive(SamplePath("unix.zip"));
        REQUIRE(archive.reader);
        HANDLE other = CreateFileA(SamplePath("unix.zip").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK(other != INVALID_HANDLE_VALUE);
        CloseHandle(other);
        HANDLE writer = CreateFileA(SamplePath("unix.zip").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    0, nullptr);
        CHECK(writer == INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
    }
}

TEST_CASE("an archive without entries counts 0 and refuses every index")
{
    OpenedArchive archive(SamplePath("empty.zip"));
    REQUIRE(archive.reader);
    CHECK(archive.Count() == 0);
    ArchiveEntry entry = Sentinel();
    CHECK(GetArchiveEntry(archive.reader, 0, &entry) == AR_BAD_ARGUMENT);
    CHECK(ExtractArchiveEntry(archive.reader, 0, "x") == AR_BAD_ARGUMENT);
}

TEST_CASE("indexes out of range and an absent reader are refused")
{
    std::string out = FreshFolder("index");
    OpenedArchive archive(SamplePath("unix.zip"));
    REQUIRE(archive.reader);

    ArchiveEntry entry = Sentinel();
    CHECK(GetArchiveEntry(archive.reader, -1, &entry) == AR_OK);
    CHECK(entry.index == 8);
    CHECK(entry.name[0] == '\0');
    CHECK(entry.attributes == 0);
    CHECK(Ticks(entry.writeTime) == 0);
    CHECK(Ticks(entry.accessTime) == 0);
    CHECK(Ticks(entry.creationTime) == 0);
    CHECK(entry.compressedSize == 0);
    CHECK(entry.uncompressedSize == 0);

    struct Case {
        ArchiveReader* reader;
        int index;
    };
    const Case cases[] = {{archive.reader, -2}, {archive.reader, 8}, {archive.reader, 9},
                          {archive.reader, INT_MIN}, {nullptr, -1}, {nullptr, 0}};
    for (const Case& c : cases) {
        CAPTURE(c.index);
        CAPTURE(c.reader != nullptr);
        ArchiveEntry refused = Sentinel();
        CHECK(GetArchiveEntry(c.reader, c.index, &refused) == AR_BAD_ARGUMENT);
        CHECK(refused.index == 0);
        CHECK(refused.name[0] == '\0');
        CHECK(refused.uncompressedSize == 0);
        CHECK(refused.attributes == 0xEEEEEEEE);   // the other fields are left alone
        std::string target = out + "refused";
        CHECK(ExtractArchiveEntry(c.reader, c.index, target.c_str()) == AR_BAD_ARGUMENT);
        CHECK_FALSE(Exists(target));
    }
    CHECK(ExtractArchiveEntry(archive.reader, -1, (out + "x").c_str()) == AR_BAD_ARGUMENT);
    CHECK(CloseArchive(nullptr) == AR_BAD_ARGUMENT);
}

TEST_CASE("records come right in any order, and the cached record is whole")
{
    OpenedArchive archive(SamplePath("unix.zip"));
    REQUIRE(archive.reader);
    const char* const names[] = {"readme.txt", "big.txt", "noise.bin", "empty.txt", "folder/",
                                 "folder/sub/", "folder/sub/deep.txt", "locked.txt"};
    ArchiveEntry first = Sentinel();
    REQUIRE(GetArchiveEntry(archive.reader, 7, &first) == AR_OK);
    for (int i : {7, 7, 2, 6, 0, 0, 5, 1, 3, 7, 4}) {
        CAPTURE(i);
        ArchiveEntry entry = Sentinel();
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK(entry.index == i);
        CHECK(std::string(entry.name) == names[i]);
        CHECK(Ticks(entry.writeTime) == kSampleWriteTime);
        if (i == 7)
            CHECK(memcmp(&entry, &first, sizeof(entry)) == 0);
    }
    // The record of 4 is cached; extracting another entry must not use it.
    std::string out = FreshFolder("cache");
    REQUIRE(ExtractArchiveEntry(archive.reader, 0, (out + "a").c_str()) == AR_OK);
    CHECK(ReadBytes(out + "a") == ReadBytes(SamplePath("src\\readme.txt")));
}

TEST_CASE("entries that cannot be read give their codes and keep what was written")
{
    const std::string data(40000, 'n');
    struct Case {
        const char* what;
        void (*damage)(ZipBuilderEntry&);
        DWORD recordResult;
        DWORD extractResult;
    };
    const Case cases[] = {
        {"local method disagrees", [](ZipBuilderEntry& e) { e.localMethod = 0; }, AR_CORRUPT,
         AR_CORRUPT},
        {"local name length disagrees", [](ZipBuilderEntry& e) { e.localNameLength = 3; },
         AR_CORRUPT, AR_CORRUPT},
        {"method 12", [](ZipBuilderEntry& e) { e.method = 12; }, AR_CORRUPT, AR_CORRUPT},
        {"method 12 stored raw", [](ZipBuilderEntry& e) { e.method = 12; e.localMethod = 12; },
         AR_CORRUPT, AR_CORRUPT},
        {"corrupt deflate data",
         [](ZipBuilderEntry& e) {
             e.useRawData = true;
             e.rawData = RawDeflate(e.data);
             e.rawData[0] = '\xFF';   // a reserved block type
         },
         AR_OK, AR_DECOMPRESS_FAILED},
        {"deflate stream ends early",
         [](ZipBuilderEntry& e) {
             e.useRawData = true;
             e.rawData = RawDeflate(e.data.substr(0, 100));
         },
         AR_OK, AR_DECOMPRESS_FAILED},
        {"stored data shorter than their size",
         [](ZipBuilderEntry& e) {
             e.method = 0;
             e.useRawData = true;
             e.rawData = e.data.substr(0, 30000);
         },
         AR_OK, AR_DECOMPRESS_FAILED},
        {"CRC-32 mismatch, deflated", [](ZipBuilderEntry& e) { e.crcDelta = 1; }, AR_OK,
         AR_DECOMPRESS_FAILED},
        {"CRC-32 mismatch, stored", [](ZipBuilderEntry& e) { e.method = 0; e.crcDelta = 1; },
         AR_OK, AR_DECOMPRESS_FAILED},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.what));
        std::string folder = FreshFolder("damaged");
        ZipBuilder builder;
        builder.Add("good.txt", "good");
        c.damage(builder.Add("bad.txt", data));
        builder.Add("after.txt", "after");
        OpenedArchive archive(WriteArchive(builder, folder));
        REQUIRE(archive.Count() == 3);
        ArchiveEntry entry = Sentinel();
        CHECK(GetArchiveEntry(archive.reader, 1, &entry) == c.recordResult);
        if (c.recordResult != AR_OK) {
            CHECK(entry.index == 0);
            CHECK(entry.name[0] == '\0');
            CHECK(entry.uncompressedSize == 0);
        }
        std::string target = folder + "bad.txt";
        CHECK(ExtractArchiveEntry(archive.reader, 1, target.c_str()) == c.extractResult);
        // A record failure creates nothing; a data failure leaves the partial file.
        CHECK(Exists(target) == (c.recordResult == AR_OK));
        if (c.extractResult == AR_DECOMPRESS_FAILED)
            CHECK(data.compare(0, ReadBytes(target).size(), ReadBytes(target)) == 0);
        // The neighbours are unharmed.
        CHECK(ExtractArchiveEntry(archive.reader, 2, (folder + "after.txt").c_str()) == AR_OK);
        CHECK(ExtractArchiveEntry(archive.reader, 0, (folder + "good.txt").c_str()) == AR_OK);
        CHECK(ReadBytes(folder + "good.txt") == "good");
    }
}

TEST_CASE("a local extra field running past the end of the file cannot be read")
{
    std::string folder = FreshFolder("records");
    ZipBuilder builder;
    builder.Add("one.txt", "1").localExtraLength = 0xFFFF;
    OpenedArchive archive(WriteArchive(builder, folder));
    ArchiveEntry entry;
    CHECK(GetArchiveEntry(archive.reader, 0, &entry) == AR_READ_FAILED);
    CHECK(ExtractArchiveEntry(archive.reader, 0, (folder + "one").c_str()) == AR_READ_FAILED);
    CHECK_FALSE(Exists(folder + "one"));
}

TEST_CASE("encrypted entries open with the right password only")
{
    std::string folder = FreshFolder("secret");
    ZipBuilder builder;
    std::string text(50000, 't');
    builder.Add("crc-check.txt", text).password = "norla";   // check byte from the CRC-32
    ZipBuilderEntry& timed = builder.Add("time-check.txt", "timed");
    timed.password = "norla";
    timed.flags = 0x08;                                      // check byte from the DOS time
    ZipBuilderEntry& stored = builder.Add("stored.txt", "plain stored");
    stored.password = "norla";
    stored.method = 0;
    std::string built = WriteArchive(builder, folder);

    struct Case {
        const char* archive;
        const char* password;
        DWORD result;
    };
    const Case cases[] = {{"built", "norla", AR_OK},   {"built", "wrong", AR_BAD_PASSWORD},
                          {"built", nullptr, AR_BAD_PASSWORD}, {"zip -P", "norla", AR_OK},
                          {"zip -P", "Norla", AR_BAD_PASSWORD}};
    for (const Case& c : cases) {
        CAPTURE(std::string(c.archive));
        std::string passwordText = c.password ? c.password : "(none)";
        CAPTURE(passwordText);
        bool fromZip = strcmp(c.archive, "zip -P") == 0;
        OpenedArchive archive(fromZip ? SamplePath("secret.zip") : built, c.password);
        REQUIRE(archive.reader);
        for (int i = 0; i < archive.Count(); ++i) {
            CAPTURE(i);
            ArchiveEntry entry;
            REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
            std::string target = folder + entry.name;
            CHECK(ExtractArchiveEntry(archive.reader, i, target.c_str()) == c.result);
            std::string expected = fromZip ? ReadBytes(SamplePath(std::string("src\\") + entry.name))
                                           : i == 0 ? text : i == 1 ? "timed" : "plain stored";
            CHECK(ReadBytes(target) == (c.result == AR_OK ? expected : ""));
        }
    }
}

TEST_CASE("UT blocks give write and access times, the DOS time the rest")
{
    std::string folder = FreshFolder("ut");
    const LONG write = 1700000000, access = 1650000000, creation = 1400000000;
    auto little = [](LONG t) {
        return std::string{static_cast<char>(t), static_cast<char>(t >> 8),
                           static_cast<char>(t >> 16), static_cast<char>(t >> 24)};
    };
    ZipBuilder builder;
    builder.Add("flags3.txt", "3").localExtra =
        std::string("UT\x09\x00\x03", 5) + little(write) + little(access);
    // Another block in front, and a second UT block that does not count.
    builder.Add("flags7.txt", "7").localExtra =
        std::string("xy\x02\x00" "ab", 6) + std::string("UT\x0D\x00\x07", 5) + little(write) +
        little(access) + little(creation) + std::string("UT\x05\x00\x01", 5) + little(0);
    OpenedArchive archive(WriteArchive(builder, folder));
    const ULONGLONG dosTime = LocalTicks(2020, 10, 3, 13, 18, 58);   // ZipBuilder's default
    const ULONGLONG expected[2][3] = {
        {UtcTicks(2023, 11, 14, 22, 13, 20), UtcTicks(2022, 4, 15, 5, 20, 0), dosTime},
        {UtcTicks(2023, 11, 14, 22, 13, 20), UtcTicks(2022, 4, 15, 5, 20, 0),
         UtcTicks(2014, 5, 13, 16, 53, 20)}};
    for (int i = 0; i < 2; ++i) {
        CAPTURE(i);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK(Ticks(entry.writeTime) == expected[i][0]);
        CHECK(Ticks(entry.accessTime) == expected[i][1]);
        CHECK(Ticks(entry.creationTime) == expected[i][2]);
        std::string target = folder + entry.name;
        REQUIRE(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
        FileTimes times = TimesOf(target);
        CHECK(times.write == expected[i][0]);
        CHECK(times.access == expected[i][1]);
        // Wine on a Linux file system keeps no creation time: it reports the write time.
        CHECK(times.creation == (RunningUnderWine() ? expected[i][0] : expected[i][2]));
    }
}

TEST_CASE("stored names: cut at 259 bytes, bytes kept as stored, hostile ones kept inside")
{
    std::string folder = FreshFolder("names");
    const std::string longName(300, 'n');
    const char* const hostile[] = {
        "..\\up1.txt", "../up2.txt", "a\\..\\..\\up3.txt", "a/../../up4.txt", "..",
        "C:..\\up5.txt", "\\\\server\\share\\..\\..\\up6.txt", "x/./../../up7.txt",
        "../../../../../../../../up8.txt", "a/b/../../..", "./..", "a\\..\\..",
        "... /up9.txt", ".. /up10.txt", "a/.. /../up11.txt",
    };
    ZipBuilder builder;
    builder.Add(longName, "long");
    builder.Add("caf\x81\xE9.txt", "odd bytes");
    for (const char* name : hostile)
        builder.Add(name, name);
    OpenedArchive archive(WriteArchive(builder, folder));
    REQUIRE(archive.Count() == 2 + static_cast<int>(sizeof(hostile) / sizeof(hostile[0])));

    ArchiveEntry entry;
    REQUIRE(GetArchiveEntry(archive.reader, 0, &entry) == AR_OK);
    CHECK(std::string(entry.name) == std::string(259, 'n'));

    entry.nameUtf8 = true;
    REQUIRE(GetArchiveEntry(archive.reader, 1, &entry) == AR_OK);
    CHECK(std::string(entry.name) == "caf\x81\xE9.txt");
    CHECK_FALSE(entry.nameUtf8);
    std::string odd = folder + entry.name;
    REQUIRE(ExtractArchiveEntry(archive.reader, 1, odd.c_str()) == AR_OK);
    CHECK(ReadBytes(odd) == "odd bytes");
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "caf*").c_str(), &found);
    REQUIRE(find != INVALID_HANDLE_VALUE);
    CHECK(std::string(found.cFileName) == "caf\x81\xE9.txt");
    FindClose(find);

    // Everything lands inside "inner"; nothing appears beside it or above it.
    std::string inner = folder + "deeper\\inner\\";
    CreateDirectoryA((folder + "deeper").c_str(), nullptr);
    CreateDirectoryA(inner.c_str(), nullptr);
    std::string scratch = SamplePath("..\\scratch");
    std::vector<std::string> before = Tree(scratch);
    for (int i = 2; i < archive.Count(); ++i) {
        CAPTURE(i);
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        std::string cleanedName = entry.name;
        CAPTURE(cleanedName);
        ExtractArchiveEntry(archive.reader, i, (inner + entry.name).c_str());
    }
    for (int n = 1; n <= 8; ++n) {
        std::string name = "up" + std::to_string(n) + ".txt";
        CAPTURE(name);
        CHECK(Exists(inner + name));
    }
    for (const std::string& path : Tree(scratch)) {
        if (!std::binary_search(before.begin(), before.end(), path)) {
            CAPTURE(path);
            CHECK(path.compare(0, strlen("names\\deeper\\inner\\"), "names\\deeper\\inner\\") == 0);
        }
    }
}

TEST_CASE("target paths: absolute with mixed and doubled separators, relative to the base")
{
    std::string folder = FreshFolder("targets");
    std::string base = folder + "base\\";   // not there yet: opening does not create it
    CreateDirectoryA(base.c_str(), nullptr);
    ZipBuilder builder;
    builder.Add("file.txt", "payload");
    std::string archivePath = WriteArchive(builder, folder);

    struct Case {
        std::string target;
        std::string lands;
    };
    const Case cases[] = {
        {folder + "inst\\/sub/x.txt", folder + "inst\\sub\\x.txt"},
        {folder + "inst2//a\\\\b/y.txt", folder + "inst2\\a\\b\\y.txt"},
        {"plain.txt", base + "plain.txt"},
        {"rel/dir\\z.txt", base + "rel\\dir\\z.txt"},
        {"/" + folder.substr(3) + "slash.txt", folder + "slash.txt"},   // absolute, no drive
    };
    CurrentDirectory current(base);
    OpenedArchive archive(archivePath);
    REQUIRE(archive.reader);
    for (const Case& c : cases) {
        CAPTURE(c.target);
        CHECK(ExtractArchiveEntry(archive.reader, 0, c.target.c_str()) == AR_OK);
        CHECK(ReadBytes(c.lands) == "payload");
    }
}

TEST_CASE("the base directory is the current directory at opening, not at extraction")
{
    std::string folder = FreshFolder("basedir");
    CreateDirectoryA((folder + "first").c_str(), nullptr);
    CreateDirectoryA((folder + "second").c_str(), nullptr);
    ZipBuilder builder;
    builder.Add("file.txt", "payload");
    builder.Add("dir/", "").externalAttributes = 0x41ED0000;
    std::string archivePath = WriteArchive(builder, folder);
    ArchiveReader* reader;
    {
        CurrentDirectory current(folder + "first");
        reader = OpenArchive(archivePath.c_str());
    }
    REQUIRE(reader);
    CurrentDirectory current(folder + "second");
    CHECK(ExtractArchiveEntry(reader, 0, "a/b.txt") == AR_OK);
    CHECK(ExtractArchiveEntry(reader, 1, "made/here") == AR_OK);
    CHECK(ReadBytes(folder + "first\\a\\b.txt") == "payload");
    CHECK(Exists(folder + "first\\made\\here"));
    CHECK_FALSE(Exists(folder + "second\\a"));
    CloseArchive(reader);
}

TEST_CASE("folder entries create the folder and its parents, once")
{
    std::string folder = FreshFolder("folders");
    ZipBuilder builder;
    builder.Add("a/b/c/", "").externalAttributes = 0x41ED0000;
    ZipBuilderEntry& dos = builder.Add("dos/", "");
    dos.versionMadeBy = 0x0014;
    dos.externalAttributes = 0x10;
    OpenedArchive archive(WriteArchive(builder, folder));
    for (int i = 0; i < 2; ++i) {
        CAPTURE(i);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        std::string target = folder + "out\\" + entry.name;
        REQUIRE(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
        CHECK(AttributesOf(target) == FILE_ATTRIBUTE_DIRECTORY);
        REQUIRE(WriteBytes(target + "keep.txt", "kept"));
        CHECK(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_OK);
        CHECK(ReadBytes(target + "keep.txt") == "kept");
    }
    CHECK(Exists(folder + "out\\a\\b"));
}

TEST_CASE("extraction replaces an ordinary file and refuses a read-only one")
{
    std::string folder = FreshFolder("over");
    ZipBuilder builder;
    builder.Add("new.txt", "new");
    OpenedArchive archive(WriteArchive(builder, folder));
    std::string ordinary = folder + "ordinary.txt", locked = folder + "locked.txt";
    REQUIRE(WriteBytes(ordinary, "old content, longer than the new one"));
    REQUIRE(WriteBytes(locked, "locked content"));
    REQUIRE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));

    CHECK(ExtractArchiveEntry(archive.reader, 0, ordinary.c_str()) == AR_OK);
    CHECK(ReadBytes(ordinary) == "new");
    CHECK(ExtractArchiveEntry(archive.reader, 0, locked.c_str()) == AR_CANNOT_OPEN);
    CHECK(ReadBytes(locked) == "locked content");
    SUBCASE("a file held open elsewhere cannot be replaced")
    {
        HANDLE held = CreateFileA(ordinary.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        CHECK(ExtractArchiveEntry(archive.reader, 0, ordinary.c_str()) == AR_CANNOT_OPEN);
        CloseHandle(held);
    }
}

TEST_CASE("paths that do not fit 259 characters are refused, never cut short")
{
    std::string folder = FreshFolder("long");
    ZipBuilder builder;
    builder.Add("file.txt", "payload");
    builder.Add("dir/", "").externalAttributes = 0x41ED0000;
    std::string archivePath = WriteArchive(builder, folder);
    OpenedArchive archive(archivePath);
    std::string fits = folder + std::string(259 - folder.size() - 4, 'f') + ".txt";
    std::string tooLong = folder + std::string(260 - folder.size() - 4, 'f') + ".txt";
    REQUIRE(fits.size() == 259);
    CHECK(ExtractArchiveEntry(archive.reader, 0, tooLong.c_str()) == AR_CANNOT_OPEN);
    CHECK(ExtractArchiveEntry(archive.reader, 1, tooLong.c_str()) == AR_CANNOT_OPEN);
    CHECK(ExtractArchiveEntry(archive.reader, 0, fits.c_str()) == AR_OK);
    CHECK(ReadBytes(fits) == "payload");
    std::string deep = folder + std::string(150, 'd') + "\\" + std::string(150, 'e') + "\\x.txt";
    CHECK(ExtractArchiveEntry(archive.reader, 0, deep.c_str()) == AR_CANNOT_OPEN);
    CHECK_FALSE(Exists(folder + std::string(150, 'd')));

    // Relative targets count with the base directory in front.
    CurrentDirectory current(folder);
    OpenedArchive relative(archivePath);
    std::string name(260 - folder.size(), 'r');
    CHECK(ExtractArchiveEntry(relative.reader, 0, name.c_str()) == AR_CANNOT_OPEN);
    CHECK(ExtractArchiveEntry(relative.reader, 0, name.substr(1).c_str()) == AR_OK);
    CHECK(ReadBytes(folder + name.substr(1)) == "payload");
}

TEST_CASE("an impossible DOS date leaves the file its own times")
{
    std::string folder = FreshFolder("nodate");
    ZipBuilder builder;
    ZipBuilderEntry& undated = builder.Add("undated.txt", "no date");
    undated.dosDate = 0;   // month 0, day 0
    undated.dosTime = 0;
    OpenedArchive archive(WriteArchive(builder, folder));
    ArchiveEntry entry = Sentinel();
    REQUIRE(GetArchiveEntry(archive.reader, 0, &entry) == AR_OK);
    CHECK(Ticks(entry.writeTime) == 0);
    CHECK(Ticks(entry.accessTime) == 0);
    CHECK(Ticks(entry.creationTime) == 0);
    FILETIME before;
    GetSystemTimeAsFileTime(&before);
    std::string target = folder + "undated.txt";
    REQUIRE(ExtractArchiveEntry(archive.reader, 0, target.c_str()) == AR_OK);
    FileTimes times = TimesOf(target);
    // File systems may round the time down a little.
    CHECK(times.write + 20000000 >= Ticks(before));
    CHECK(times.creation + 20000000 >= Ticks(before));
    CHECK(ReadBytes(target) == "no date");
}
