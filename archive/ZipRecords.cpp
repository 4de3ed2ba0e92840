#include "archive/ZipRecords.h"
#include "archive/LittleEndian.h"
#include <cstring>

namespace {
const WORD kFlagDataDescriptor = 0x0008;
const WORD kZip64BlockId = 0x0001;
const DWORD kSizeInZip64Block = 0xFFFFFFFF;

// The data of the first block with this identifier, or none.
const BYTE* FindExtraBlock(const BYTE* extra, size_t length, WORD id, size_t& blockLength)
{
    size_t p = 0;
    while (p + 4 <= length) {
        size_t size = ReadWord(extra + p + 2);
        if (p + 4 + size > length)
            return nullptr;
        if (ReadWord(extra + p) == id) {
            blockLength = size;
            return extra + p + 4;
        }
        p += 4 + size;
    }
    return nullptr;
}
}

size_t FindEndRecord(const BYTE* tail, size_t length)
{
    for (size_t p = length >= kEndRecordSize ? length - kEndRecordSize + 1 : 0; p-- > 0;) {
        if (tail[p] == 'P' && tail[p + 1] == 'K' && tail[p + 2] == 5 && tail[p + 3] == 6 &&
            p + kEndRecordSize + ReadWord(tail + p + 20) == length)
            return p;
    }
    return length;
}

size_t FindLastSignature(const BYTE* tail, size_t length, const char* signature)
{
    for (size_t p = length >= 4 ? length - 4 : 0; p > 0; --p) {
        if (memcmp(tail + p, signature, 4) == 0)
            return p;
    }
    return length;
}

bool LocalSizesAgree(const BYTE (&header)[kLocalHeaderSize], const BYTE* extra, size_t extraLength,
                     ULONGLONG compressedSize, ULONGLONG uncompressedSize)
{
    if (ReadWord(header + 6) & kFlagDataDescriptor)
        return true;
    ULONGLONG compressed = ReadDword(header + 18);
    ULONGLONG uncompressed = ReadDword(header + 22);
    if (compressed == kSizeInZip64Block || uncompressed == kSizeInZip64Block) {
        size_t blockLength = 0;
        const BYTE* block = FindExtraBlock(extra, extraLength, kZip64BlockId, blockLength);
        if (!block)
            return false;
        // A local ZIP64 block holds both sizes, uncompressed first; a short one only those
        // that the header left out, in that order.
        size_t p = 0;
        bool both = blockLength >= 16;
        if (uncompressed == kSizeInZip64Block || both) {
            if (p + 8 > blockLength)
                return false;
            uncompressed = ReadQword(block + p);
            p += 8;
        }
        if (compressed == kSizeInZip64Block || both) {
            if (p + 8 > blockLength)
                return false;
            compressed = ReadQword(block + p);
        }
    }
    return compressed == compressedSize && uncompressed == uncompressedSize;
}

ULONGLONG CentralUncompressedSize(DWORD recorded, const BYTE* extra, size_t extraLength)
{
    size_t blockLength = 0;
    const BYTE* block = recorded == kSizeInZip64Block
                            ? FindExtraBlock(extra, extraLength, kZip64BlockId, blockLength)
                            : nullptr;
    return block && blockLength >= 8 ? ReadQword(block) : recorded;
}
