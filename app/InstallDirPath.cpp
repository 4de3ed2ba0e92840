#include "app/InstallDirPath.h"
#include "util/OrdinaryName.h"
#include <algorithm>

namespace {
bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The backslash-separated names of text, which ends with a backslash.
bool AreUsableNames(const std::string& text)
{
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\\', begin);
        if (!IsPlainFileName(text.substr(begin, end - begin)))
            return false;
        begin = end + 1;
    }
    return true;
}
}

bool IsValidInstallDir(const std::string& directory)
{
    if (directory.size() > kMaxInstallDirLength || directory.empty() || directory.back() != '\\')
        return false;
    if (directory.size() >= 3 && IsDriveLetter(directory[0]) && directory[1] == ':' &&
        directory[2] == '\\')
        return AreUsableNames(directory.substr(3));
    // A server and a share; "\\?\" and "\\.\" lead to the device namespace, whose server
    // parts "?" and "." are no names.
    if (directory.compare(0, 2, "\\\\") != 0 || std::count(directory.begin() + 2, directory.end(), '\\') < 2)
        return false;
    return AreUsableNames(directory.substr(2));
}
