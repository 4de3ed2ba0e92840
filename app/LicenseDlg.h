#pragma once
// The licence terms page: fetches license.txt from the download server and lets the user
// go on only after accepting it.
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "util/InstallLog.h"
#include <string>
#include <vector>

class CFtpConnection;
struct ReleaseDescriptor;

// What the page is willing to show; a longer text is not a licence anybody can read.
const size_t kMaxLicenseLines = 10000;
const size_t kMaxLicenseLineLength = 4096;
const char* const kLicenseFileName = "license.txt";
const char* const kLicenseInvalidText = "Lizenztext ungültig";

// The row a licence line becomes: blanks, tabs and line-end characters cut off both ends.
std::string TrimLicenseLine(const std::string& line);
// Whether the licence's bytes, as stored on the server, are the ones the vendor's `descriptor`
// (none when it is not validly signed) names by their SHA-256.
bool IsSignedLicense(const std::string& bytes, const ReleaseDescriptor* descriptor);
// The rows of a licence's text, lines ending in LF or CR LF; false when it breaks the limits.
bool SplitLicenseText(const std::string& bytes, std::vector<std::string>& rows);

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
    enum class Listing { NotStarted, Walked };
    bool FetchAndShow();
    Listing FetchLicense(CFtpConnection& connection);
    void ShowLicense(const std::vector<std::string>& rows);
    void OnAccept();

    CInstallLog m_log;
    bool m_bWaiting = false;     // the fetch waits for the server
    bool m_bCancelled = false;   // ... and the user has cancelled meanwhile
};
