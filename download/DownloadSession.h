#pragma once
// The session of one archive download. It reports every status of the internet layer as a
// short English text to whoever shows them (the progress window).
#include "framework/Internet.h"
#include <functional>
#include <string>

// The text for an internet status, or false for the statuses that give none.
// `info` is the status information (a text for the two name statuses) and may be null.
bool ChooseStatusText(DWORD status, const void* info, std::string& text);

class CDownloadSession : public CInternetSession {
public:
    using StatusSink = std::function<void(const std::string& text)>;
    explicit CDownloadSession(const char* agentName, StatusSink showStatus = nullptr);
    ~CDownloadSession() override;

    void ShowStatusText(const std::string& text);

protected:
    void OnStatusCallback(DWORD_PTR context, DWORD status, LPVOID statusInformation,
                          DWORD statusInformationLength) override;

private:
    StatusSink m_showStatus;
};

// The connection options of a download and the status callback.
void PrepareDownloadSession(CDownloadSession& session);
