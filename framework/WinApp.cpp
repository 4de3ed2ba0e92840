#include "framework/WinApp.h"
#include <commctrl.h>
#include <string>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

const char* AfxGetAppName()
{
    static std::string name;
    if (name.empty()) {
        char path[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        name = path;
        name = name.substr(name.find_last_of("\\/:") + 1);
        name = name.substr(0, name.rfind('.'));
    }
    return name.c_str();
}

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::InitCommonControls()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    HWND root = pMsg->hwnd ? ::GetAncestor(pMsg->hwnd, GA_ROOT) : nullptr;
    if (root == nullptr)
        return FALSE;
    char className[16] = "";
    ::GetClassNameA(root, className, sizeof(className));
    if (lstrcmpA(className, "#32770") != 0)
        return FALSE;
    return ::IsDialogMessageA(root, pMsg);
}

BOOL CWinApp::PumpMessage()
{
    MSG msg;
    if (!::GetMessageA(&msg, nullptr, 0, 0))
        return FALSE;
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

int CWinApp::Run(HINSTANCE hInstance)
{
    m_hInstance = hInstance;
    if (!InitInstance())
        return ExitInstance();
    while (PumpMessage()) {
    }
    return ExitInstance();
}

bool PumpPendingMessages()
{
    // The application object pumps, so that its PreTranslateMessage sees dialog keys.
    CWinApp* app = AfxGetApp();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!app->PumpMessage()) {
            ::PostQuitMessage(0);
            return false;
        }
    }
    return true;
}
