// Works the installer's windows from another process, the way a person would: finds them by
// title and reads or presses their controls with window messages. One command per run; the
// table kCommands below lists them, and a call it does not match prints that list.
// A TITLE of "#123" names a window by its handle, as "find" prints it. Exit status 0 on
// success, 1 when the window or control is not there (a message on stderr), 2 for a call
// that matches no command.
#include "LogTail.h"
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

int Print(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    return 0;
}

// The commands. Those whose arguments start with TITLE ID get that control, found.
using Args = char**;

int TempDir(HWND, Args)
{
    return Print(TempFolder());
}

int Wait(HWND, Args args)
{
    return WaitForWindow(args[0], std::atof(args[1])) ? 0 : Fail(std::string("no window \"") + args[0] + "\"");
}

int Find(HWND, Args args)
{
    HWND hwnd = WaitForWindow(args[0], std::atof(args[1]));
    return hwnd ? Print("#" + std::to_string(reinterpret_cast<INT_PTR>(hwnd)))
                : Fail(std::string("no window \"") + args[0] + "\"");
}

int Gone(HWND, Args args)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(std::atof(args[1]) * 1000);
    while (FindWindowByTitle(args[0])) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return Fail(std::string("window \"") + args[0] + "\" still there");
        Sleep(50);
    }
    return 0;
}

int Title(HWND, Args args)
{
    HWND hwnd = FindWindowByTitle(args[0], true);
    return hwnd ? Print(TextOf(hwnd)) : Fail(std::string("no visible window with \"") + args[0] + "\" in its title");
}

int MsgBox(HWND, Args args)
{
    HWND box = WaitForWindow(args[0], std::atof(args[1]));
    if (box == nullptr || !IsMessageBox(box))
        return Fail(std::string("no message box \"") + args[0] + "\"");
    // Only the text: icons are handles of the showing process, which another process
    // cannot compare. The in-process tests check them, and the screenshots show them.
    return Print(TextOf(GetDlgItem(box, 0xFFFF)));
}

int AnyBox(HWND, Args args)
{
    HWND box = WaitForMessageBox(std::atof(args[0]));
    return box ? Print(TextOf(box)) : Fail("no message box");
}

int Key(HWND, Args args)
{
    HWND window = FindWindowByTitle(args[0]);
    if (window == nullptr)
        return Fail(std::string("no visible window \"") + args[0] + "\"");
    // The focus belongs to the installer's thread; ask it there.
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : window;
    UINT vk = static_cast<UINT>(std::strtoul(args[1], nullptr, 0));
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
    return 0;
}

int Click(HWND control, Args)
{
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

int SetText(HWND control, Args args)
{
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[2]));
    return 0;
}

int Text(HWND control, Args)
{
    return Print(TextOf(control));
}

int Rows(HWND control, Args)
{
    int count = static_cast<int>(SendMessageA(control, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        // Across processes Wine hands LB_GETTEXT back in UTF-16 whichever way it was
        // asked, so ask for that and convert.
        std::wstring row(static_cast<size_t>(SendMessageW(control, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        char text[8192] = "";
        WideCharToMultiByte(1252, 0, row.c_str(), -1, text, sizeof(text), nullptr, nullptr);
        Print(text);
    }
    return 0;
}

int State(HWND control, Args)
{
    LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
    return Print(std::string(IsWindowEnabled(control) ? "enabled" : "disabled") +
                 (IsWindowVisible(control) ? " visible" : " hidden") +
                 (check == BST_CHECKED ? " checked" : " unchecked"));
}

struct ProcessWindows {
    DWORD processId;
    std::string* seen;   // titles, one a line, each once
};

BOOL CALLBACK NoteWindow(HWND hwnd, LPARAM param)
{
    auto* process = reinterpret_cast<ProcessWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != process->processId || !IsWindowVisible(hwnd))
        return TRUE;
    std::string line = "window " + TextOf(hwnd) + "\n";
    // A window destroyed meanwhile answers with no text.
    if (IsWindowVisible(hwnd) && process->seen->find(line) == std::string::npos)
        *process->seen += line;
    return TRUE;
}

// Starts a program with exactly this command line and looks for its visible windows every
// 20 ms until it ends, so that not even a window shown for a moment goes unseen.
int Run(HWND, Args args)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = args[1];
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Fail("cannot start " + commandLine);
    std::string seen;
    ProcessWindows windows = {process.dwProcessId, &seen};
    DWORD deadline = GetTickCount() + static_cast<DWORD>(std::atof(args[0]) * 1000);
    DWORD waited;
    do {
        waited = WaitForSingleObject(process.hProcess, 20);
        EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&windows));
    } while (waited == WAIT_TIMEOUT && static_cast<LONG>(GetTickCount() - deadline) < 0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%s", seen.c_str());
    return code == STILL_ACTIVE ? Fail("still running: " + commandLine) : Print("exit " + std::to_string(code));
}

int Front(HWND, Args)
{
    return Print(TextOf(GetForegroundWindow()));
}

int Log(HWND, Args args)
{
    for (const std::string& message : LogTail(std::strtoull(args[0], nullptr, 10)).Messages())
        Print(message);
    return 0;
}

const struct Command {
    const char* name;
    const char* arguments;
    const char* what;
    int (*run)(HWND control, Args args);
} kCommands[] = {
    {"wait", "TITLE SECONDS", "a visible window with exactly this title appears", Wait},
    {"find", "TITLE SECONDS", "as wait, and prints the window's handle: \"#123\"", Find},
    {"gone", "TITLE SECONDS", "no visible window with this title is left", Gone},
    {"click", "TITLE ID", "BM_CLICK on the control, posted like a mouse click", Click},
    {"key", "TITLE VK", "a key pressed and released on the focused control", Key},
    {"settext", "TITLE ID TEXT", "WM_SETTEXT on the control", SetText},
    {"text", "TITLE ID", "the control's text", Text},
    {"rows", "TITLE ID", "a list box's rows, one a line (LB_GETTEXT)", Rows},
    {"state", "TITLE ID", "\"enabled|disabled visible|hidden checked|unchecked\"", State},
    {"title", "TITLEPART", "the full title of the visible window whose title holds it", Title},
    {"msgbox", "CAPTION SECONDS", "waits for a message box and prints its text", MsgBox},
    {"anybox", "SECONDS", "waits for any message box and prints its caption", AnyBox},
    {"tempdir", "", "the temporary folder", TempDir},
    {"run", "SECONDS COMMANDLINE", "starts a program; its visible windows' titles, then its exit code", Run},
    {"front", "", "the title of the foreground window", Front},
    {"log", "OFFSET", "the install log's messages from this byte on, one a line", Log},
};

// The number of words in a command's argument list.
int CountOf(const char* arguments)
{
    int count = 0;
    for (const char* at = arguments; *at; ++at)
        count += *at != ' ' && (at == arguments || at[-1] == ' ');
    return count;
}
}

int main(int argc, char** argv)
{
    // Lines end in a bare line feed for the shell that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    for (const Command& command : kCommands) {
        if (argc < 2 || std::strcmp(argv[1], command.name) != 0 || argc - 2 != CountOf(command.arguments))
            continue;
        if (std::strncmp(command.arguments, "TITLE ID", 8) != 0)
            return command.run(nullptr, argv + 2);
        HWND control = Control(argv[2], argv[3]);
        return control ? command.run(control, argv + 2) : 1;
    }
    std::fprintf(stderr, "usage:\n");
    for (const Command& command : kCommands)
        std::fprintf(stderr, "  e2e_driver %-8s %-16s %s\n", command.name, command.arguments, command.what);
    return 2;
}
