#include "app/ConnectionReport.h"

CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log)
{
    bool cancelled = false;
    CFtpConnection* connection = ConnectAndLog(session, log, &cancelled);
    // A cancelled wait: the page is going, with nothing more to say.
    if (connection || cancelled)
        return connection;
    page.MessageBox(kNoConnectionText, caption, MB_OK | MB_ICONEXCLAMATION);
    log.WriteLine(kNoConnectionText);
    return nullptr;
}
