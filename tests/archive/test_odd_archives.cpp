// Archives that are odd or hostile: lying counts, ZIP64, local headers that disagree, UTF-8
// names, comments holding the end signature, stubs in front, names Windows sends elsewhere.
#include "ArchiveTesting.h"
#include "ZipBuilder.h"
#include "archive/ArchiveReader.h"
#include <doctest.h>
#include <climits>
#include <cstring>
#include <string>

TEST_CASE("the count is the records the central directory holds, whatever the end record says")
{
    std::string folder = FreshFolder("counts");
    // Entries f0, f1, ...; a byte of one central record may be set to another value.
    auto built = [&](const char* name, int entries, WORD extraCount, int damaged = -1,
                     size_t field = 0, char value = 0) {
        ZipBuilder builder;
        for (int i = 0; i < entries; ++i)
            builder.Add("f" + std::to_string(i), "x");
        std::string bytes = builder.ExtraCountedEntries(extraCount).Build();
        size_t at = bytes.find("PK\x01\x02");
        for (int i = 0; i < damaged; ++i)
            at = bytes.find("PK\x01\x02", at + 1);
        if (damaged >= 0)
            bytes[at + field] = value;
        WriteBytes(folder + name, bytes);
        return folder + name;
    };
    struct Row {
        const char* what;
        std::string archive;
        int count;
        const char* lastName;   // of the entry count - 1; null: it cannot be reached
        ULONGLONG unpacked;     // the sizes of the records that could be walked
    } rows[] = {
        {"65,535 claimed for 500", built("claims.zip", 500, 65535 - 500), 500, "f499", 500},
        {"2 claimed for 3", built("fewer.zip", 3, 0xFFFF), 3, "f2", 3},
        {"ZIP64: 2^31 - 1 claimed for 3", SamplePath("lying-zip64.zip"), 3, "e2.txt", 21},
        {"16-bit count wrapped past 65,535", SamplePath("wrapped.zip"), 65537, "65536", 316575},
        // What is left of the directory from a damaged record on is one entry that cannot
        // be reached: a signature, or a comment running past the directory's end.
        {"third signature damaged", built("signature.zip", 5, 0, 2, 3, 9), 3, nullptr, 2},
        {"last record runs past the end", built("overrun.zip", 5, 0, 4, 32, 30), 5, nullptr, 4},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.what));
        OpenedArchive archive(row.archive);
        CHECK(archive.Count() == row.count);
        ULONGLONG unpacked = 0xdeadbeef;
        CHECK((GetArchiveUnpackedSize(archive.reader, &unpacked) == AR_OK && unpacked == row.unpacked));
        ArchiveEntry entry;
        std::string target = folder + "last";
        DeleteFileA(target.c_str());
        DWORD expected = row.lastName ? AR_OK : AR_CORRUPT;
        CHECK(GetArchiveEntry(archive.reader, row.count - 1, &entry) == expected);
        CHECK(std::string(entry.name) == std::string(row.lastName ? row.lastName : ""));
        CHECK(ExtractArchiveEntry(archive.reader, row.count - 1, target.c_str()) == expected);
        CHECK(Exists(target) == (row.lastName != nullptr));
        CHECK(GetArchiveEntry(archive.reader, row.count, &entry) == AR_BAD_ARGUMENT);
        CHECK(GetArchiveEntry(archive.reader, 1, &entry) == AR_OK);   // reached again from the top
    }
}

TEST_CASE("ZIP64: Python's forced ZIP64 headers and more than 65,535 entries are read")
{
    SUBCASE("force_zip64: local sizes in the ZIP64 block")
    {
        std::string out = FreshFolder("zip64");
        OpenedArchive archive(SamplePath("zip64.zip"));
        REQUIRE(archive.reader);
        REQUIRE(archive.Count() == 2);
        const char* const names[] = {"one.txt", "two.txt"};
        for (int i = 0; i < 2; ++i) {
            CAPTURE(i);
            ArchiveEntry entry;
            REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
            CHECK(std::string(entry.name) == names[i]);
            std::string expected;
            for (int n = 0; n < 100; ++n)
                expected += std::string("content of ") + names[i] + "\n";
            CHECK(entry.uncompressedSize == expected.size());
            REQUIRE(ExtractArchiveEntry(archive.reader, i, (out + entry.name).c_str()) == AR_OK);
            CHECK(ReadBytes(out + entry.name) == expected);
        }
    }
    SUBCASE("65,537 entries behind a ZIP64 end record")
    {
        std::string out = FreshFolder("many");
        OpenedArchive archive(SamplePath("many.zip"));
        REQUIRE(archive.reader);
        REQUIRE(archive.Count() == 65537);
        for (int i : {0, 65535, 65536}) {
            CAPTURE(i);
            ArchiveEntry entry;
            REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
            char name[6];
            wsprintfA(name, "%05d", i);
            CHECK(std::string(entry.name) == name);
            REQUIRE(ExtractArchiveEntry(archive.reader, i, (out + entry.name).c_str()) == AR_OK);
            CHECK(ReadBytes(out + entry.name) == std::to_string(i));
        }
    }
    SUBCASE("an entry claiming 5 GiB is refused, not cut to 32 bits")
    {
        std::string out = FreshFolder("huge");
        OpenedArchive archive(SamplePath("huge-entry.zip"));
        REQUIRE(archive.Count() == 3);
        ArchiveEntry entry;
        CHECK(GetArchiveEntry(archive.reader, 1, &entry) == AR_CORRUPT);
        CHECK(entry.uncompressedSize == 0);
        CHECK(ExtractArchiveEntry(archive.reader, 1, (out + "huge.bin").c_str()) == AR_CORRUPT);
        CHECK_FALSE(Exists(out + "huge.bin"));
        REQUIRE(GetArchiveEntry(archive.reader, 2, &entry) == AR_OK);
        CHECK(ExtractArchiveEntry(archive.reader, 2, (out + "after.txt").c_str()) == AR_OK);
        CHECK(ReadBytes(out + "after.txt") == "after");
        // What unpacking needs counts the claim whole; a sum past 64 bits stays at the top.
        ULONGLONG unpacked = 0;
        CHECK((GetArchiveUnpackedSize(archive.reader, &unpacked) == AR_OK && unpacked == (5ULL << 30) + 11));
        OpenedArchive overflow(SamplePath("overflow.zip"));
        CHECK((GetArchiveUnpackedSize(overflow.reader, &unpacked) == AR_OK && unpacked == ~0ULL));
    }
}

TEST_CASE("local header sizes must equal the central record's unless a data descriptor follows")
{
    const std::string data(3000, 'd');
    auto zip64Block = [](ULONGLONG uncompressed, ULONGLONG compressed) {
        std::string block("\x01\x00\x10\x00", 4);
        for (ULONGLONG value : {uncompressed, compressed})
            for (int i = 0; i < 8; ++i)
                block += static_cast<char>(value >> (8 * i));
        return block;
    };
    const ULONGLONG size = data.size();
    struct Case {
        const char* what;
        LONGLONG localCompressed, localUncompressed;
        std::string localExtra;
        WORD flags;
        DWORD result;
    };
    const Case cases[] = {
        {"both 0xFFFFFFFF, no ZIP64 block", 0xFFFFFFFF, 0xFFFFFFFF, "", 0, AR_CORRUPT},
        {"both 0xFFFFFFFF, ZIP64 block agrees", 0xFFFFFFFF, 0xFFFFFFFF, zip64Block(size, size), 0,
         AR_OK},
        {"ZIP64 block: uncompressed size differs", 0xFFFFFFFF, 0xFFFFFFFF,
         zip64Block(size + 1, size), 0, AR_CORRUPT},
        {"ZIP64 block: compressed size differs", 0xFFFFFFFF, 0xFFFFFFFF,
         zip64Block(size, size - 1), 0, AR_CORRUPT},
        {"ZIP64 block cut short", 0xFFFFFFFF, 0xFFFFFFFF, zip64Block(size, size).substr(0, 10), 0,
         AR_CORRUPT},
        {"compressed 0xFFFFFFFF only, no block", 0xFFFFFFFF, -1, "", 0, AR_CORRUPT},
        {"uncompressed 0xFFFFFFFF only, no block", -1, 0xFFFFFFFF, "", 0, AR_CORRUPT},
        {"plain compressed size one less", static_cast<LONGLONG>(size) - 1, -1, "", 0, AR_CORRUPT},
        {"plain uncompressed size one more", -1, static_cast<LONGLONG>(size) + 1, "", 0,
         AR_CORRUPT},
        {"data descriptor: zeros in the header", 0, 0, "", 0x08, AR_OK},
        {"data descriptor: 0xFFFFFFFF in the header", 0xFFFFFFFF, 0xFFFFFFFF, "", 0x08, AR_OK},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.what));
        std::string folder = FreshFolder("local-sizes");
        ZipBuilder builder;
        ZipBuilderEntry& entry = builder.Add("data.txt", data);
        entry.method = 0;   // stored: the compressed size is the data's
        entry.localCompressedSize = c.localCompressed;
        entry.localUncompressedSize = c.localUncompressed;
        entry.localExtra = c.localExtra;
        entry.flags = c.flags;
        OpenedArchive archive(WriteArchive(builder, folder));
        REQUIRE(archive.Count() == 1);
        ArchiveEntry record;
        CHECK(GetArchiveEntry(archive.reader, 0, &record) == c.result);
        std::string target = folder + "data.txt";
        CHECK(ExtractArchiveEntry(archive.reader, 0, target.c_str()) == c.result);
        CHECK(ReadBytes(target) == (c.result == AR_OK ? data : "<missing>"));
    }
}

TEST_CASE("UTF-8 names from 7-Zip, bsdtar and Python arrive in the code page or not at all")
{
    // The tests run with Windows-1252 as the code page, as the installer's texts are.
    REQUIRE(GetACP() == 1252);
    struct Expected {
        const char* stored;   // as the tools wrote it, UTF-8
        const char* name;     // Windows-1252, or none: refused
    };
    const Expected expected[] = {
        {"Pr\xC3\xBC" "fung.txt", "Pr\xFC" "fung.txt"},
        {"\xC3\x86r\xC3\xB8.txt", "\xC6r\xF8.txt"},
        {"\xCE\xA9mega.txt", nullptr},
    };
    for (const char* sample : {"utf8-7z.zip", "utf8-bsdtar.zip", "utf8-python.zip"}) {
        CAPTURE(std::string(sample));
        std::string out = FreshFolder("utf8");
        OpenedArchive archive(SamplePath(sample));
        REQUIRE(archive.Count() == 3);
        int refused = 0;
        for (int i = 0; i < 3; ++i) {
            CAPTURE(i);
            ArchiveEntry entry;
            entry.nameUtf8 = false;
            DWORD result = GetArchiveEntry(archive.reader, i, &entry);
            std::string target = out + "entry" + std::to_string(i);
            if (result == AR_CANNOT_OPEN) {
                ++refused;
                CHECK(entry.name[0] == '\0');
                CHECK(ExtractArchiveEntry(archive.reader, i, target.c_str()) == AR_CANNOT_OPEN);
                continue;
            }
            REQUIRE(result == AR_OK);
            CHECK(entry.nameUtf8);
            std::string name = entry.name;
            CAPTURE(name);
            bool known = name == expected[0].name || name == expected[1].name;
            CHECK(known);
            REQUIRE(ExtractArchiveEntry(archive.reader, i, (out + name).c_str()) == AR_OK);
            for (const Expected& e : expected) {
                if (e.name && name == e.name)
                    CHECK(ReadBytes(out + name) == std::string("content of ") + e.stored + "\n");
            }
        }
        CHECK(refused == 1);
        // Exactly the two files under their code-page names; nothing under a guessed one.
        CHECK(Tree(out) == std::vector<std::string>{expected[0].name, expected[1].name});
    }
}

TEST_CASE("UTF-8 names built by hand: invalid bytes, best-fit characters, a cut name")
{
    std::string folder = FreshFolder("utf8-built");
    struct Case {
        const char* what;
        std::string stored;
        DWORD result;
        std::string name;
    };
    // Two letters and 150 two-byte characters: the first 259 bytes end inside the 129th.
    std::string cutCharacters;
    for (int i = 0; i < 150; ++i)
        cutCharacters += "\xC3\xA4";
    const Case cases[] = {
        {"a lone continuation byte", "bad\x80.txt", AR_CANNOT_OPEN, ""},
        {"an overlong slash", "a\xC0\xAF" "b.txt", AR_CANNOT_OPEN, ""},
        {"a fullwidth A, which best fit would make an A", "\xEF\xBC\xA1.txt", AR_CANNOT_OPEN, ""},
        {"a division slash, which best fit would make a separator", "a\xE2\x88\x95" "b",
         AR_CANNOT_OPEN, ""},
        {"the euro sign is in the code page", "\xE2\x82\xAC.txt", AR_OK, "\x80.txt"},
        {"a name cut inside a character loses that character", "xy" + cutCharacters, AR_OK,
         "xy" + std::string(128, '\xE4')},
        {"a cleaned UTF-8 name", "../\xC3\xA4/../../up.txt", AR_OK, "up.txt"},
    };
    ZipBuilder builder;
    for (const Case& c : cases)
        builder.Add(c.stored, "data").flags = 0x0800;
    OpenedArchive archive(WriteArchive(builder, folder));
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const Case& c = cases[i];
        CAPTURE(std::string(c.what));
        ArchiveEntry entry;
        CHECK(GetArchiveEntry(archive.reader, static_cast<int>(i), &entry) == c.result);
        CHECK(std::string(entry.name) == c.name);
    }
}

TEST_CASE("an archive comment holding the end signature")
{
    std::string out = FreshFolder("comment");
    OpenedArchive archive(SamplePath("comment.zip"));
    REQUIRE(archive.reader);
    REQUIRE(archive.Count() == 2);
    ArchiveEntry entry;
    REQUIRE(GetArchiveEntry(archive.reader, 1, &entry) == AR_OK);
    CHECK(std::string(entry.name) == "big.txt");
    REQUIRE(ExtractArchiveEntry(archive.reader, 1, (out + "big.txt").c_str()) == AR_OK);
    CHECK(ReadBytes(out + "big.txt") == ReadBytes(SamplePath("src\\big.txt")));
}

TEST_CASE("a stub in front with offsets not adjusted: the UT time comes from the archive")
{
    const ULONGLONG utTime = UtcTicks(2021, 6, 15, 12, 34, 57);   // make_samples.py
    for (const char* sample : {"odd.zip", "odd-sfx.exe", "odd-sfx-ut.exe"}) {
        CAPTURE(std::string(sample));
        std::string out = FreshFolder("odd");
        OpenedArchive archive(SamplePath(sample));
        REQUIRE(archive.Count() == 1);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, 0, &entry) == AR_OK);
        CHECK(Ticks(entry.writeTime) == utTime);
        CHECK(Ticks(entry.accessTime) == utTime);
        REQUIRE(ExtractArchiveEntry(archive.reader, 0, (out + "odd.txt").c_str()) == AR_OK);
        CHECK(TimesOf(out + "odd.txt").write == utTime);
        CHECK(ReadBytes(out + "odd.txt") == "odd second\n");
    }
}

TEST_CASE("names that Windows sends to a device, a stream or another name are refused")
{
    const char* const refused[] = {
        "top/NUL", "top/aux.txt", "top/COM1", "top/CON", "top/lpt1.log", "top/sub/evil.txt.",
        "top/nul.tar.gz", "top/Com9", "top/LpT0.x", "top/prn", "top/conin$", "top/CONOUT$",
        "top/COM\xB9", "top/con .txt", "top/trail ", "top/a:stream", "top/x.txt:$DATA",
        "CON/x.txt", "top/aux/x.txt", "top/dots./x.txt", "top/.../x.txt", "top/.. /x.txt",
        "top/AUX/",
    };
    const char* const ordinary[] = {
        "top/console.txt", "top/COM10", "top/nul_", "top/a.b.txt", "top/LPT", "top/xcon",
        "top/.hidden", "top/..x", "top/com.txt",
    };
    std::string folder = FreshFolder("devices");
    ZipBuilder builder;
    for (const char* name : refused) {
        ZipBuilderEntry& entry = builder.Add(name, "refused");
        if (name[strlen(name) - 1] == '/')
            entry.externalAttributes = 0x41ED0000;
    }
    for (const char* name : ordinary)
        builder.Add(name, std::string("ordinary ") + name);
    std::string archivePath = WriteArchive(builder, folder);
    std::string out = folder + "out\\";
    REQUIRE(CreateDirectoryA(out.c_str(), nullptr));
    OpenedArchive archive(archivePath);
    const int refusedCount = static_cast<int>(sizeof(refused) / sizeof(refused[0]));
    std::vector<std::string> before = Tree(folder);
    for (int i = 0; i < refusedCount; ++i) {
        std::string name = refused[i];
        CAPTURE(name);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK(ExtractArchiveEntry(archive.reader, i, (out + entry.name).c_str()) == AR_CANNOT_OPEN);
        // Nothing created on the way: not even the folder "top".
        CHECK(Tree(folder) == before);
    }
    for (int i = refusedCount; i < archive.Count(); ++i) {
        std::string name = ordinary[i - refusedCount];
        CAPTURE(name);
        ArchiveEntry entry;
        REQUIRE(GetArchiveEntry(archive.reader, i, &entry) == AR_OK);
        CHECK(ExtractArchiveEntry(archive.reader, i, (out + entry.name).c_str()) == AR_OK);
        CHECK(ReadBytes(out + entry.name) == "ordinary " + name);
    }
    CHECK(Tree(out + "top").size() == sizeof(ordinary) / sizeof(ordinary[0]));
}
