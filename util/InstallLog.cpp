#include "util/InstallLog.h"
#include "util/LogLine.h"
#include "util/ZR_FileName.h"
#include "util/ZR_TextFile.h"
#include <windows.h>

void CInstallLog::WriteLine(std::string message)
{
    // The log must never disturb its caller: every failure drops the line.
    try {
        C_ZR_TextFile file;
        C_ZR_FileName fileName;
        char tempDir[MAX_PATH];
        DWORD length = ::GetTempPathA(sizeof(tempDir), tempDir);
        if (length == 0 || length >= sizeof(tempDir))
            return;
        fileName.SetPath(InstallLogPath(std::string(tempDir, length)).c_str());
        if (!file.OpenAppend(fileName))
            return;
        std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        if (local == nullptr)
            return;
        std::string line = FormatLogLine(*local, message);
        file.write(line.data(), static_cast<std::streamsize>(line.size()));
        file.put('\n');
        file.flush();
        file.Close();
    } catch (...) {
    }
}
