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
        found = LookUpDescriptor(*connection);
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

namespace {
bool IsSignedByVendor(ArchiveSignatureCheck& signature, const unsigned char* key)
{
    unsigned char digest[kSha256Size];
    return signature.hash.Finish(digest) && signature.fetched &&
           VerifyArchiveSignature(key, digest, signature.der);
}
}

int DownloadArchive(const char* agentName, std::string fileName)
{
    CProgressDlg& progress = theApp.m_dlgProgress;
    std::unique_ptr<ArchiveSignatureCheck> signature;
    if (theApp.m_pReleaseKey)
        signature.reset(new ArchiveSignatureCheck);
    int result = CopyArchive(agentName, fileName, theApp.m_strInstallDir, theApp.m_strArchivePath,
                             progress.m_progress,
                             [&](const std::string& text) { progress.SetStatusText(text); },
                             signature.get());
    if (result == 1 && signature && !IsSignedByVendor(*signature, theApp.m_pReleaseKey)) {
        ::DeleteFileA(theApp.m_strArchivePath.c_str());
        return kSignatureRefused;
    }
    return result;
}
