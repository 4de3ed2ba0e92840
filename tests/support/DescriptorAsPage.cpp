#include "SequenceRun.h"
#include "app/DownloadEntry.h"
#include "app/SetupApp.h"
#include "download/ServerParameters.h"

bool LookUpDescriptorAsPage()
{
    CInternetSession session;
    theApp.m_pFtpConnection = ConnectToDownloadServer(session);
    bool found = FindDownloadDescriptor();
    CHECK(theApp.m_pFtpConnection == nullptr);
    return found;
}
