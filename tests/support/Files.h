#pragma once
// Files and folders for the tests: a scratch folder per test, a file's bytes and lines, the
// tree below a folder, file times, the current directory. Header only, so that the helper
// programs (mutant_runner, e2e_driver) use the same ones.
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

inline bool IsFile(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool IsFolder(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a file, or a folder (with or without its trailing backslash) and everything in
// it, read-only files included.
inline void RemoveTree(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                RemoveTree(path + "\\" + name);
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(path.c_str());
}

// Every file and folder below a folder, relative to it, folders ending with a backslash,
// sorted. Empty for a missing folder.
inline std::vector<std::string> Tree(const std::string& folder, const std::string& relative = "")
{
    std::vector<std::string> tree;
    std::string base = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((base + relative + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return tree;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            tree.push_back(relative + name);
            continue;
        }
        tree.push_back(relative + name + "\\");
        std::vector<std::string> inside = Tree(base, relative + name + "\\");
        tree.insert(tree.end(), inside.begin(), inside.end());
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    std::sort(tree.begin(), tree.end());
    return tree;
}

// The temporary directory, ending with a backslash.
inline std::string TempFolder()
{
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(temp), temp);
    return temp;
}

// A fresh folder under the temporary directory for one test, removed with everything in it
// when the test ends.
class ScratchFolder {
public:
    ScratchFolder()
    {
        static int counter = 0;
        m_path = TempFolder() + "norla-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++counter) + "\\";
        Empty();
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, ending in a backslash.
    const std::string& Path() const { return m_path; }
    // Removes everything in it, for the next row of a table.
    void Empty() const
    {
        RemoveTree(m_path);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }

private:
    std::string m_path;
};

// The file's bytes; "<missing>" when it cannot be read, so that an empty file shows.
inline std::string ReadBytes(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

// The file's lines, split at line feeds with a carriage return before them dropped; none
// for a missing file.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    if (!IsFile(path))
        return lines;
    std::string text = ReadBytes(path);
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

inline ULONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// A relative path made absolute against the current directory.
inline std::string FullPath(const std::string& relative)
{
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? full : relative;
}

inline ULONGLONG Ticks(const FILETIME& time)
{
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

struct FileTimes {
    ULONGLONG creation = 0, access = 0, write = 0;
};

// A file's or folder's times; all 0 when it cannot be opened.
inline FileTimes TimesOf(const std::string& path)
{
    FileTimes times;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return times;
    FILETIME creation, access, write;
    if (::GetFileTime(file, &creation, &access, &write))
        times = {Ticks(creation), Ticks(access), Ticks(write)};
    ::CloseHandle(file);
    return times;
}

// Runs with the current directory set to a folder, and restores it.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder)
    {
        ::GetCurrentDirectoryA(MAX_PATH, m_previous);
        m_entered = ::SetCurrentDirectoryA(folder.c_str()) != FALSE;
    }
    ~CurrentDirectory() { ::SetCurrentDirectoryA(m_previous); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    bool Entered() const { return m_entered; }

private:
    char m_previous[MAX_PATH];
    bool m_entered;
};
