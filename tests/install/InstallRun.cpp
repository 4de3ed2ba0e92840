#include "InstallRun.h"
#include "FixtureRecord.h"
#include "Files.h"
#include <shlobj.h>

namespace {
std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE);
    return folder;
}
}

UserPlaces::UserPlaces()
{
    settingsFolder = FullPath(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\..\\.norla\\");
    desktopLink = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Norla Kesto 2.0.lnk";
    startMenuFolder = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Norla Kesto\\";
    startMenuLink = startMenuFolder + "Norla Kesto 2.0.lnk";
}

void UserPlaces::Clear() const
{
    // A test may have put a read-only file where the settings folder goes.
    RemoveTree(settingsFolder);
    DeleteFileA(desktopLink.c_str());
    RemoveTree(startMenuFolder);
}

void CleanSlate::Clean() const
{
    ResetCom();
    places.Clear();
}

const std::vector<std::string> kProductTree = {
    ".norla\\",
    ".norla\\colors.cfg",
    ".norla\\profiles\\",
    ".norla\\profiles\\default.txt",
    ".norla\\settings.ini",
    "Elevate.dll",
    "Norla Kesto.exe",
    "Norla2024.exe",
    "kesto.ico",
    "norla.zip",
    "readme.txt",
};

std::vector<std::string> FixtureRecords(const std::string& fixturePath, DWORD timeoutMs)
{
    std::string log = FixtureLogPath(fixturePath);
    DWORD start = GetTickCount();
    while (!IsFile(log) && GetTickCount() - start < timeoutMs)
        Sleep(50);
    // The program ends right after writing; give it the moment to do so.
    if (timeoutMs)
        Sleep(200);
    return ReadLines(log);
}

std::string OnlyStartRecord(const std::string& program)
{
    std::vector<std::string> records = FixtureRecords(program, 20000);
    return records.size() == 1 ? records[0]
                               : "<" + std::to_string(records.size()) + " start records>";
}

HRESULT ResetCom()
{
    HRESULT first = CoInitialize(nullptr);
    HRESULT now = first;
    while (now == S_FALSE) {
        CoUninitialize();
        CoUninitialize();
        now = CoInitialize(nullptr);
    }
    CoUninitialize();
    return first;
}

std::string ProgramName()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    return name.substr(0, name.rfind('.'));
}
