#include "app/PrivateFolder.h"
#include "framework/Handles.h"
#include <windows.h>
#include <aclapi.h>
#include <vector>

std::string FirstMissingFolder(const std::string& directory)
{
    // Past the drive ("C:\") or the share ("\\server\share\"), which are not made here.
    size_t level = directory.find('\\');
    if (directory.compare(0, 2, "\\\\") == 0)
        level = directory.find('\\', directory.find('\\', 2) + 1);
    while (level != std::string::npos && level + 1 < directory.size()) {
        size_t end = directory.find('\\', level + 1);
        std::string folder = directory.substr(0, end);
        if (::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            return folder;
        level = end;
    }
    return std::string();
}

namespace {
// The SID of the user this process runs as, in `buffer`.
PSID CurrentUserSid(std::vector<BYTE>& buffer)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    CHandle owner(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

PSID WellKnownSid(WELL_KNOWN_SID_TYPE type, std::vector<BYTE>& buffer)
{
    DWORD size = SECURITY_MAX_SID_SIZE;
    buffer.resize(size);
    return ::CreateWellKnownSid(type, nullptr, buffer.data(), &size) ? buffer.data() : nullptr;
}
}

bool MakeFolderPrivate(const std::string& folder)
{
    std::vector<BYTE> user, administrators, system;
    PSID sids[] = {CurrentUserSid(user), WellKnownSid(WinBuiltinAdministratorsSid, administrators),
                   WellKnownSid(WinLocalSystemSid, system)};
    EXPLICIT_ACCESSA access[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (sids[i] == nullptr)
            return false;
        access[i].grfAccessPermissions = FILE_ALL_ACCESS;
        access[i].grfAccessMode = SET_ACCESS;
        access[i].grfInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access[i].Trustee.ptstrName = static_cast<LPSTR>(sids[i]);
    }
    CLocalMemory<PACL> acl;
    if (::SetEntriesInAclA(3, access, nullptr, acl.Out()) != ERROR_SUCCESS)
        return false;
    return ::SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, acl.Get(), nullptr) == ERROR_SUCCESS;
}
