#pragma once
// A heap-allocated NUL-terminated string of Windows code-page bytes. The buffer always
// holds exactly length + 1 bytes; only C_ZR_DynStringException leaves it.
#include "util/ZR_DynStringException.h"

class C_ZR_DynString {
public:
    C_ZR_DynString();
    C_ZR_DynString(const char* text);
    // A fill character of 0 gives the empty string, not length NULs.
    C_ZR_DynString(int length, char fill);
    C_ZR_DynString(const C_ZR_DynString& other);
    C_ZR_DynString& operator=(const C_ZR_DynString& other);
    ~C_ZR_DynString();

    void Allocate(int length, char fill = ' ');
    void Set(const char* text);
    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    void Empty();
    char GetAt(int position) const;

    int Find(char c, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char c) const;
    C_ZR_DynString Mid(int start, int count = -1) const;
    C_ZR_DynString Left(int count) const { return Mid(0, count); }

    friend C_ZR_DynString operator+(const C_ZR_DynString& a, const C_ZR_DynString& b);
    C_ZR_DynString& operator+=(const C_ZR_DynString& other);

    // Three-way comparison of the bytes as unsigned values: -1, 0 or 1.
    virtual int Compare(const char* text) const;
    int Compare(const C_ZR_DynString& other) const { return Compare(other.m_pBuffer); }
    virtual int CompareNoCase(const char* text) const;
    bool operator==(const char* text) const { return Compare(text) == 0; }

    const char* GetString() const { return m_pBuffer; }

private:
    char* m_pBuffer;
    int m_nLength;
};
