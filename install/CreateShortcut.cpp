#include "install/CreateShortcut.h"
#include "framework/Handles.h"
#include <objidl.h>
#include <shlobj.h>
#include <cstring>

namespace {
bool IsEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

// The link path must fit the conversion buffer with its terminator.
const size_t kMaxLinkPath = MAX_PATH - 1;

bool ArgumentsAcceptable(const char* target, const char* arguments, const char* linkPath,
                         const char* description, int showCommand,
                         const char* workingDirectory, const char* iconFile, int iconIndex)
{
    return !IsEmpty(target) && arguments != nullptr && !IsEmpty(linkPath) &&
           strlen(linkPath) <= kMaxLinkPath && description != nullptr && showCommand >= 0 &&
           workingDirectory != nullptr && iconFile != nullptr && iconIndex >= 0;
}

}

HRESULT CreateShortcut(const char* target, const char* arguments, const char* linkPath,
                       const char* description, int showCommand, const char* workingDirectory,
                       const char* iconFile, int iconIndex)
{
    if (!ArgumentsAcceptable(target, arguments, linkPath, description, showCommand,
                             workingDirectory, iconFile, iconIndex))
        return E_INVALIDARG;

    // Declared first, released last: the file interface goes before the link object.
    CComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.OutVoid());
    if (FAILED(result))
        return result;
    link->SetPath(target);
    link->SetArguments(arguments);
    if (*description)
        link->SetDescription(description);
    if (showCommand > 0)
        link->SetShowCmd(showCommand);
    if (*workingDirectory)
        link->SetWorkingDirectory(workingDirectory);
    if (*iconFile)
        link->SetIconLocation(iconFile, iconIndex);

    CComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.OutVoid());
    if (FAILED(result))
        return result;
    WCHAR widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH);
    return file->Save(widePath, TRUE);
}
