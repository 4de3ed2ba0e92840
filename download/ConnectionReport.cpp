#include "download/ConnectionReport.h"
#include "download/ServerParameters.h"

CFtpConnection* ConnectAndLog(CInternetSession& session, CInstallLog& log, bool* cancelled)
{
    CFtpConnection* connection = nullptr;
    if (cancelled)
        *cancelled = false;
    try {
        connection = ConnectToDownloadServer(session);
    } catch (const CInternetException& e) {
        log.WriteLine(kConnectFailedText);
        // The user ended the wait: the page is going, with nothing more to say.
        if (cancelled)
            *cancelled = e.m_dwError == ERROR_INTERNET_OPERATION_CANCELLED;
    }
    if (connection)
        log.WriteLine(kConnectedText);
    return connection;
}
