#include "app/ConnectionReport.h"

CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log)
{
    CFtpConnection* connection = ConnectAndLog(session, log);
    if (connection)
        return connection;
    page.MessageBox(kNoConnectionText, caption, MB_OK | MB_ICONEXCLAMATION);
    log.WriteLine(kNoConnectionText);
    return nullptr;
}
