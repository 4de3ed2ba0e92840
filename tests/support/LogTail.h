#pragma once
// The install log's messages written since a point, without their time stamps: the one
// reader of the log, for the tests in process and, through e2e_driver, the end-to-end runs.
#include "Files.h"
#include <string>
#include <vector>

class LogTail {
public:
    // From the log's end as it is now, or from a byte offset into it.
    LogTail() : m_start(FileSize(Path())) {}
    explicit LogTail(ULONGLONG start) : m_start(start) {}

    static std::string Path() { return TempFolder() + "norla_inst_log.txt"; }

    // One message a CR LF line; a line without the time stamp's two blanks is marked.
    std::vector<std::string> Messages() const
    {
        std::string all = IsFile(Path()) ? ReadBytes(Path()) : "";
        if (all.size() < m_start)
            return {"<the log is shorter than before>"};
        std::string added = all.substr(static_cast<size_t>(m_start));
        std::vector<std::string> messages;
        for (size_t at = 0; at < added.size();) {
            size_t end = std::min(added.find("\r\n", at), added.size());
            std::string line = added.substr(at, end - at);
            size_t separator = line.find("  ");
            messages.push_back(separator == std::string::npos ? "<no time stamp> " + line
                                                              : line.substr(separator + 2));
            at = end + 2;
        }
        return messages;
    }

private:
    ULONGLONG m_start;
};
