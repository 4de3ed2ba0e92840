#pragma once
// The pieces of an install log line, kept apart from the file so they can be checked alone.
#include <ctime>
#include <string>

// Longest line the log writes, line end not counted; a longer message is cut.
constexpr size_t kLogLineMax = 255;

// "%d.%B.%Y %H:%M:%S", two blanks, the message; at most kLogLineMax characters.
std::string FormatLogLine(const std::tm& when, const std::string& message);
// The log file inside the given temporary directory, with or without its trailing backslash.
std::string InstallLogPath(std::string tempDir);
