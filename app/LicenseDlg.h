#pragma once
// The licence terms page: fetches license.txt from the download server and lets the user
// go on only after accepting it.
#include "app/LicenseFetch.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "util/InstallLog.h"
#include <string>
#include <vector>

class CLicenseDlg : public CDialog {
public:
    CLicenseDlg();

    CListBox m_listLicense;   // control 1003
    int m_iAccept = 0;        // check box 1004

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(UINT id, UINT code) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;

private:
    bool FetchAndShow();
    void ShowLicense(const std::vector<std::string>& rows);
    void OnAccept();

    CInstallLog m_log;
    bool m_bWaiting = false;     // the fetch waits for the server
    bool m_bCancelled = false;   // ... and the user has cancelled meanwhile
};
