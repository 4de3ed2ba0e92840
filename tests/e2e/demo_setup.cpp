// The demo product's setup program: says where it was started from, so the user sees the
// installer hand over. Also notes it in setup-started.txt beside itself.
#include <windows.h>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof(self));
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(current), current);
    std::string text = std::string("Norla Veltro 2024 Setup wurde gestartet.\n\nProgramm: ") + self +
                       "\nArbeitsverzeichnis: " + current;

    std::string record = self;
    record.erase(record.find_last_of('\\') + 1);
    record += "setup-started.txt";
    HANDLE file = CreateFileA(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        std::string line = std::string(self) + "\r\n" + current + "\r\n";
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    MessageBoxA(nullptr, text.c_str(), "Norla Veltro 2024 Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
