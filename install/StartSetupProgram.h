#pragma once
// Starts the product's setup program from the installation directory, and when Windows
// demands elevation, hands the same request to the elevation library found there.
#include <windows.h>
#include <string>

// The product's setup program, in the installation directory.
const char* const kSetupProgram = "Norla2024.exe";

// CreateProcessA's signature, which the elevation library's export shares.
typedef BOOL(WINAPI* CreateProcessAProc)(LPCSTR applicationName, LPSTR commandLine,
                                         LPSECURITY_ATTRIBUTES processAttributes,
                                         LPSECURITY_ATTRIBUTES threadAttributes,
                                         BOOL inheritHandles, DWORD creationFlags,
                                         LPVOID environment, LPCSTR currentDirectory,
                                         LPSTARTUPINFOA startupInfo,
                                         LPPROCESS_INFORMATION processInformation);
typedef CreateProcessAProc CreateProcessElevatedAProc;

// The process start of the setup program. Wine starts a program that asks for elevation
// without reporting ERROR_ELEVATION_REQUIRED, so tests replace this for one call.
extern CreateProcessAProc g_pfnStartProcess;

enum class SetupStart { NotStarted, Started, Elevated };

// installDir ends with a backslash; `arguments` follow the quoted program path as written.
// A process started directly is handed to `process` when one is given, else not waited for.
// Through the elevation library there is no process to hand over.
SetupStart StartSetupProgram(const std::string& installDir, const std::string& arguments = "",
                             HANDLE* process = nullptr);
