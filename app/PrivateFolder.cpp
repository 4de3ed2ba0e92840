#include "app/PrivateFolder.h"
#include "framework/Handles.h"
#include <aclapi.h>

namespace {
// Rights that let their holder change a folder, what it holds, or who may do so.
const DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                            FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                            WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// NT SERVICE\TrustedInstaller, which owns the system's own folders.
const struct {
    BYTE revision, count;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD subAuthorities[6];
} kTrustedInstaller = {SID_REVISION, 6, {SECURITY_NT_AUTHORITY},
                       {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}};

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

bool IsTrusted(PSID sid, PSID user)
{
    // CREATOR OWNER stands for whoever makes a file later: here, the installing user.
    return ::EqualSid(sid, user) || ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           ::IsWellKnownSid(sid, WinCreatorOwnerSid) ||
           ::IsWellKnownSid(sid, WinLocalSystemSid) ||
           ::EqualSid(sid, const_cast<void*>(static_cast<const void*>(&kTrustedInstaller)));
}

// Whether only `user` and the system's own accounts can change `folder`, and, where it is to
// hold the files, also what is made in it.
bool OnlyTrustedCanChange(const std::string& folder, PSID user, bool holdsFiles)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    CLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                nullptr, &dacl, nullptr, descriptor.Out()) != ERROR_SUCCESS)
        return false;
    // No DACL at all lets everyone do everything; the owner may always change the DACL.
    if (owner == nullptr || dacl == nullptr || !IsTrusted(owner, user))
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header)))
            return false;
        if ((header->AceFlags & INHERIT_ONLY_ACE) && !holdsFiles)
            continue;   // for what is made inside later, not for the folder itself
        switch (header->AceType) {
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
            continue;   // takes rights away only
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            // Both start with the mask and the SID.
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & kChangeRights) && !IsTrusted(&ace->SidStart, user))
                return false;
            continue;
        }
        default:
            return false;   // a kind this check cannot read
        }
    }
    return true;
}
}

CPrivateFolderSecurity::CPrivateFolderSecurity()
{
    PSID sids[] = {CurrentUserSid(m_user), WellKnownSid(WinBuiltinAdministratorsSid, m_administrators),
                   WellKnownSid(WinLocalSystemSid, m_system), WellKnownSid(WinBuiltinUsersSid, m_users)};
    DWORD size = sizeof(ACL);
    for (PSID sid : sids) {
        if (sid == nullptr)
            return;
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
    }
    m_acl.resize(size);
    PACL acl = reinterpret_cast<PACL>(m_acl.data());
    const DWORD inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    // Every user may run the product the shortcuts point to, but not change it.
    const DWORD rights[] = {FILE_ALL_ACCESS, FILE_ALL_ACCESS, FILE_ALL_ACCESS,
                            FILE_GENERIC_READ | FILE_GENERIC_EXECUTE};
    if (!::InitializeAcl(acl, size, ACL_REVISION))
        return;
    for (int i = 0; i < 4; ++i)
        if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, inherited, rights[i], sids[i]))
            return;
    m_ready = ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE) &&
              ::SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = &m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

bool VolumeKeepsAcls(const std::string& directory)
{
    char root[MAX_PATH];
    DWORD flags = 0;
    // When the volume cannot be asked, it is checked as one that keeps them.
    if (!::GetVolumePathNameA(directory.c_str(), root, MAX_PATH) ||
        !::GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true;
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

bool OnlyUserCanChange(const std::string& directory)
{
    const bool acls = VolumeKeepsAcls(directory);
    std::vector<BYTE> userBuffer;
    PSID user = CurrentUserSid(userBuffer);
    if (acls && user == nullptr)
        return false;
    // The levels below the drive ("C:\") or the share ("\\server\share\"), which are not the
    // user's; the root itself only when it is the directory.
    std::vector<std::string> levels;
    size_t level = directory.find('\\');
    if (directory.compare(0, 2, "\\\\") == 0)
        level = directory.find('\\', directory.find('\\', 2) + 1);
    while (level != std::string::npos && level + 1 < directory.size()) {
        size_t end = directory.find('\\', level + 1);
        levels.push_back(directory.substr(0, end));
        level = end;
    }
    if (levels.empty())
        levels.push_back(directory);
    for (size_t i = 0; i < levels.size(); ++i) {
        DWORD attributes = ::GetFileAttributesA(levels[i].c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return true;   // this level and those inside it are made new
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return false;
        // The directory passes its inheritable permissions on to the files put into it.
        if (acls && !OnlyTrustedCanChange(levels[i], user, i + 1 == levels.size()))
            return false;
    }
    return true;
}

bool RunsAsLocalSystem()
{
    std::vector<BYTE> buffer;
    PSID user = CurrentUserSid(buffer);
    return user != nullptr && ::IsWellKnownSid(user, WinLocalSystemSid);
}
