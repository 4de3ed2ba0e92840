#pragma once
// A local file written in binary mode: create (replacing any file of that name), write, close.
#include "framework/Handles.h"

class CStdioFile {
public:
    // modeCreateNew: only a new file (CREATE_NEW), readable through the same handle, which
    // no one else may write or delete while it is open.
    enum OpenFlags { modeCreate = 0x1000, modeWrite = 0x0001, typeBinary = 0x8000, modeCreateNew = 0x20000 };

    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // Only modeCreate | modeWrite | typeBinary is supported, with or without modeCreateNew.
    // FALSE when it cannot be opened.
    BOOL Open(const char* fileName, UINT openFlags);
    // FALSE unless every byte was written; a short write fails with ERROR_DISK_FULL.
    BOOL Write(const void* buffer, UINT count);
    // Empties the file; the next write goes to its start.
    BOOL Truncate();
    void Close();
    // Hands the open handle to the caller, who closes it.
    HANDLE Detach();

private:
    CHandle m_file;
};
