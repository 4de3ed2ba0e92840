#pragma once
// How the pages connect: log the outcome, and tell the user when there is no connection.
#include "download/ConnectionReport.h"
#include "framework/Wnd.h"

// Connects `session` to the download server. Without a connection a message box owned by
// `page` with `caption` says so, unless the user cancelled the wait. Returns the connection, which the caller closes and
// destroys, or null.
CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log);
