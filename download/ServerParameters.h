#pragma once
// The download server every connection uses. The host (and, for tests, the port) is
// compiled in; the program reads no configuration.
#include "framework/Internet.h"

const char* const kFtpServer = NORLA_FTP_HOST;
const char* const kFtpUserName = "DownloadNorlaVeltro2024";
const char* const kFtpPassword = "tqM!ra#5917";
// 0 is INTERNET_INVALID_PORT_NUMBER, with which WinINet uses the FTP port 21.
const INTERNET_PORT kFtpPort = NORLA_FTP_PORT;
const BOOL kFtpPassive = TRUE;
// The context value of every session, connection, listing and file.
const DWORD_PTR kFtpContext = 1;
// Every file is read from the server itself and leaves no copy in the user's internet cache:
// a cached descriptor or licence could be yesterday's, and a cached archive is a second copy.
const DWORD kFtpNoCache = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;

// Logs in to the download server; the caller owns the connection. Throws CInternetException.
CFtpConnection* ConnectToDownloadServer(CInternetSession& session);

// WinINet's own receive and send limits on `session`: as long as the silence the waits allow.
void SetSilenceTimeouts(CInternetSession& session);
