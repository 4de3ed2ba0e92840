#pragma once
// Appends time-stamped lines to norla_inst_log.txt in the temporary directory.
#include <string>

class CInstallLog {
public:
    virtual ~CInstallLog() = default;
    // One line per call; never throws, never shows anything.
    void WriteLine(std::string message);
};
