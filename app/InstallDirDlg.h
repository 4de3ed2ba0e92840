#pragma once
// The installation directory page: the user picks the directory and starts the installation.
#include "app/InstallDirCheck.h"
#include "framework/PictureBackground.h"
#include "framework/Dialog.h"
#include "util/InstallLog.h"
#include "util/ProgressSink.h"
#include <string>

const char* const kDefaultInstallDir = "C:\\Norla024_install\\";

class CInstallDirDlg : public CDialog, public CCaptionFeedback {
public:
    CInstallDirDlg();

    // The disk object's progress and errors, in this page's title.
    void ShowCaption(const std::string& text) override;

    std::string m_strDirectory = kDefaultInstallDir;   // edit field 1001
    int m_iStartMenu = 0;                              // check box 1007
    int m_iDesktopIcon = 0;                            // check box 1006

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(UINT id, UINT code) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnEraseBkgnd(HDC hDC) override;

private:
    void OnBrowse();
    void OnStart();
    void OnDesktopIcon();
    void OnStartMenu();
    void WaitWithButtons(bool done);
    void Warn(const std::string& text);

    CInstallLog m_log;
    PictureBackground m_picture;
    bool m_bWaiting = false;     // Start waits for the server
    bool m_bCancelled = false;   // ... and the user has cancelled meanwhile
};
