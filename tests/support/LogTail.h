#pragma once
// The install log's lines written since construction, without their time stamps.
#include "ScratchFolder.h"
#include <string>
#include <vector>

class LogTail {
public:
    LogTail() : m_start(ReadBytes(Path()).size()) {}

    static std::string Path()
    {
        char temp[MAX_PATH] = "";
        ::GetTempPathA(sizeof(temp), temp);
        return std::string(temp) + "norla_inst_log.txt";
    }

    std::vector<std::string> Messages() const
    {
        std::string added = ReadBytes(Path()).substr(m_start);
        std::vector<std::string> messages;
        for (size_t at = 0; at < added.size();) {
            size_t end = added.find("\r\n", at);
            std::string line = added.substr(at, end - at);
            size_t separator = line.find("  ");
            messages.push_back(separator == std::string::npos ? "garbage" : line.substr(separator + 2));
            at = end == std::string::npos ? added.size() : end + 2;
        }
        return messages;
    }

private:
    size_t m_start;
};
