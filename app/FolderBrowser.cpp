#include "app/FolderBrowser.h"
#include <shlobj.h>

namespace {
// The shell allocator, released when the browse ends.
class ShellMalloc {
public:
    ShellMalloc() { ::SHGetMalloc(&m_pMalloc); }
    ~ShellMalloc()
    {
        if (m_pMalloc)
            m_pMalloc->Release();
    }
    ShellMalloc(const ShellMalloc&) = delete;
    ShellMalloc& operator=(const ShellMalloc&) = delete;

    IMalloc* Get() const { return m_pMalloc; }
    void Free(void* item) const
    {
        if (item)
            m_pMalloc->Free(item);
    }

private:
    IMalloc* m_pMalloc = nullptr;
};

// The item identifier list of `path`, parsed by the desktop folder; null when it cannot be.
LPITEMIDLIST ParseRootPath(const std::string& path)
{
    IShellFolder* desktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&desktop)))
        return nullptr;
    WCHAR wide[MAX_PATH] = {};
    LPITEMIDLIST item = nullptr;
    if (::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &item, nullptr)))
        item = nullptr;
    desktop->Release();
    return item;
}
}

CFolderBrowser::CFolderBrowser(std::string prompt) : m_strPrompt(std::move(prompt))
{
}

int CFolderBrowser::Browse()
{
    ShellMalloc shellMalloc;
    if (shellMalloc.Get() == nullptr)
        return 0;

    BROWSEINFOA info = {};
    LPITEMIDLIST root = nullptr;
    if (!m_strRootPath.empty()) {
        root = ParseRootPath(m_strRootPath);
        if (root == nullptr)
            return 0;
        info.pidlRoot = root;
    }
    m_strFolderPath.assign(MAX_PATH, '\0');
    info.pszDisplayName = &m_strFolderPath[0];
    info.lpszTitle = m_strPrompt.empty() ? "Open" : m_strPrompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_RETURNFSANCESTORS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    shellMalloc.Free(root);
    int result = 0;
    if (chosen) {
        m_iImageIndex = info.iImage;
        if (::SHGetPathFromIDListA(chosen, &m_strFolderPath[0]))
            result = 1;
        shellMalloc.Free(chosen);
    }
    m_strFolderPath.resize(std::char_traits<char>::length(m_strFolderPath.c_str()));
    return result;
}

int CALLBACK CFolderBrowser::BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data)
{
    const auto* self = reinterpret_cast<const CFolderBrowser*>(data);
    if (msg == BFFM_INITIALIZED && !self->m_strPreselection.empty()) {
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE,
                       reinterpret_cast<LPARAM>(self->m_strPreselection.c_str()));
        return 0;
    }
    // On BFFM_SELCHANGED lParam is the newly selected item; on other notifications it is
    // not an item, and the conversion fails.
    char path[MAX_PATH];
    if (msg == BFFM_SELCHANGED &&
        ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path))
        ::SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    return 0;
}
