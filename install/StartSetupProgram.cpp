#include "install/StartSetupProgram.h"
#include "framework/Handles.h"
#include <vector>

CreateProcessAProc g_pfnStartProcess = ::CreateProcessA;

namespace {
const char* const kElevationLibrary = "Elevate.dll";
const char* const kElevatedStart = "CreateProcessElevatedA";
// Not in every winerror.h of the tool chain.
const DWORD kErrorElevationRequired = 740;

// The program's own path, quoted: a folder with blanks would otherwise be split into a
// shorter program name and arguments by whoever parses the line. Writable, as CreateProcess
// may change it.
std::vector<char> QuotedCommandLine(const std::string& program)
{
    std::string line = "\"" + program + "\"";
    return std::vector<char>(line.c_str(), line.c_str() + line.size() + 1);
}

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start record of a 32-bit process");
#endif

// The library's own rights decide how it starts the program; it gets the same request.
void StartElevated(const std::string& installDir, const std::string& program,
                   PROCESS_INFORMATION& process)
{
    CLibrary library;
    // Its own dependencies come from its folder or the system, never from the installer's.
    if (!library.Load((installDir + kElevationLibrary).c_str(),
                      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    auto start = library.GetProc<CreateProcessElevatedAProc>(kElevatedStart);
    if (start != nullptr) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        std::vector<char> commandLine = QuotedCommandLine(program);
        start(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
              CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process);
    }
}
}

void StartSetupProgram(const std::string& installDir)
{
    std::string program = installDir + kSetupProgram;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    CreateProcessAProc start = g_pfnStartProcess;
    std::vector<char> commandLine = QuotedCommandLine(program);
    BOOL started = start(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process);
    DWORD error = ::GetLastError();
    if (started) {
        // Not waited for; the handles are only closed so they do not outlive their use.
        CHandle thread(process.hThread);
        CHandle child(process.hProcess);
        return;
    }
    if (error == kErrorElevationRequired)
        StartElevated(installDir, program, process);
}
