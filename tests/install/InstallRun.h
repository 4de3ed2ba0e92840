#pragma once
// What the installation tests look at besides the run itself (SequenceRun.h): the per-user
// places the sequence writes to, the product's tree, the fixtures' records, COM's state.
#include "SequenceRun.h"
#include <windows.h>
#include <string>
#include <vector>

// The per-user places the sequence writes to, as the shell names them.
struct UserPlaces {
    UserPlaces();
    void Clear() const;
    std::string settingsFolder;   // beside the desktop folder, ending with a backslash
    std::string desktopLink;
    std::string startMenuFolder;  // ending with a backslash
    std::string startMenuLink;
};

// Resets COM (see ResetCom) and clears the per-user places before a test and again after it.
struct CleanSlate {
    CleanSlate() { Clean(); }
    ~CleanSlate() { Clean(); }
    void Clean() const;
    UserPlaces places;
};

// What product.zip holds below its top folder "Norla/", as the installation folder shows it.
extern const std::vector<std::string> kProductTree;

// The lines a fixture wrote to its log beside itself (see FixtureRecord.h), waiting up to
// timeoutMs for the first one to arrive.
std::vector<std::string> FixtureRecords(const std::string& fixturePath, DWORD timeoutMs = 0);

// The one line a started program wrote (waiting for it), or what was found instead.
std::string OnlyStartRecord(const std::string& program);

// Resets COM on this thread to uninitialised; returns what CoInitialize answered first
// (S_FALSE: it was initialised, S_OK: it was not).
HRESULT ResetCom();

// The application name the framework gives message boxes: this program's file name.
std::string ProgramName();
