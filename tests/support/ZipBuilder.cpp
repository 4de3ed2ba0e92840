#include "ZipBuilder.h"
#include <zlib.h>

namespace {
void PutWord(std::string& out, DWORD value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutLong(std::string& out, DWORD value)
{
    PutWord(out, value & 0xFFFF);
    PutWord(out, value >> 16);
}

// Traditional PKWARE encryption, written from the application note for the tests.
class Encrypter {
public:
    explicit Encrypter(const char* password)
    {
        for (const char* c = password; *c; ++c)
            Update(static_cast<unsigned char>(*c));
    }
    char Encode(char plain)
    {
        DWORD temp = (m_key2 & 0xFFFF) | 2;
        unsigned char mask = static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
        Update(static_cast<unsigned char>(plain));
        return static_cast<char>(static_cast<unsigned char>(plain) ^ mask);
    }

private:
    static DWORD Crc(DWORD crc, unsigned char b) { return get_crc_table()[(crc ^ b) & 0xFF] ^ (crc >> 8); }
    void Update(unsigned char c)
    {
        m_key0 = Crc(m_key0, c);
        m_key1 = (m_key1 + (m_key0 & 0xFF)) * 134775813u + 1;
        m_key2 = Crc(m_key2, static_cast<unsigned char>(m_key1 >> 24));
    }
    DWORD m_key0 = 305419896, m_key1 = 591751049, m_key2 = 878082192;
};

std::string Encrypt(const ZipBuilderEntry& entry, DWORD crc, const std::string& stored)
{
    std::string header = "\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB";
    header += static_cast<char>(entry.flags & 0x08 ? entry.dosTime >> 8 : crc >> 24);
    Encrypter encrypter(entry.password);
    std::string out;
    for (char c : header + stored)
        out += encrypter.Encode(c);
    return out;
}
}

std::string RawDeflate(const std::string& data)
{
    z_stream stream = {};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

ZipBuilderEntry& ZipBuilder::Add(const std::string& name, const std::string& data)
{
    m_entries.push_back(ZipBuilderEntry());
    m_entries.back().name = name;
    m_entries.back().data = data;
    return m_entries.back();
}

ZipBuilder& ZipBuilder::ExtraCountedEntries(WORD count)
{
    m_extraCount = count;
    return *this;
}

std::string ZipBuilder::Build() const
{
    std::string body, central;
    for (const ZipBuilderEntry& e : m_entries) {
        DWORD crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                          static_cast<uInt>(e.data.size())) + e.crcDelta;
        std::string stored = e.useRawData ? e.rawData : e.method == 8 ? RawDeflate(e.data) : e.data;
        WORD flags = e.flags;
        if (e.password) {
            stored = Encrypt(e, crc, stored);
            flags |= 0x01;
        }
        DWORD offset = static_cast<DWORD>(body.size());
        PutLong(body, 0x04034b50);
        PutWord(body, 20);
        PutWord(body, flags);
        PutWord(body, e.localMethod >= 0 ? e.localMethod : e.method);
        PutWord(body, e.dosTime);
        PutWord(body, e.dosDate);
        PutLong(body, crc);
        PutLong(body, static_cast<DWORD>(e.localCompressedSize >= 0 ? e.localCompressedSize
                                                                    : stored.size()));
        PutLong(body, static_cast<DWORD>(e.localUncompressedSize >= 0 ? e.localUncompressedSize
                                                                      : e.data.size()));
        PutWord(body, e.localNameLength >= 0 ? e.localNameLength : e.name.size());
        PutWord(body, e.localExtraLength >= 0 ? e.localExtraLength : e.localExtra.size());
        body += e.name + e.localExtra + stored;
        if (flags & 0x08) {
            PutLong(body, 0x08074b50);
            PutLong(body, crc);
            PutLong(body, static_cast<DWORD>(stored.size()));
            PutLong(body, static_cast<DWORD>(e.data.size()));
        }
        PutLong(central, 0x02014b50);
        PutWord(central, e.versionMadeBy);
        PutWord(central, 20);
        PutWord(central, flags);
        PutWord(central, e.method);
        PutWord(central, e.dosTime);
        PutWord(central, e.dosDate);
        PutLong(central, crc);
        PutLong(central, static_cast<DWORD>(stored.size()));
        PutLong(central, static_cast<DWORD>(e.data.size()));
        PutWord(central, static_cast<DWORD>(e.name.size()));
        PutWord(central, 0);   // central extra field
        PutWord(central, 0);   // comment
        PutWord(central, 0);   // disk
        PutWord(central, 0);   // internal attributes
        PutLong(central, e.externalAttributes);
        PutLong(central, offset);
        central += e.name;
    }
    std::string end;
    WORD count = static_cast<WORD>(m_entries.size() + m_extraCount);
    PutLong(end, 0x06054b50);
    PutWord(end, 0);
    PutWord(end, 0);
    PutWord(end, count);
    PutWord(end, count);
    PutLong(end, static_cast<DWORD>(central.size()));
    PutLong(end, static_cast<DWORD>(body.size()));
    PutWord(end, 0);
    return body + central + end;
}
