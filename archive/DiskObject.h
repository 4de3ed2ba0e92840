#pragma once
// Creates folder trees and copies a folder's files, one level deep. Progress and error
// texts go to the feedback's caption; errorText keeps the last failure.
// Works through the process's current directory and always restores it.
#include "util/ProgressSink.h"
#include <windows.h>
#include <string>
#include <vector>

class CDiskObject {
public:
    // The feedback is not owned and may be null.
    explicit CDiskObject(CCaptionFeedback* feedback);

    // Each folder it makes gets `newFolders` (null: what it inherits from its parent).
    bool BuildFolderTree(const std::string& folder, SECURITY_ATTRIBUTES* newFolders = nullptr);
    bool CopyFolder(const std::string& source, const std::string& target);
    bool CopyFolderFiles(const std::string& source, const std::string& target);
    // Appends the names of the folder's files (no folders), sorted by character code.
    bool ListFiles(const std::string& folder, std::vector<std::string>& list);
    bool FolderExists(const std::string& folder);
    // Backslashes, a trailing backslash, absolute form; false for an invalid path.
    bool NormalizeFolderPath(std::string& path);
    bool ResolvePath(std::string& path);

    const std::string& GetErrorText() const { return errorText; }

private:
    static bool IsValidPathPart(const std::string& text);
    void ResetError();
    void SetSystemError(DWORD code, const std::string& detail);
    void SetParameterError();
    void ShowFeedback(const std::string& text);

    std::string errorText;
    CCaptionFeedback* feedback;
};

// The system's message for an error code without its line break, or "Error <code>".
std::string SystemErrorText(DWORD code);
