#include "util/InstallLog.h"
#include "util/LogLine.h"
#include "util/ZR_FileName.h"
#include "util/ZR_TextFile.h"
#include <windows.h>

namespace {
std::string g_copyPath;

// Appends the line and its line end; a file that cannot be opened drops it.
void AppendLine(const std::string& path, const std::string& line)
{
    C_ZR_TextFile file;
    C_ZR_FileName fileName;
    fileName.SetPath(path.c_str());
    if (!file.OpenAppend(fileName))
        return;
    file.write(line.data(), static_cast<std::streamsize>(line.size()));
    file.put('\n');
    file.flush();
    file.Close();
}
}

void CInstallLog::SetCopyPath(const std::string& path)
{
    g_copyPath = path;
}

void CInstallLog::WriteLine(std::string message)
{
    // The log must never disturb its caller: every failure drops the line.
    try {
        std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        if (local == nullptr)
            return;
        std::string line = FormatLogLine(*local, message);
        char tempDir[MAX_PATH];
        DWORD length = ::GetTempPathA(sizeof(tempDir), tempDir);
        if (length != 0 && length < sizeof(tempDir))
            AppendLine(InstallLogPath(std::string(tempDir, length)), line);
        if (!g_copyPath.empty())
            AppendLine(g_copyPath, line);
    } catch (...) {
    }
}
