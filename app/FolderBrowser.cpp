#include "app/FolderBrowser.h"
#include "framework/Handles.h"
#include <shlobj.h>

namespace {
// The item identifier list of `path`, parsed by the desktop folder; null when it cannot be.
LPITEMIDLIST ParseRootPath(const std::string& path)
{
    CComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Out())))
        return nullptr;
    WCHAR wide[MAX_PATH] = {};
    LPITEMIDLIST item = nullptr;
    if (::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH) == 0 ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &item, nullptr)))
        item = nullptr;
    return item;
}
}

CFolderBrowser::CFolderBrowser(std::string prompt) : m_strPrompt(std::move(prompt))
{
}

int CFolderBrowser::Browse()
{
    CComPtr<IMalloc> shellMalloc;
    if (FAILED(::SHGetMalloc(shellMalloc.Out())))
        return 0;

    BROWSEINFOA info = {};
    LPITEMIDLIST root = nullptr;
    if (!m_strRootPath.empty()) {
        root = ParseRootPath(m_strRootPath);
        if (root == nullptr)
            return 0;
        info.pidlRoot = root;
    }
    CItemIdList rootItem(shellMalloc.Get(), root);
    m_strFolderPath.assign(MAX_PATH, '\0');
    info.pszDisplayName = &m_strFolderPath[0];
    info.lpszTitle = m_strPrompt.empty() ? "Open" : m_strPrompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_RETURNFSANCESTORS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    CItemIdList chosen(shellMalloc.Get(), ::SHBrowseForFolderA(&info));
    int result = 0;
    if (chosen.Get()) {
        m_iImageIndex = info.iImage;
        if (::SHGetPathFromIDListA(chosen.Get(), &m_strFolderPath[0]))
            result = 1;
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
