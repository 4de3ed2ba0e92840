#include "download/ConnectionReport.h"
#include "download/ServerParameters.h"

CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log)
{
    CFtpConnection* connection = nullptr;
    try {
        connection = ConnectToDownloadServer(session);
    } catch (const CInternetException& e) {
        log.WriteLine(kConnectFailedText);
        // The user ended the wait: the page is going, with nothing more to say.
        if (e.m_dwError == ERROR_INTERNET_OPERATION_CANCELLED)
            return nullptr;
    }
    if (connection) {
        log.WriteLine(kConnectedText);
        return connection;
    }
    page.MessageBox(kNoConnectionText, caption, MB_OK | MB_ICONEXCLAMATION);
    log.WriteLine(kNoConnectionText);
    return nullptr;
}
