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
    bool inBlock = position >= view.blockStart &&
                   position + size <= view.blockStart + view.blockLength;
    if (!inBlock) {
        view.blockStart = position;
        view.blockLength = ReadFileAt(view.file, position, view.block, HandleFileView::kBlockSize);
        if (size > view.blockLength)
            size = view.blockLength;
    }
    memcpy(buffer, view.block + (position - view.blockStart), size);
    return size;
}

zlib_filefunc64_def HandleFileHooks()
{
    return {OpenHook, ReadHook, WriteHook, TellHook, SeekHook, CloseHook, ErrorHook, nullptr};
}
