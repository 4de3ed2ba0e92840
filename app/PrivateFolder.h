#pragma once
// The installation directory belongs to the user: the installer later starts a program and
// loads a library from it, so nobody else may be able to change what it holds. A folder
// that another user made first (the drive root lets every user make one) keeps their rights.
#include <windows.h>
#include <string>
#include <vector>

// The security a new installation folder is created with: a protected DACL giving the current
// user, Administrators and SYSTEM full control and Users read and execute, inherited by
// everything inside.
class CPrivateFolderSecurity {
public:
    CPrivateFolderSecurity();
    CPrivateFolderSecurity(const CPrivateFolderSecurity&) = delete;
    CPrivateFolderSecurity& operator=(const CPrivateFolderSecurity&) = delete;

    // For CreateDirectory; null when the descriptor could not be made.
    SECURITY_ATTRIBUTES* Attributes() { return m_ready ? &m_attributes : nullptr; }

private:
    std::vector<BYTE> m_user, m_administrators, m_system, m_users;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor = {};
    SECURITY_ATTRIBUTES m_attributes = {};
    bool m_ready = false;
};

// Whether the volume of `directory` keeps permissions (NTFS does, FAT does not).
bool VolumeKeepsAcls(const std::string& directory);

// Whether the existing folders of `directory` (ending with a backslash) below its drive or
// share (the root only when it is the directory) can be changed only by the current user and
// the system: none is a reparse point and, on a volume that keeps permissions, each is owned by
// the user, Administrators, SYSTEM or TrustedInstaller and grants nobody else a right to write,
// delete or change permissions; the directory itself not even to what is made in it later.
bool OnlyUserCanChange(const std::string& directory);

// Whether this process runs as LocalSystem, as deployment tools start installers: there is no
// user then whose profile would get the settings.
bool RunsAsLocalSystem();
