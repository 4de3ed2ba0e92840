#include "framework/StdioFile.h"

BOOL CStdioFile::Open(const char* fileName, UINT openFlags)
{
    Close();
    bool createNew = (openFlags & modeCreateNew) != 0;
    if ((openFlags & ~modeCreateNew) != (modeCreate | modeWrite | typeBinary))
        return FALSE;
    if (createNew)
        m_file.Attach(::CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    else
        m_file.Attach(::CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.IsValid();
}

BOOL CStdioFile::Write(const void* buffer, UINT count)
{
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), buffer, count, &written, nullptr))
        return FALSE;
    // A write that took fewer bytes than it was given found the volume full.
    if (written != count)
        ::SetLastError(ERROR_DISK_FULL);
    return written == count;
}

BOOL CStdioFile::Truncate()
{
    return ::SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(m_file.Get());
}

void CStdioFile::Close()
{
    m_file.Close();
}

HANDLE CStdioFile::Detach()
{
    return m_file.Detach();
}
