#pragma once
// A file name held as drive, directory, name and extension, split and joined by the rules
// of its path kind:
//   0, 1  C:\Temp\log.txt or \\server\share\log.txt
//   2     Disk:Folder:log.txt
//   3     /tmp/log.txt
#include "util/ZR_Comparable.h"
#include "util/ZR_DynString.h"

class C_ZR_FileName : public C_ZR_Comparable {
public:
    C_ZR_FileName();
    // Copies the components and the kind; the cached full path is rebuilt by GetPath.
    C_ZR_FileName(const C_ZR_FileName& other);
    C_ZR_FileName& operator=(const C_ZR_FileName& other);
    ~C_ZR_FileName() = default;

    void SetKind(int kind) { m_nKind = kind; }
    int GetKind() const { return m_nKind; }
    // 1, or 0 for an invalid kind (components unchanged).
    int SetPath(const C_ZR_DynString& path);
    // The joined path; the empty text for an invalid kind.
    const char* GetPath();
    bool IsEmpty() const { return m_strName.IsEmpty(); }

    const C_ZR_DynString& GetDrive() const { return m_strDrive; }
    const C_ZR_DynString& GetDirectory() const { return m_strDirectory; }
    const C_ZR_DynString& GetName() const { return m_strName; }
    const C_ZR_DynString& GetExtension() const { return m_strExtension; }

    bool operator<(const C_ZR_Comparable& other) const override;
    // Drive, directory, name, extension in this order, case-sensitive.
    virtual int Compare(const C_ZR_FileName& other) const;

private:
    void SplitBackslashPath(const C_ZR_DynString& path);
    void SplitColonPath(const C_ZR_DynString& path);
    void SplitSlashPath(const C_ZR_DynString& path);
    void SplitNameAndExtension(const C_ZR_DynString& path, int lastSeparator);

    C_ZR_DynString m_strDrive;
    C_ZR_DynString m_strDirectory;
    C_ZR_DynString m_strName;
    C_ZR_DynString m_strExtension;
    int m_nKind;
    C_ZR_DynString m_strFullPath;
};
