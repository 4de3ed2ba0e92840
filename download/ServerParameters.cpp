#include "download/ServerParameters.h"

CFtpConnection* ConnectToDownloadServer(CInternetSession& session)
{
    return session.GetFtpConnection(kFtpServer, kFtpUserName, kFtpPassword, kFtpPort,
                                    kFtpPassive);
}
