#include "archive/HandleFileHooks.h"
#include <cstring>

namespace {
HandleFileView& ViewOf(voidpf stream)
{
    return *static_cast<HandleFileView*>(stream);
}

// Only the reader uses the handle, so the file pointer is free to move. A read that names
// its offset in an OVERLAPPED costs Wine a round trip to its server on every call.
DWORD ReadFileAt(HANDLE file, ULONGLONG position, void* buffer, DWORD size)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(position);
    DWORD read = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
                   ReadFile(file, buffer, size, &read, nullptr)
               ? read
               : 0;
}

bool Holds(const HandleFileView::Block& block, ULONGLONG position, DWORD size)
{
    return position >= block.start && position + size <= block.start + block.length;
}

voidpf ZCALLBACK OpenHook(voidpf, const void* view, int)
{
    return const_cast<void*>(view);
}

uLong ZCALLBACK ReadHook(voidpf, voidpf stream, void* buffer, uLong size)
{
    HandleFileView& view = ViewOf(stream);
    DWORD read = ReadView(view, view.position, buffer, size);
    view.position += read;
    return read;
}

uLong ZCALLBACK WriteHook(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK TellHook(voidpf, voidpf stream)
{
    return ViewOf(stream).position;
}

long ZCALLBACK SeekHook(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    HandleFileView& view = ViewOf(stream);
    ULONGLONG from = origin == ZLIB_FILEFUNC_SEEK_CUR   ? view.position
                     : origin == ZLIB_FILEFUNC_SEEK_END ? view.end
                                                        : 0;
    ULONGLONG target = from + offset;
    // Windows refuses a position that would be negative as a signed 64-bit number.
    if (target < from || target > static_cast<ULONGLONG>(MAXLONGLONG))
        return -1;
    view.position = target;
    return 0;
}

int ZCALLBACK CloseHook(voidpf, voidpf stream)
{
    HandleFileView& view = ViewOf(stream);
    // minizip owns the file from the open hook on and gives it back here.
    BOOL closed = CloseHandle(view.file);
    view.file = INVALID_HANDLE_VALUE;
    return closed ? 0 : -1;
}

int ZCALLBACK ErrorHook(voidpf, voidpf)
{
    return 0;
}
}

DWORD ReadView(HandleFileView& view, ULONGLONG position, void* buffer, DWORD size)
{
    if (position >= view.end)
        return 0;
    if (size > view.end - position)
        size = static_cast<DWORD>(view.end - position);
    if (size >= HandleFileView::kBlockSize)
        return ReadFileAt(view.file, position, buffer, size);
    int used = Holds(view.blocks[0], position, size) ? 0
               : Holds(view.blocks[1], position, size) ? 1
                                                        : -1;
    if (used < 0) {
        used = 1 - view.lastUsed;
        HandleFileView::Block& block = view.blocks[used];
        ULONGLONG rest = view.end - position;
        block.start = position;
        block.length = ReadFileAt(view.file, position, block.bytes,
                                  rest < HandleFileView::kBlockSize ? static_cast<DWORD>(rest)
                                                                    : HandleFileView::kBlockSize);
        if (size > block.length)
            size = block.length;
    }
    view.lastUsed = used;
    const HandleFileView::Block& block = view.blocks[used];
    memcpy(buffer, block.bytes + (position - block.start), size);
    return size;
}

zlib_filefunc64_def HandleFileHooks()
{
    return {OpenHook, ReadHook, WriteHook, TellHook, SeekHook, CloseHook, ErrorHook, nullptr};
}
