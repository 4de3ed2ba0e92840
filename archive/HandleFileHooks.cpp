#include "archive/HandleFileHooks.h"
#include <windows.h>

namespace {
voidpf ZCALLBACK OpenHook(voidpf, const void* handle, int)
{
    return const_cast<void*>(handle);
}

uLong ZCALLBACK ReadHook(voidpf, voidpf stream, void* buffer, uLong size)
{
    DWORD read = 0;
    if (!ReadFile(stream, buffer, size, &read, nullptr))
        return 0;
    return read;
}

uLong ZCALLBACK WriteHook(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK TellHook(voidpf, voidpf stream)
{
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(stream, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return static_cast<ZPOS64_T>(-1);
    return static_cast<ZPOS64_T>(static_cast<DWORD>(high)) << 32 | low;
}

long ZCALLBACK SeekHook(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    DWORD method = origin == ZLIB_FILEFUNC_SEEK_SET   ? FILE_BEGIN
                   : origin == ZLIB_FILEFUNC_SEEK_CUR ? FILE_CURRENT
                                                      : FILE_END;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(stream, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    return low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : 0;
}

int ZCALLBACK CloseHook(voidpf, voidpf stream)
{
    return CloseHandle(stream) ? 0 : -1;
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
