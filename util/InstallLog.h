#pragma once
// Appends time-stamped lines to norla_inst_log.txt in the temporary directory.
#include <string>

class CInstallLog {
public:
    virtual ~CInstallLog() = default;
    // One line per call; never throws, never shows anything.
    void WriteLine(std::string message);
    // From now on every line goes to this file as well, in the same form (empty: no copy).
    static void SetCopyPath(const std::string& path);
};
