#include "archive/DiskObject.h"
#include "framework/Handles.h"
#include "util/OrdinaryName.h"
#include "util/Trim.h"
#include <algorithm>
#include <cstdlib>

namespace {
const char* const kParameterError = "CDiskObject internal error - check call parameters";
const size_t kMaxPath = MAX_PATH - 1;   // characters, without the terminator

struct PathParts {
    std::string drive, directory, name, extension;
};

// _splitpath writes into fixed buffers; a path that fits MAX_PATH fits each of them.
bool SplitPath(const std::string& path, PathParts& parts)
{
    if (path.size() > kMaxPath)
        return false;
    char drive[MAX_PATH], directory[MAX_PATH], name[MAX_PATH], extension[MAX_PATH];
    _splitpath(path.c_str(), drive, directory, name, extension);
    parts = {drive, directory, name, extension};
    return true;
}

void SlashesToBackslashes(std::string& path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
}

bool BeginsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// A drive root already ends in a backslash ("C:\"); do not double it.
std::string JoinToFolder(const std::string& folder, const std::string& rest)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + rest;
    return folder + "\\" + rest;
}
}

std::string SystemErrorText(DWORD code)
{
    CLocalMemory<char*> message;
    // Inserts are ignored: without arguments a message with %1 would read garbage.
    DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(message.Out()), 0,
        nullptr);
    std::string text = length && message.Get() ? std::string(message.Get(), length) : std::string();
    text = Trim(text, " \t\r\n");
    return text.empty() ? "Error " + std::to_string(code) : text;
}

CDiskObject::CDiskObject(CCaptionFeedback* feedback_) : feedback(feedback_)
{
}

bool CDiskObject::IsValidPathPart(const std::string& text)
{
    // A part that Windows would store under another name, or send to a device, is no part.
    return text.find_first_of("*?") == std::string::npos && IsOrdinaryPath(text.c_str());
}

void CDiskObject::ResetError()
{
    errorText.clear();
}

void CDiskObject::SetParameterError()
{
    errorText = kParameterError;
    ShowFeedback(errorText);
}

void CDiskObject::SetSystemError(DWORD code, const std::string& detail)
{
    errorText = SystemErrorText(code);
    if (!detail.empty())
        errorText += " " + detail;
    ShowFeedback(errorText);
}

void CDiskObject::ShowFeedback(const std::string& text)
{
    if (feedback)
        feedback->ShowCaption(text);
}

bool CDiskObject::NormalizeFolderPath(std::string& path)
{
    if (path.size() > kMaxPath) {
        SetParameterError();
        return false;
    }
    SlashesToBackslashes(path);
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    if (BeginsWith(path, "\\\\"))
        return true;
    if (!ResolvePath(path))
        return false;
    if (path.size() > kMaxPath) {
        SetParameterError();
        return false;
    }
    return true;
}

bool CDiskObject::ResolvePath(std::string& path)
{
    SlashesToBackslashes(path);
    PathParts parts;
    if (!SplitPath(path, parts)) {
        SetParameterError();
        return false;
    }
    if (parts.drive.empty()) {
        CCurrentDirectoryKeeper keeper;
        std::string current = CCurrentDirectoryKeeper::Current();
        if (parts.directory.size() > 2 && BeginsWith(parts.directory, "..\\")) {
            std::string directory = parts.directory;
            while (directory.size() > 2 && BeginsWith(directory, "..\\")) {
                ::SetCurrentDirectoryA("..");
                directory.erase(0, 3);
            }
            path = JoinToFolder(CCurrentDirectoryKeeper::Current(), directory + parts.name + parts.extension);
        } else if (BeginsWith(parts.directory, "\\")) {
            path = current.substr(0, 2) + path;
        } else {
            path = JoinToFolder(current, path);
        }
    }
    if (IsValidPathPart(parts.directory) && IsValidPathPart(parts.name) &&
        IsValidPathPart(parts.extension))
        return true;
    SetParameterError();
    return false;
}

bool CDiskObject::FolderExists(const std::string& folder)
{
    ResetError();
    if (folder.empty()) {
        SetParameterError();
        return false;
    }
    std::string path = folder;
    if (!NormalizeFolderPath(path))
        return false;
    CCurrentDirectoryKeeper keeper;
    return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

bool CDiskObject::BuildFolderTree(const std::string& folder, SECURITY_ATTRIBUTES* newFolders)
{
    ResetError();
    if (folder.empty()) {
        SetParameterError();
        return false;
    }
    std::string path = folder;
    if (!NormalizeFolderPath(path))
        return false;
    PathParts parts;
    if (!SplitPath(path, parts)) {
        SetParameterError();
        return false;
    }
    CCurrentDirectoryKeeper keeper;

    // A UNC path's server takes the place of the drive.
    std::string root = parts.drive;
    std::string directory = parts.directory;
    if (directory.size() > 2 && BeginsWith(directory, "\\\\")) {
        directory.erase(0, 2);
        size_t backslash = directory.find('\\');
        if (backslash != std::string::npos) {
            root = "\\\\" + directory.substr(0, backslash);
            directory.erase(0, backslash + 1);
        } else {
            root.clear();
        }
    }
    directory.erase(0, directory.find_first_not_of('\\'));

    // Every folder on the way is shown and created; existing ones simply fail to be created.
    std::string current = root;
    size_t start = 0;
    while (start < directory.size()) {
        size_t end = directory.find('\\', start);
        if (end == std::string::npos)
            end = directory.size();
        current += "\\" + directory.substr(start, end - start);
        ShowFeedback(current);
        ::SetCurrentDirectoryA(current.c_str());
        ::CreateDirectoryA(current.c_str(), newFolders);
        start = end + 1;
    }

    if (::SetCurrentDirectoryA(current.c_str()))
        return true;
    SetSystemError(::GetLastError(), current);
    return false;
}

bool CDiskObject::ListFiles(const std::string& folder, std::vector<std::string>& list)
{
    ResetError();
    std::string path = folder;
    if (!NormalizeFolderPath(path))
        return false;
    if (!FolderExists(path))
        return true;

    const std::string pattern = path + "*.*";
    WIN32_FIND_DATAA data;
    CFindHandle find(pattern.c_str(), &data);
    if (!find.IsValid()) {
        SetSystemError(::GetLastError(), pattern);
        return false;
    }
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // std::string compares its characters as unsigned codes.
        std::string name = data.cFileName;
        list.insert(std::upper_bound(list.begin(), list.end(), name), name);
        ShowFeedback(name);
    } while (find.FindNext(&data));
    return true;
}

bool CDiskObject::CopyFolderFiles(const std::string& source, const std::string& target)
{
    ResetError();
    std::string from = source;
    std::string to = target;
    if (!NormalizeFolderPath(from) || !NormalizeFolderPath(to))
        return false;
    std::vector<std::string> names;
    if (!ListFiles(from, names))
        return false;
    if (!BuildFolderTree(to))
        return false;
    for (const std::string& name : names) {
        ShowFeedback(name);
        if (!::CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) {
            SetSystemError(::GetLastError(), from + name + " -> " + to + name);
            return false;
        }
    }
    return true;
}

bool CDiskObject::CopyFolder(const std::string& source, const std::string& target)
{
    ResetError();
    std::string from = source;
    std::string to = target;
    if (!NormalizeFolderPath(from) || !NormalizeFolderPath(to))
        return false;
    ShowFeedback(to);
    BuildFolderTree(to);
    return CopyFolderFiles(from, to);
}
