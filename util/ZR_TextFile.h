#pragma once
// A text-mode character file stream opened through a C_ZR_FileName, with a reader for
// delimited tokens.
#include "util/ZR_DynString.h"
#include "util/ZR_FileName.h"
#include <fstream>

class C_ZR_TextFile : public std::basic_fstream<char> {
public:
    C_ZR_TextFile();
    ~C_ZR_TextFile() override;
    C_ZR_TextFile(const C_ZR_TextFile&) = delete;
    C_ZR_TextFile& operator=(const C_ZR_TextFile&) = delete;

    // Each reports whether the stream is open afterwards; false at once for a file name
    // without a name. Opening an open stream fails and sets its fail state.
    virtual bool OpenRead(const C_ZR_FileName& fileName);     // "r"
    virtual bool OpenAppend(const C_ZR_FileName& fileName);   // "a": create, keep, write at the end
    virtual bool OpenWrite(const C_ZR_FileName& fileName);    // "w": create, truncate
    // False when the stream was not open.
    virtual bool Close();

    virtual void SetDelimiters(const C_ZR_DynString& delimiters);
    virtual void SetBlankDelimiters();
    virtual void SetSemicolonDelimiters();
    virtual void SetCommaDelimiters();
    // Tokens must be shorter than the buffer size. False, with the old buffer kept, when
    // the new buffer cannot be had.
    virtual bool SetBufferSize(int size);
    virtual bool WriteNewLines(int count);
    // Reads up to and including the first occurrence of the text; true when it was found.
    virtual bool SkipTo(const C_ZR_DynString& text);
    // The next token of the current line. The character that ends it stays in the stream,
    // so at a line feed this reports false until the caller takes the line feed.
    virtual bool ReadToken(C_ZR_DynString& token);

    const C_ZR_FileName& GetFileName() const { return m_fileName; }

private:
    bool Open(const C_ZR_FileName& fileName, std::ios_base::openmode mode);
    bool IsDelimiter(int c) const;

    C_ZR_FileName m_fileName;
    C_ZR_DynString m_strDelimiters;
    int m_nBufferSize;
    char* m_pBuffer;
};
