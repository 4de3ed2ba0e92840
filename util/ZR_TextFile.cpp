#include "util/ZR_TextFile.h"
#include <cstring>
#include <new>

C_ZR_TextFile::C_ZR_TextFile() : m_nBufferSize(0), m_pBuffer(nullptr)
{
    SetBufferSize(1024);
    SetBlankDelimiters();
}

C_ZR_TextFile::~C_ZR_TextFile()
{
    delete[] m_pBuffer;
    Close();
}

// Without ios::binary the C runtime opens in text mode, which stores "\n" as CR LF.
// The filebuf maps in to "r", out|app to "a" and out|trunc to "w".
bool C_ZR_TextFile::Open(const C_ZR_FileName& fileName, std::ios_base::openmode mode)
{
    if (fileName.IsEmpty())
        return false;
    m_fileName = fileName;
    const char* path = m_fileName.GetPath();
    if (is_open() || rdbuf()->open(path, mode) == nullptr) {
        setstate(std::ios_base::failbit);
        return is_open();
    }
    clear();
    return true;
}

bool C_ZR_TextFile::OpenRead(const C_ZR_FileName& fileName)
{
    return Open(fileName, std::ios_base::in);
}

bool C_ZR_TextFile::OpenAppend(const C_ZR_FileName& fileName)
{
    return Open(fileName, std::ios_base::out | std::ios_base::app);
}

bool C_ZR_TextFile::OpenWrite(const C_ZR_FileName& fileName)
{
    return Open(fileName, std::ios_base::out | std::ios_base::trunc);
}

bool C_ZR_TextFile::Close()
{
    if (!is_open())
        return false;
    close();
    return true;
}

void C_ZR_TextFile::SetDelimiters(const C_ZR_DynString& delimiters)
{
    m_strDelimiters = delimiters;
}

void C_ZR_TextFile::SetBlankDelimiters()
{
    m_strDelimiters = " \t";
}

void C_ZR_TextFile::SetSemicolonDelimiters()
{
    m_strDelimiters = "; \t";
}

void C_ZR_TextFile::SetCommaDelimiters()
{
    m_strDelimiters = ", \t";
}

bool C_ZR_TextFile::SetBufferSize(int size)
{
    // A size of 0 or less is kept (ReadToken then reads nothing) but still gets a 1-byte buffer.
    size_t bytes = size > 0 ? static_cast<size_t>(size) + 1 : 1;
    char* buffer = new (std::nothrow) char[bytes];
    if (buffer == nullptr)
        return false;
    delete[] m_pBuffer;
    m_pBuffer = buffer;
    m_nBufferSize = size;
    std::memset(m_pBuffer, 0, bytes);
    return true;
}

bool C_ZR_TextFile::WriteNewLines(int count)
{
    if (!is_open())
        return false;
    for (int i = 0; i < count; ++i) {
        put('\n');
        flush();
    }
    return true;
}

bool C_ZR_TextFile::SkipTo(const C_ZR_DynString& text)
{
    if (!is_open() || text.IsEmpty())
        return false;
    const int length = text.GetLength();
    int matched = 0;
    while (!eof()) {
        if (matched == length)
            return true;
        int c = get();
        if (c == traits_type::eof())
            break;
        // A mismatch starts over without comparing that character with the text's first.
        matched = traits_type::to_char_type(c) == text.GetAt(matched) ? matched + 1 : 0;
    }
    return matched == length;
}

bool C_ZR_TextFile::IsDelimiter(int c) const
{
    return m_strDelimiters.Find(traits_type::to_char_type(c)) >= 0;
}

bool C_ZR_TextFile::ReadToken(C_ZR_DynString& token)
{
    if (!is_open() || eof())
        return false;
    std::memset(m_pBuffer, 0, m_nBufferSize > 0 ? static_cast<size_t>(m_nBufferSize) + 1 : 1);
    const int eofMark = traits_type::eof();
    for (;;) {
        int c = peek();
        if (c == eofMark || c == '\n' || c == '\0')
            return false;
        if (!IsDelimiter(c))
            break;
        get();
    }
    if (m_nBufferSize <= 0)
        return false;
    for (int stored = 0;;) {
        int c = peek();
        if (c == eofMark || c == '\n' || c == '\0' || IsDelimiter(c)) {
            token.Set(m_pBuffer);
            return true;
        }
        m_pBuffer[stored++] = traits_type::to_char_type(get());
        if (stored == m_nBufferSize)
            return false;
    }
}
