#pragma once
// minizip's file functions over a file handle that the reader has already opened: the view
// goes to unzOpen2_64 in place of a file name, and minizip closes its handle at the end.
#include <ioapi.h>
#include <windows.h>

// The archive file as minizip sees it: it ends at `end`, which may lie before the real end
// of the file (so that minizip's backward search cannot land in the archive comment).
struct HandleFileView {
    HANDLE file = INVALID_HANDLE_VALUE;
    ULONGLONG end = 0;
};

zlib_filefunc64_def HandleFileHooks();
