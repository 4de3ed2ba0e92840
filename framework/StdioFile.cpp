#include "framework/StdioFile.h"

CStdioFile::~CStdioFile()
{
    Close();
}

BOOL CStdioFile::Open(const char* fileName, UINT openFlags)
{
    Close();
    if (openFlags != (modeCreate | modeWrite | typeBinary))
        return FALSE;
    m_hFile = ::CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

BOOL CStdioFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    return ::WriteFile(m_hFile, buffer, count, &written, nullptr) && written == count;
}

void CStdioFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}
