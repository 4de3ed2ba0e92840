#include "download/ConnectionReport.h"
#include "download/ServerParameters.h"

CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log)
{
    CFtpConnection* connection = nullptr;
    try {
        connection = ConnectToDownloadServer(session);
    } catch (const CInternetException&) {
        log.WriteLine(kConnectFailedText);
    }
    if (connection) {
        log.WriteLine(kConnectedText);
        return connection;
    }
    page.MessageBox(kNoConnectionText, caption, MB_OK | MB_ICONEXCLAMATION);
    log.WriteLine(kNoConnectionText);
    return nullptr;
}
