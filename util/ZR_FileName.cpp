#include "util/ZR_FileName.h"

namespace {
bool IsValidKind(int kind)
{
    return kind >= 0 && kind <= 3;
}
}

C_ZR_FileName::C_ZR_FileName() : m_nKind(0)
{
}

C_ZR_FileName::C_ZR_FileName(const C_ZR_FileName& other)
    : C_ZR_Comparable(),
      m_strDrive(other.m_strDrive),
      m_strDirectory(other.m_strDirectory),
      m_strName(other.m_strName),
      m_strExtension(other.m_strExtension),
      m_nKind(other.m_nKind)
{
}

C_ZR_FileName& C_ZR_FileName::operator=(const C_ZR_FileName& other)
{
    m_strDrive = other.m_strDrive;
    m_strDirectory = other.m_strDirectory;
    m_strName = other.m_strName;
    m_strExtension = other.m_strExtension;
    m_nKind = other.m_nKind;
    return *this;
}

int C_ZR_FileName::SetPath(const C_ZR_DynString& path)
{
    if (!IsValidKind(m_nKind))
        return 0;
    m_strDrive.Empty();
    m_strDirectory.Empty();
    switch (m_nKind) {
    case 2:
        SplitColonPath(path);
        break;
    case 3:
        SplitSlashPath(path);
        break;
    default:
        SplitBackslashPath(path);
        break;
    }
    return 1;
}

// The extension starts at the last dot of the last component only: a dot in a folder name
// would otherwise swallow the separators into the extension.
void C_ZR_FileName::SplitNameAndExtension(const C_ZR_DynString& path, int lastSeparator)
{
    int dot = path.ReverseFind('.');
    if (dot <= lastSeparator)
        dot = -1;
    int nameEnd = dot < 0 ? path.GetLength() : dot;
    m_strExtension = dot < 0 ? C_ZR_DynString() : path.Mid(dot + 1);
    m_strName = path.Mid(lastSeparator + 1, nameEnd - lastSeparator - 1);
}

void C_ZR_FileName::SplitBackslashPath(const C_ZR_DynString& path)
{
    int lastBackslash = path.ReverseFind('\\');
    SplitNameAndExtension(path, lastBackslash);
    if (lastBackslash < 0)
        return;
    int colon = path.Find(':');
    if (colon > 0 && colon < lastBackslash) {
        m_strDrive = path.Left(colon);
        m_strDirectory = path.Mid(colon + 1, lastBackslash - colon);
    } else {
        // Network paths and relative or rooted folders keep their folder as written.
        m_strDirectory = path.Left(lastBackslash + 1);
    }
}

void C_ZR_FileName::SplitColonPath(const C_ZR_DynString& path)
{
    int lastColon = path.ReverseFind(':');
    SplitNameAndExtension(path, lastColon);
    if (lastColon < 0)
        return;
    int firstColon = path.Find(':');
    m_strDrive = path.Left(firstColon);
    m_strDirectory = path.Mid(firstColon + 1, lastColon - firstColon);
}

void C_ZR_FileName::SplitSlashPath(const C_ZR_DynString& path)
{
    int lastSlash = path.ReverseFind('/');
    SplitNameAndExtension(path, lastSlash);
    if (lastSlash >= 0)
        m_strDirectory = path.Left(lastSlash + 1);
}

const char* C_ZR_FileName::GetPath()
{
    C_ZR_DynString path;
    switch (m_nKind) {
    case 0:
    case 1:
        if (!m_strDrive.IsEmpty() && !m_strDirectory.IsEmpty())
            path = m_strDrive + ":" + m_strDirectory;
        else if (!m_strDirectory.IsEmpty())
            path = m_strDirectory;
        // An empty name drops the extension too.
        if (!m_strName.IsEmpty()) {
            path += m_strName;
            if (!m_strExtension.IsEmpty())
                path += "." + m_strExtension;
        }
        break;
    case 2:
        path = m_strDrive;
        // The volume's colon also stands when the name follows it directly (Disk:log.txt).
        if (!m_strDrive.IsEmpty() || !m_strDirectory.IsEmpty())
            path += ":" + m_strDirectory;
        path += m_strName;
        if (!m_strExtension.IsEmpty())
            path += "." + m_strExtension;
        break;
    case 3:
        path = m_strDirectory.IsEmpty() ? m_strDrive : m_strDirectory;
        path += m_strName;
        if (!m_strExtension.IsEmpty())
            path += "." + m_strExtension;
        break;
    }
    m_strFullPath = path;
    return m_strFullPath.GetString();
}

bool C_ZR_FileName::operator<(const C_ZR_Comparable& other) const
{
    const C_ZR_FileName* name = dynamic_cast<const C_ZR_FileName*>(&other);
    return name != nullptr && Compare(*name) < 0;
}

int C_ZR_FileName::Compare(const C_ZR_FileName& other) const
{
    if (int result = m_strDrive.Compare(other.m_strDrive))
        return result;
    if (int result = m_strDirectory.Compare(other.m_strDirectory))
        return result;
    if (int result = m_strName.Compare(other.m_strName))
        return result;
    return m_strExtension.Compare(other.m_strExtension);
}
