#include "app/SharedSession.h"
#include "app/SetupApp.h"
#include "download/ServerParameters.h"

bool OpenSharedSession()
{
    if (theApp.m_pSession)
        return true;
    // No agent name: WinINet then announces the program's own name.
    auto* session = new CInternetSession(nullptr, kFtpContext, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                         nullptr, 0);
    if (session->GetHandle() == nullptr) {
        delete session;
        return false;
    }
    SetSilenceTimeouts(*session);
    theApp.m_pSession = session;
    return true;
}

void ReleaseSharedSession()
{
    // Closing lets messages through, and with them maybe a second release: take it first.
    CInternetSession* session = theApp.m_pSession;
    theApp.m_pSession = nullptr;
    if (session == nullptr)
        return;
    session->Close();
    delete session;
}
