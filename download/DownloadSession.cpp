#include "download/DownloadSession.h"
#include "download/ServerParameters.h"
#include <cstdio>

bool ChooseStatusText(DWORD status, const void* info, std::string& text)
{
    const char* name = info ? static_cast<const char*>(info) : "";
    switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
        text = std::string("Resolving name ") + name;
        return true;
    case INTERNET_STATUS_NAME_RESOLVED:
        text = std::string("Name resolved ") + name;
        return true;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        text = "Connecting to socket address";
        return true;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        text = "Connected to socket address";
        return true;
    case INTERNET_STATUS_SENDING_REQUEST:
        text = "Sending request";
        return true;
    case INTERNET_STATUS_REQUEST_SENT:
        text = "Request sent";
        return true;
    case INTERNET_STATUS_RECEIVING_RESPONSE:
    case INTERNET_STATUS_HANDLE_CLOSING:
        return false;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
        text = "Response received";
        return true;
    case INTERNET_STATUS_CLOSING_CONNECTION:
        text = "Closing the connection to the server";
        return true;
    case INTERNET_STATUS_CONNECTION_CLOSED:
        text = "Connection to the server closed";
        return true;
    case INTERNET_STATUS_HANDLE_CREATED:
        text = "Handle created";
        return true;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        text = "Request complete";
        return true;
    case INTERNET_STATUS_REDIRECT:
        text = "Being redirected";
        return true;
    }
    char unknown[40];
    std::snprintf(unknown, sizeof(unknown), "Unknown status: %d", static_cast<int>(status));
    text = unknown;
    return true;
}

CDownloadSession::CDownloadSession(const char* agentName, StatusSink showStatus)
    : CInternetSession(agentName, kFtpContext, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
      m_showStatus(std::move(showStatus))
{
}

CDownloadSession::~CDownloadSession()
{
    Close();
}

void CDownloadSession::OnStatusCallback(DWORD_PTR, DWORD status, LPVOID statusInformation,
                                        DWORD)
{
    std::string text;
    if (ChooseStatusText(status, statusInformation, text))
        ShowStatusText(text);
}

void CDownloadSession::ShowStatusText(const std::string& text)
{
    if (m_showStatus)
        m_showStatus(text);
}

void PrepareDownloadSession(CDownloadSession& session)
{
    session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, 30000);
    session.SetOption(INTERNET_OPTION_CONNECT_BACKOFF, 1000);
    session.SetOption(INTERNET_OPTION_CONNECT_RETRIES, 1);
    SetSilenceTimeouts(session);
    session.EnableStatusCallback(TRUE);
}
