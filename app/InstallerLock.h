#pragma once
// One installer at a time on the machine, whoever started it: two would race for the same
// folder and archive.
#include "framework/Handles.h"

class CInstallerLock {
public:
    // True when no other installer holds the lock; this one then holds it until it ends.
    bool Take();

private:
    CHandle m_mutex;
};

// Brings a running installer's window to the front, when it shows one.
void ShowRunningInstaller();
