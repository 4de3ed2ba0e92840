#pragma once
// A shell link opened through the shell's own link object, for reading shortcuts back and
// for asking the shell directly what a save answers. COM must be initialised.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <string>

class ShellLinkFile {
public:
    ShellLinkFile();
    ~ShellLinkFile();
    ShellLinkFile(const ShellLinkFile&) = delete;
    ShellLinkFile& operator=(const ShellLinkFile&) = delete;

    bool IsOpen() const { return m_link != nullptr && m_file != nullptr; }
    HRESULT Load(const std::string& path);
    HRESULT Save(const std::string& path);
    IShellLinkA* Link() const { return m_link; }

private:
    IShellLinkA* m_link = nullptr;
    IPersistFile* m_file = nullptr;
};

// Every field of a link file as the shell reads it back; "garbage" and -7 where a getter
// wrote nothing.
struct LoadedLink {
    HRESULT loaded = static_cast<HRESULT>(0xdeadbeef);
    std::string path = "garbage", arguments = "garbage", description = "garbage";
    std::string workingDirectory = "garbage", iconFile = "garbage";
    int iconIndex = -7;
    int showCommand = -7;
};
LoadedLink LoadLink(const std::string& path);
