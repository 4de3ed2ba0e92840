#pragma once
// The installation directory that Start creates belongs to the user: the drive root's default
// would let every authenticated user change what the installer later starts from it.
#include <string>

// The outermost folder of `directory` (ending with a backslash) that does not exist yet, without
// its backslash; empty when every level exists.
std::string FirstMissingFolder(const std::string& directory);

// Gives `folder` a protected DACL: full control for the current user, Administrators and
// SYSTEM, inherited by everything inside it, nothing inherited from its parent. False when
// the file system keeps no permissions (FAT) or the call fails; the folder stays usable.
bool MakeFolderPrivate(const std::string& folder);
