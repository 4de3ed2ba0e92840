#include "ShellLinkFile.h"
#include <cstring>

namespace {
std::wstring Wide(const std::string& text)
{
    WCHAR wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// Runs a getter on a buffer seeded with "garbage", so a getter that writes nothing shows.
template <class Get>
std::string Text(Get get)
{
    char text[MAX_PATH];
    strcpy(text, "garbage");
    get(text);
    return text;
}
}

ShellLinkFile::ShellLinkFile()
{
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkA, reinterpret_cast<void**>(&m_link))))
        m_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&m_file));
}

ShellLinkFile::~ShellLinkFile()
{
    if (m_file)
        m_file->Release();
    if (m_link)
        m_link->Release();
}

HRESULT ShellLinkFile::Load(const std::string& path)
{
    return IsOpen() ? m_file->Load(Wide(path).c_str(), STGM_READ) : E_FAIL;
}

HRESULT ShellLinkFile::Save(const std::string& path)
{
    return IsOpen() ? m_file->Save(Wide(path).c_str(), TRUE) : E_FAIL;
}

LoadedLink LoadLink(const std::string& path)
{
    LoadedLink loaded;
    ShellLinkFile file;
    loaded.loaded = file.Load(path);
    if (!file.IsOpen())
        return loaded;
    IShellLinkA* link = file.Link();
    loaded.path = Text([&](char* t) { link->GetPath(t, MAX_PATH, nullptr, SLGP_RAWPATH); });
    loaded.arguments = Text([&](char* t) { link->GetArguments(t, MAX_PATH); });
    loaded.description = Text([&](char* t) { link->GetDescription(t, MAX_PATH); });
    loaded.workingDirectory = Text([&](char* t) { link->GetWorkingDirectory(t, MAX_PATH); });
    loaded.iconFile = Text([&](char* t) { link->GetIconLocation(t, MAX_PATH, &loaded.iconIndex); });
    link->GetShowCmd(&loaded.showCommand);
    return loaded;
}
