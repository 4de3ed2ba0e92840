#include "util/ZR_DynString.h"
#include <cctype>
#include <cstring>
#include <new>
#include <utility>

namespace {
int Sign(int difference)
{
    return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

int LengthOf(const char* text)
{
    size_t length = text ? std::strlen(text) : 0;
    if (length > 0x7fffffff)
        throw C_ZR_DynStringException();
    return static_cast<int>(length);
}

// Both texts as unsigned bytes, each passed through `map` first; a null text reads as empty.
template <class Map>
int CompareBytes(const char* a, const char* b, Map map)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;; ++p, ++q) {
        int x = map(*p);
        int y = map(*q);
        if (x != y || x == 0)
            return Sign(x - y);
    }
}
}

C_ZR_DynString::C_ZR_DynString() : m_pBuffer(nullptr), m_nLength(0)
{
    Allocate(0);
}

C_ZR_DynString::C_ZR_DynString(const char* text) : m_pBuffer(nullptr), m_nLength(0)
{
    Allocate(0);
    Set(text);
}

C_ZR_DynString::C_ZR_DynString(int length, char fill) : m_pBuffer(nullptr), m_nLength(0)
{
    Allocate(fill == 0 ? 0 : length, fill);
}

C_ZR_DynString::C_ZR_DynString(const C_ZR_DynString& other) : m_pBuffer(nullptr), m_nLength(0)
{
    Allocate(0);
    Set(other.m_pBuffer);
}

C_ZR_DynString& C_ZR_DynString::operator=(const C_ZR_DynString& other)
{
    if (this != &other)
        Set(other.m_pBuffer);
    return *this;
}

C_ZR_DynString::~C_ZR_DynString()
{
    delete[] m_pBuffer;
}

void C_ZR_DynString::Allocate(int length, char fill)
{
    if (length < 0)
        throw C_ZR_DynStringException();
    // The new buffer is taken before the old one goes, so a failure leaves a valid empty string.
    char* buffer = new (std::nothrow) char[static_cast<size_t>(length) + 1];
    if (buffer == nullptr) {
        if (m_pBuffer != nullptr) {
            m_nLength = 0;
            m_pBuffer[0] = '\0';
        }
        throw C_ZR_DynStringException();
    }
    delete[] m_pBuffer;
    m_pBuffer = buffer;
    m_nLength = length;
    std::memset(m_pBuffer, fill, static_cast<size_t>(length));
    m_pBuffer[length] = '\0';
}

void C_ZR_DynString::Set(const char* text)
{
    int length = LengthOf(text);
    if (text == m_pBuffer)
        return;
    // `text` may point into our own buffer (a part of it); copy before replacing.
    C_ZR_DynString copy;
    copy.Allocate(length);
    std::memcpy(copy.m_pBuffer, text, static_cast<size_t>(length));
    std::swap(m_pBuffer, copy.m_pBuffer);
    std::swap(m_nLength, copy.m_nLength);
}

void C_ZR_DynString::Empty()
{
    Allocate(0);
}

char C_ZR_DynString::GetAt(int position) const
{
    return position >= 0 && position < m_nLength ? m_pBuffer[position] : '\0';
}

int C_ZR_DynString::Find(char c, int start) const
{
    if (start < 0 || start >= m_nLength)
        return -1;
    for (int i = start; i < m_nLength; ++i)
        if (m_pBuffer[i] == c)
            return i;
    return -1;
}

int C_ZR_DynString::Find(const char* text, int start) const
{
    if (start < 0 || start >= m_nLength || text == nullptr)
        return -1;
    const char* hit = std::strstr(m_pBuffer + start, text);
    return hit ? static_cast<int>(hit - m_pBuffer) : -1;
}

int C_ZR_DynString::ReverseFind(char c) const
{
    for (int i = m_nLength - 1; i >= 0; --i)
        if (m_pBuffer[i] == c)
            return i;
    return -1;
}

C_ZR_DynString C_ZR_DynString::Mid(int start, int count) const
{
    C_ZR_DynString result;
    if (start < 0 || start >= m_nLength)
        return result;
    int available = m_nLength - start;
    if (count < 0 || count > available)
        count = available;
    result.Allocate(count);
    std::memcpy(result.m_pBuffer, m_pBuffer + start, static_cast<size_t>(count));
    return result;
}

C_ZR_DynString operator+(const C_ZR_DynString& a, const C_ZR_DynString& b)
{
    C_ZR_DynString result(a);
    result += b;
    return result;
}

C_ZR_DynString& C_ZR_DynString::operator+=(const C_ZR_DynString& other)
{
    if (other.m_nLength == 0)
        return *this;
    if (m_nLength > 0x7fffffff - other.m_nLength)
        throw C_ZR_DynStringException();
    C_ZR_DynString joined;
    joined.Allocate(m_nLength + other.m_nLength);
    std::memcpy(joined.m_pBuffer, m_pBuffer, static_cast<size_t>(m_nLength));
    std::memcpy(joined.m_pBuffer + m_nLength, other.m_pBuffer, static_cast<size_t>(other.m_nLength));
    std::swap(m_pBuffer, joined.m_pBuffer);
    std::swap(m_nLength, joined.m_nLength);
    return *this;
}

int C_ZR_DynString::Compare(const char* text) const
{
    return CompareBytes(m_pBuffer, text, [](unsigned char c) { return int(c); });
}

int C_ZR_DynString::CompareNoCase(const char* text) const
{
    // toupper takes an unsigned char value; a plain char >= 0x80 would be negative.
    return CompareBytes(m_pBuffer, text, [](unsigned char c) { return std::toupper(c); });
}
