#pragma once
// A fresh folder under the temporary directory for one test, removed with everything in it
// (read-only files included) when the test ends. Also small helpers for file bytes.
#include <windows.h>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolder {
public:
    ScratchFolder()
    {
        static int counter = 0;
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof(temp), temp);
        m_path = std::string(temp) + "norla-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++counter) + "\\";
        RemoveTree(m_path);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, ending in a backslash.
    const std::string& Path() const { return m_path; }

    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = data.cFileName;
                if (name == "." || name == "..")
                    continue;
                std::string path = folder + name;
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + "\\");
                else
                    ::DeleteFileA(path.c_str());
            } while (::FindNextFileA(find, &data));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(folder.c_str());
    }

private:
    std::string m_path;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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
