#pragma once
// minizip's file functions over a file handle that the reader has already opened: the view
// goes to unzOpen2_64 in place of a file name, and minizip closes its handle at the end.
#include <ioapi.h>
#include <windows.h>

// The archive file as minizip sees it. It ends at `end`, which may lie before the real end
// of the file, so that minizip's backward search cannot land in the archive comment.
// minizip reads records a few bytes at a time, and a damaged length can send it through
// 64 KiB of them, so small reads come from blocks kept in memory: the file cannot change
// while the reader holds it open for reading only. Extracting alternates between the
// central directory and the entries' data, so there are two blocks, the one used longer
// ago being the one refilled.
struct HandleFileView {
    static const DWORD kBlockSize = 4096;
    struct Block {
        ULONGLONG start = 0;
        DWORD length = 0;
        BYTE bytes[kBlockSize];
    };
    HANDLE file = INVALID_HANDLE_VALUE;
    ULONGLONG end = 0;
    ULONGLONG position = 0;   // minizip's, kept here: reads say where they start
    Block blocks[2];
    int lastUsed = 0;
};

// Reads up to size bytes at position, never past the view's end; gives the number read.
DWORD ReadView(HandleFileView& view, ULONGLONG position, void* buffer, DWORD size);

zlib_filefunc64_def HandleFileHooks();
