#include "util/LogLine.h"

std::string FormatLogLine(const std::tm& when, const std::string& message)
{
    char stamp[64];
    size_t length = std::strftime(stamp, sizeof(stamp), "%d.%B.%Y %H:%M:%S", &when);
    std::string line(stamp, length);
    line += "  ";
    line += message;
    if (line.size() > kLogLineMax)
        line.resize(kLogLineMax);
    return line;
}

std::string InstallLogPath(std::string tempDir)
{
    if (tempDir.empty() || tempDir.back() != '\\')
        tempDir += '\\';
    return tempDir + "norla_inst_log.txt";
}
