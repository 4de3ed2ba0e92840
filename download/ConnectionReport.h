#pragma once
// How the pages connect: log the outcome, and tell the user when there is no connection.
#include "framework/Internet.h"
#include "framework/Wnd.h"
#include "util/InstallLog.h"

const char* const kConnectedText = "Verbunden mit FTP";
const char* const kConnectFailedText = "Verbinden mit FTP fehlgeschlagen";
const char* const kNoConnectionText = "Verbindung zum FTP-Server konnte nicht hergestellt werden.";

// Connects `session` to the download server. Without a connection a message box owned by
// `page` with `caption` says so, unless the wait was cancelled. Returns the connection, which the caller closes and
// destroys, or null.
CFtpConnection* RunConnectionReport(CInternetSession& session, CWnd& page, const char* caption,
                                    CInstallLog& log);
