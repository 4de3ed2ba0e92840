#pragma once
// How the fields of a zip entry become the reader's entry record: plain functions.
#include <windows.h>
#include <cstddef>

struct ArchiveEntry;

// The part of a stored name that is kept: drive letters, leading separators and every
// step up ("..") are dropped, so the name cannot lead out of the folder it is written to.
const char* CleanEntryName(const char* storedName);

// A stored UTF-8 name in the Windows code page. False when it is not UTF-8 or holds a
// character the code page has no byte for: a best-fit stand-in would name another file.
bool Utf8NameToCodePage(const char* utf8, char (&name)[MAX_PATH]);

// Drops the incomplete character that cutting a UTF-8 name may have left at its end.
void DropCutUtf8Character(char* utf8);

// Windows attribute bits from the zip "version made by" field and external attributes.
DWORD MapEntryAttributes(WORD versionMadeBy, DWORD externalAttributes);

// A DOS date and time taken as local time, in UTC. Not a calendar value: a zero file time.
FILETIME DosTimeToFileTime(WORD dosDate, WORD dosTime);

FILETIME UnixTimeToFileTime(LONG unixTime);

// Takes the times of the first "UT" block of a local extra field into the entry.
void ScanExtendedTimestamp(const BYTE* field, size_t length, ArchiveEntry& entry);

// The last of the 12 bytes that open a traditionally encrypted entry, decrypted with the
// password; it must equal the entry's check byte.
BYTE DecryptCheckByte(const char* password, const BYTE header[12]);
