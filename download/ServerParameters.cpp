#include "download/ServerParameters.h"
#include "framework/BlockingCall.h"

CFtpConnection* ConnectToDownloadServer(CInternetSession& session)
{
    return session.GetFtpConnection(kFtpServer, kFtpUserName, kFtpPassword, kFtpPort,
                                    kFtpPassive);
}

void SetSilenceTimeouts(CInternetSession& session)
{
    for (DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT})
        session.SetOption(option, kSilenceLimitMs);
}
