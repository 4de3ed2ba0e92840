// Works the installer's windows from another process, the way a person would: finds them by
// title and reads or presses their controls with window messages. One command per run:
//   e2e_driver wait TITLE SECONDS        a visible window with exactly this title appears
//   e2e_driver find TITLE SECONDS        as wait, and prints the window's handle: "#123"
//   e2e_driver gone TITLE SECONDS        no visible window with this title is left
//   e2e_driver click TITLE ID            BM_CLICK on the control, posted like a mouse click
//   e2e_driver key TITLE VK              a key pressed and released on the focused control
//   e2e_driver settext TITLE ID TEXT     WM_SETTEXT on the control
//   e2e_driver text TITLE ID             the control's text
//   e2e_driver rows TITLE ID             a list box's rows, one a line (LB_GETTEXT)
//   e2e_driver state TITLE ID            "enabled|disabled visible|hidden checked|unchecked"
//   e2e_driver title TITLEPART           the full title of the visible window whose title holds it
//   e2e_driver msgbox CAPTION SECONDS    waits for a message box and prints its text
//   e2e_driver anybox SECONDS           waits for any message box and prints its caption
//   e2e_driver tempdir                   the temporary folder
// Exit status 0 on success, 1 when the window or control is not there (a message on stderr).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace {
struct Search {
    const char* title;
    bool part;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(hwnd))
        return TRUE;
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    bool match = search->part ? std::strstr(text, search->title) != nullptr
                              : std::strcmp(text, search->title) == 0;
    if (!match)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// "#123" names a window by its handle, for pages whose title changes while they run.
HWND FindWindowByTitle(const char* title, bool part = false)
{
    if (title[0] == '#') {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(title + 1, nullptr, 10)));
        return IsWindow(hwnd) && IsWindowVisible(hwnd) ? hwnd : nullptr;
    }
    Search search = {title, part, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const char* title, double seconds)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND hwnd = FindWindowByTitle(title);
        if (hwnd || static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return hwnd;
        Sleep(50);
    }
}

// A message box: its text in the static control 0xFFFF beside the icon control 0x0440. Pages
// may hold a group box with the id 0xFFFF too, but no icon control.
bool IsMessageBox(HWND hwnd)
{
    HWND text = GetDlgItem(hwnd, 0xFFFF);
    char cls[16] = "";
    if (text)
        GetClassNameA(text, cls, sizeof(cls));
    return lstrcmpiA(cls, "Static") == 0 && GetDlgItem(hwnd, 0x0440) != nullptr;
}

BOOL CALLBACK FindMessageBox(HWND hwnd, LPARAM param)
{
    if (!IsWindowVisible(hwnd) || !IsMessageBox(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND WaitForMessageBox(double seconds)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND box = nullptr;
        EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&box));
        if (box || static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return box;
        Sleep(50);
    }
}

int Fail(const std::string& text)
{
    std::fprintf(stderr, "e2e_driver: %s\n", text.c_str());
    return 1;
}

std::string TextOf(HWND hwnd)
{
    int length = static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// The control ID of the window called TITLE, or null with a message.
HWND Control(const char* title, const char* id)
{
    HWND window = FindWindowByTitle(title);
    if (window == nullptr) {
        Fail(std::string("no visible window \"") + title + "\"");
        return nullptr;
    }
    HWND control = GetDlgItem(window, std::atoi(id));
    if (control == nullptr)
        Fail(std::string("window \"") + title + "\" has no control " + id);
    return control;
}
}

int main(int argc, char** argv)
{
    // Lines end in a bare line feed for the shell that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "tempdir" && argc == 2) {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        std::printf("%s\n", temp);
        return 0;
    }
    if ((command == "wait" || command == "find" || command == "gone") && argc == 4) {
        double seconds = std::atof(argv[3]);
        if (command != "gone") {
            HWND hwnd = WaitForWindow(argv[2], seconds);
            if (hwnd == nullptr)
                return Fail(std::string("no window \"") + argv[2] + "\"");
            if (command == "find")
                std::printf("#%lld\n", static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)));
            return 0;
        }
        DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
        while (FindWindowByTitle(argv[2])) {
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                return Fail(std::string("window \"") + argv[2] + "\" still there");
            Sleep(50);
        }
        return 0;
    }
    if (command == "title" && argc == 3) {
        HWND hwnd = FindWindowByTitle(argv[2], true);
        if (hwnd == nullptr)
            return Fail(std::string("no visible window with \"") + argv[2] + "\" in its title");
        std::printf("%s\n", TextOf(hwnd).c_str());
        return 0;
    }
    if (command == "msgbox" && argc == 4) {
        HWND box = WaitForWindow(argv[2], std::atof(argv[3]));
        if (box == nullptr || !IsMessageBox(box))
            return Fail(std::string("no message box \"") + argv[2] + "\"");
        // Only the text: icons are handles of the showing process, which another process
        // cannot compare. The in-process tests check them, and the screenshots show them.
        std::printf("%s\n", TextOf(GetDlgItem(box, 0xFFFF)).c_str());
        return 0;
    }
    if (command == "anybox" && argc == 3) {
        HWND box = WaitForMessageBox(std::atof(argv[2]));
        if (box == nullptr)
            return Fail("no message box");
        std::printf("%s\n", TextOf(box).c_str());
        return 0;
    }
    if (command == "key" && argc == 4) {
        HWND window = FindWindowByTitle(argv[2]);
        if (window == nullptr)
            return Fail(std::string("no visible window \"") + argv[2] + "\"");
        // The focus belongs to the installer's thread; ask it there.
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        HWND target = info.hwndFocus ? info.hwndFocus : window;
        UINT vk = static_cast<UINT>(std::strtoul(argv[3], nullptr, 0));
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        return 0;
    }
    if (argc < 4)
        return Fail("usage: see the head of e2e_driver.cpp");
    HWND control = Control(argv[2], argv[3]);
    if (control == nullptr)
        return 1;
    if (command == "click") {
        // Like a person, click only a window that has come to the front: a button pressed
        // while the window manager is still moving the focus loses its press.
        HWND top = GetAncestor(control, GA_ROOT);
        if (GetForegroundWindow() != top)
            SetForegroundWindow(top);
        Sleep(300);
        // Posted: the handler may run a modal loop of its own, as it does for a real click.
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "settext" && argc == 5) {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return 0;
    }
    if (command == "text") {
        std::printf("%s\n", TextOf(control).c_str());
        return 0;
    }
    if (command == "rows") {
        int count = static_cast<int>(SendMessageA(control, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            // Across processes Wine hands LB_GETTEXT back in UTF-16 whichever way it was
            // asked, so ask for that and convert.
            std::wstring row(static_cast<size_t>(SendMessageW(control, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
            SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
            char text[8192] = "";
            WideCharToMultiByte(1252, 0, row.c_str(), -1, text, sizeof(text), nullptr, nullptr);
            std::printf("%s\n", text);
        }
        return 0;
    }
    if (command == "state") {
        LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
        std::printf("%s %s %s\n", IsWindowEnabled(control) ? "enabled" : "disabled",
                    IsWindowVisible(control) ? "visible" : "hidden",
                    check == BST_CHECKED ? "checked" : "unchecked");
        return 0;
    }
    return Fail("unknown command " + command);
}
