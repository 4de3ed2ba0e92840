#include "archive/EntryFields.h"
#include "archive/ArchiveReader.h"
#include "archive/LittleEndian.h"
#include <zlib.h>
#include <cstring>

namespace {
bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// ".." followed by a separator or by the end of the name.
bool StartsWithParentStep(const char* rest)
{
    return rest[0] == '.' && rest[1] == '.' && (rest[2] == '\0' || IsSeparator(rest[2]));
}

bool EndsWithParentStep(const char* rest)
{
    size_t length = strlen(rest);
    return length >= 3 && IsSeparator(rest[length - 3]) && StartsWithParentStep(rest + length - 2);
}

// Just after the first step up found inside the name, trying the four spellings in turn.
const char* AfterInnerParentStep(const char* rest)
{
    static const char* const steps[] = {"\\..\\", "\\../", "/../", "/..\\"};
    for (const char* step : steps) {
        if (const char* found = strstr(rest, step))
            return found + strlen(step);
    }
    return nullptr;
}

// Hosts whose external attributes carry the DOS attribute byte.
const BYTE kHostMsDos = 0;
const BYTE kHostMacintosh = 7;
const BYTE kHostNtfs = 11;
const BYTE kHostVfat = 14;

// Unix mode bits in the high half of the external attributes.
const DWORD kUnixDirectory = 0x40000000;
const DWORD kUnixOwnerWrite = 0x00800000;

const LONGLONG kSecondsFrom1601To1970 = 11644473600LL;
const LONGLONG kTicksPerSecond = 10000000LL;

// The traditional PKWARE cipher of the zip application note.
class TraditionalKeys {
public:
    TraditionalKeys() : m_crcTable(get_crc_table()) {}

    void Update(BYTE plain)
    {
        m_keys[0] = Crc(m_keys[0], plain);
        m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
        m_keys[2] = Crc(m_keys[2], static_cast<BYTE>(m_keys[1] >> 24));
    }

    BYTE Decrypt(BYTE cipher)
    {
        DWORD temp = (m_keys[2] & 0xFFFF) | 2;
        BYTE plain = static_cast<BYTE>(cipher ^ ((temp * (temp ^ 1)) >> 8));
        Update(plain);
        return plain;
    }

private:
    DWORD Crc(DWORD crc, BYTE b) const { return m_crcTable[(crc ^ b) & 0xFF] ^ (crc >> 8); }

    const z_crc_t* m_crcTable;
    DWORD m_keys[3] = {0x12345678, 0x23456789, 0x34567890};
};
}

const char* CleanEntryName(const char* storedName)
{
    const char* rest = storedName;
    for (;;) {
        if (rest[0] != '\0' && rest[1] == ':')
            rest += 2;
        else if (IsSeparator(rest[0]))
            rest += 1;
        else if (StartsWithParentStep(rest))
            rest += 2;
        else if (const char* after = AfterInnerParentStep(rest))
            rest = after;
        else if (EndsWithParentStep(rest))
            rest += strlen(rest);
        else
            return rest;
    }
}

bool Utf8NameToCodePage(const char* utf8, char (&name)[MAX_PATH])
{
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, MAX_PATH))
        return false;
    // With a UTF-8 code page there is nothing to convert, and the default-character
    // check is not allowed.
    if (GetACP() == CP_UTF8)
        return WideCharToMultiByte(CP_UTF8, 0, wide, -1, name, MAX_PATH, nullptr, nullptr) > 0;
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name, MAX_PATH,
                                     nullptr, &usedDefault);
    return length > 0 && !usedDefault;
}

void DropCutUtf8Character(char* utf8)
{
    size_t length = strlen(utf8);
    size_t start = length;
    while (start > 0 && (static_cast<BYTE>(utf8[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return;
    BYTE lead = static_cast<BYTE>(utf8[start - 1]);
    size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length - (start - 1) < needed)
        utf8[start - 1] = '\0';
}

DWORD MapEntryAttributes(WORD versionMadeBy, DWORD externalAttributes)
{
    bool readOnly = false, hidden = false, system = false, directory = false, archive = true;
    switch (HIBYTE(versionMadeBy)) {
    case kHostMsDos:
    case kHostMacintosh:
    case kHostNtfs:
    case kHostVfat:
        readOnly = externalAttributes & 0x01;
        hidden = externalAttributes & 0x02;
        system = externalAttributes & 0x04;
        directory = externalAttributes & 0x10;
        archive = externalAttributes & 0x20;
        break;
    default:
        directory = externalAttributes & kUnixDirectory;
        readOnly = !(externalAttributes & kUnixOwnerWrite);
        break;
    }
    return (directory ? FILE_ATTRIBUTE_DIRECTORY : 0) | (archive ? FILE_ATTRIBUTE_ARCHIVE : 0) |
           (hidden ? FILE_ATTRIBUTE_HIDDEN : 0) | (readOnly ? FILE_ATTRIBUTE_READONLY : 0) |
           (system ? FILE_ATTRIBUTE_SYSTEM : 0);
}

FILETIME DosTimeToFileTime(WORD dosDate, WORD dosTime)
{
    SYSTEMTIME calendar = {};
    calendar.wYear = static_cast<WORD>((dosDate >> 9) + 1980);
    calendar.wMonth = (dosDate >> 5) & 0x0F;
    calendar.wDay = dosDate & 0x1F;
    calendar.wHour = dosTime >> 11;
    calendar.wMinute = (dosTime >> 5) & 0x3F;
    calendar.wSecond = static_cast<WORD>((dosTime & 0x1F) * 2);
    FILETIME local, utc;
    // A zero file time tells SetFileTime to leave that time alone.
    if (!SystemTimeToFileTime(&calendar, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return FILETIME{0, 0};
    return utc;
}

FILETIME UnixTimeToFileTime(LONG unixTime)
{
    ULONGLONG ticks = static_cast<ULONGLONG>((unixTime + kSecondsFrom1601To1970) * kTicksPerSecond);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void ScanExtendedTimestamp(const BYTE* field, size_t length, ArchiveEntry& entry)
{
    if (length <= 4)
        return;
    size_t p = 0;
    while (field[p] != 'U' || field[p + 1] != 'T') {
        p += 4 + ReadWord(field + p + 2);
        if (p + 4 >= length)
            return;
    }
    BYTE flags = field[p + 4];
    p += 5;
    FILETIME* const times[] = {&entry.writeTime, &entry.accessTime, &entry.creationTime};
    for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1 << bit)))
            continue;
        if (p + 4 <= length)
            *times[bit] = UnixTimeToFileTime(static_cast<LONG>(ReadDword(field + p)));
        p += 4;
    }
}

BYTE DecryptCheckByte(const char* password, const BYTE header[12])
{
    TraditionalKeys keys;
    for (const char* c = password; *c; ++c)
        keys.Update(static_cast<BYTE>(*c));
    BYTE plain = 0;
    for (int i = 0; i < 12; ++i)
        plain = keys.Decrypt(header[i]);
    return plain;
}
