#include "download/ServerListing.h"
#include "download/ServerParameters.h"

bool WalkListing(CFtpConnection& connection, const std::function<bool(const CFtpFileFind&)>& visit)
{
    CFtpFileFind finder(&connection, kFtpContext);
    if (!finder.FindFile(nullptr, INTERNET_FLAG_RELOAD)) {
        finder.Close();
        return false;
    }
    bool more = true;
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDirectory() && !visit(finder))
            break;
    }
    finder.Close();
    return true;
}
