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
std::vector<char> QuotedCommandLine(const std::string& program, const std::string& arguments)
{
    std::string line = "\"" + program + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    return std::vector<char>(line.c_str(), line.c_str() + line.size() + 1);
}

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start record of a 32-bit process");
#endif

// The library's own rights decide how it starts the program; it gets the same request.
SetupStart StartElevated(const std::string& installDir, const std::string& program,
                         const std::string& arguments, PROCESS_INFORMATION& process)
{
    CLibrary library;
    // Its own dependencies come from its folder or the system, never from the installer's.
    if (!library.Load((installDir + kElevationLibrary).c_str(),
                      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32))
        return SetupStart::NotStarted;
    auto start = library.GetProc<CreateProcessElevatedAProc>(kElevatedStart);
    if (start == nullptr)
        return SetupStart::NotStarted;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    std::vector<char> commandLine = QuotedCommandLine(program, arguments);
    BOOL started = start(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process);
    return started ? SetupStart::Elevated : SetupStart::NotStarted;
}
}

SetupStart StartSetupProgram(const std::string& installDir, const std::string& arguments,
                             HANDLE* waitable)
{
    std::string program = installDir + kSetupProgram;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    CreateProcessAProc start = g_pfnStartProcess;
    std::vector<char> commandLine = QuotedCommandLine(program, arguments);
    BOOL started = start(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process);
    DWORD error = ::GetLastError();
    if (started) {
        CHandle thread(process.hThread);
        if (waitable != nullptr)
            *waitable = process.hProcess;
        else
            CHandle child(process.hProcess);
        return SetupStart::Started;
    }
    if (error != kErrorElevationRequired)
        return SetupStart::NotStarted;
    process = {};
    SetupStart how = StartElevated(installDir, program, arguments, process);
    // Whatever the library hands back is not ours to wait for.
    CHandle thread(process.hThread);
    CHandle child(process.hProcess);
    return how;
}
