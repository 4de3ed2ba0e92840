#pragma once
// How the pages connect: the outcome goes to the install log; telling the user is theirs.
#include "framework/Internet.h"
#include "util/InstallLog.h"

const char* const kConnectedText = "Verbunden mit FTP";
const char* const kConnectFailedText = "Verbinden mit FTP fehlgeschlagen";
const char* const kNoConnectionText = "Verbindung zum FTP-Server konnte nicht hergestellt werden.";

// Connects `session` to the download server and logs whether it did. Returns the
// connection, which the caller closes and destroys, or null; `cancelled` tells whether the
// user ended the wait.
CFtpConnection* ConnectAndLog(CInternetSession& session, CInstallLog& log,
                              bool* cancelled = nullptr);
