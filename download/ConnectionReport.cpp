#include "download/ConnectionReport.h"
#include "download/ServerParameters.h"

CFtpConnection* ConnectAndLog(CInternetSession& session, CInstallLog& log)
{
    CFtpConnection* connection = nullptr;
    try {
        connection = ConnectToDownloadServer(session);
    } catch (const CInternetException&) {
        log.WriteLine(kConnectFailedText);
    }
    if (connection)
        log.WriteLine(kConnectedText);
    return connection;
}
