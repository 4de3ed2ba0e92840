#pragma once
// Checks on the raw zip records that minizip leaves out: plain functions over bytes.
#include <windows.h>
#include <cstddef>

const size_t kEndRecordSize = 22;
const size_t kLocalHeaderSize = 30;
const size_t kMaxCommentSize = 0xFFFF;

// Where in the last bytes of a file (tail, ending where the file ends) the end record lies
// whose comment reaches exactly to the end of the file; the last such one if several do.
// length when there is none. A comment may itself hold the end record's signature.
size_t FindEndRecord(const BYTE* tail, size_t length);

// Where minizip's backward search through the last bytes of a file (tail, at most 65,535 of
// them) finds a 4-byte signature: the last place, the first byte of tail excepted. length
// when there is none.
size_t FindLastSignature(const BYTE* tail, size_t length, const char* signature);

// Whether a local header's sizes equal the central record's. A local size of 0xFFFFFFFF
// stands for the one in the local extra field's ZIP64 block; with flag bit 3 the sizes
// follow the data and the header's are not compared.
bool LocalSizesAgree(const BYTE (&header)[kLocalHeaderSize], const BYTE* extra, size_t extraLength,
                     ULONGLONG compressedSize, ULONGLONG uncompressedSize);

// The uncompressed size of a central record that states `recorded`: 0xFFFFFFFF stands for
// the first field of the record's ZIP64 block, and stays itself when there is none.
ULONGLONG CentralUncompressedSize(DWORD recorded, const BYTE* extra, size_t extraLength);
