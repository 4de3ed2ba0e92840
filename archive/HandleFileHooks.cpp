#include "archive/HandleFileHooks.h"

namespace {
HandleFileView& ViewOf(voidpf stream)
{
    return *static_cast<HandleFileView*>(stream);
}

ULONGLONG Position(HANDLE file)
{
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(file, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return static_cast<ULONGLONG>(-1);
    return static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32 | low;
}

voidpf ZCALLBACK OpenHook(voidpf, const void* view, int)
{
    return const_cast<void*>(view);
}

uLong ZCALLBACK ReadHook(voidpf, voidpf stream, void* buffer, uLong size)
{
    HandleFileView& view = ViewOf(stream);
    ULONGLONG position = Position(view.file);
    if (position >= view.end)
        return 0;
    if (size > view.end - position)
        size = static_cast<uLong>(view.end - position);
    DWORD read = 0;
    if (!ReadFile(view.file, buffer, size, &read, nullptr))
        return 0;
    return read;
}

uLong ZCALLBACK WriteHook(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK TellHook(voidpf, voidpf stream)
{
    return Position(ViewOf(stream).file);
}

long ZCALLBACK SeekHook(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    HandleFileView& view = ViewOf(stream);
    DWORD method = FILE_BEGIN;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        method = FILE_CURRENT;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        offset += view.end;   // from the end of the view, not of the file
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(view.file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    return low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : 0;
}

int ZCALLBACK CloseHook(voidpf, voidpf stream)
{
    HandleFileView& view = ViewOf(stream);
    BOOL closed = CloseHandle(view.file);
    view.file = INVALID_HANDLE_VALUE;
    return closed ? 0 : -1;
}

int ZCALLBACK ErrorHook(voidpf, voidpf)
{
    return 0;
}
}

zlib_filefunc64_def HandleFileHooks()
{
    return {OpenHook, ReadHook, WriteHook, TellHook, SeekHook, CloseHook, ErrorHook, nullptr};
}
