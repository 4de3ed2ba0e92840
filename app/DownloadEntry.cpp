#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"
#include <memory>

bool FindDownloadDescriptor()
{
    std::unique_ptr<CFtpConnection> connection(theApp.m_pFtpConnection);
    theApp.m_pFtpConnection = nullptr;
    if (!connection)
        return false;
    DescriptorLookUp found;
    try {
        found = LookUpDescriptor(*connection, theApp.m_pReleaseKey != nullptr);
    } catch (const CInternetException&) {
        // A failure after the connection report: the page stays open as after a failed
        // listing, and the connection is closed all the same.
        found.listed = false;
    }
    connection->Close();
    if (found.fileName)
        theApp.m_strDownloadFileName = *found.fileName;
    return found.listed;
}
