#pragma once
// The shell's folder-browse dialog.
#include <windows.h>
#include <string>

class CFolderBrowser {
public:
    explicit CFolderBrowser(std::string prompt = std::string());

    // 1 when a file-system folder was chosen; its full path is then in m_strFolderPath.
    int Browse();

    std::string m_strFolderPath;     // the chosen folder; the display-name buffer meanwhile
    std::string m_strRootPath;       // where browsing starts; empty: the shell's root
    std::string m_strPreselection;   // folder selected when the dialog opens; empty: none
    std::string m_strPrompt;         // text above the tree; empty: "Open"
    int m_iImageIndex = 0;

private:
    static int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);
};
