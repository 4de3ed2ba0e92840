#include "app/LicenseDlg.h"
#include "app/ConnectionReport.h"
#include "app/InstallDirDlg.h"
#include "app/PageHandOver.h"
#include "app/SetupApp.h"
#include "app/SharedSession.h"
#include "app/res/resource.h"
#include "download/LowerCase.h"
#include "download/ReleaseDescriptor.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/BlockingCall.h"
#include "framework/Internet.h"
#include "util/Trim.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {
const char* const kCaption = "Norla Kesto Installer";
const char* const kTitle = "Installation Norla Veltro 2024 - Lizenzbestimmungen";
const char* const kEmptyListingText = "leer";
const UINT_PTR kFetchTimer = 1;

// One line of the text as a row, its CR before the LF dropped; false, and no rows, when the
// text breaks the limits.
bool AddLicenseLine(std::string line, std::vector<std::string>& rows)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > kMaxLicenseLineLength || rows.size() == kMaxLicenseLines) {
        rows.clear();
        return false;
    }
    rows.push_back(TrimLicenseLine(line));
    return true;
}

// Reads the licence line by line into `rows`. False when the text breaks the limits; then
// `rows` holds nothing worth showing. Throws CInternetException.
bool ReadLicenseText(CInternetFile& file, std::vector<std::string>& rows)
{
    std::string line;
    // One more character than allowed, so that a carriage return before the line feed does
    // not count against the line.
    while (file.ReadString(line, kMaxLicenseLineLength + 1))
        if (!AddLicenseLine(line, rows))
            return false;
    return true;
}

// The whole text, as stored on the server; false when it is larger than any text the page
// shows. Throws CInternetException.
bool ReadLicenseBytes(CInternetFile& file, std::string& bytes)
{
    const size_t limit = kMaxLicenseLines * (kMaxLicenseLineLength + 2);
    std::vector<char> block(65536);
    for (UINT read; (read = file.Read(block.data(), static_cast<UINT>(block.size()))) > 0;) {
        if (read > limit - bytes.size())
            return false;
        bytes.append(block.data(), read);
    }
    return true;
}

// The vendor's descriptor, when it is signed and recent enough; nothing otherwise.
std::optional<ReleaseDescriptor> SignedDescriptor(CFtpConnection& connection)
{
    ReleaseDescriptor descriptor;
    if (theApp.m_pReleaseKey &&
        FetchReleaseDescriptor(connection, theApp.m_pReleaseKey, theApp.m_nMinRelease, descriptor))
        return descriptor;
    return std::nullopt;
}
}

bool IsSignedLicense(const std::string& bytes, const ReleaseDescriptor* descriptor)
{
    unsigned char digest[kSha256Size];
    return descriptor && HashBytes(bytes, digest) &&
           std::memcmp(digest, descriptor->licenseSha256, kSha256Size) == 0;
}

bool SplitLicenseText(const std::string& bytes, std::vector<std::string>& rows)
{
    rows.clear();
    for (size_t start = 0; start < bytes.size();) {
        size_t end = std::min(bytes.find('\n', start), bytes.size());
        if (!AddLicenseLine(bytes.substr(start, end - start), rows))
            return false;
        start = end + 1;
    }
    return true;
}

std::string TrimLicenseLine(const std::string& line)
{
    return Trim(line, " \t\r\n\v\f");
}

CLicenseDlg::CLicenseDlg() : CDialog(IDD_LICENSE)
{
}

void CLicenseDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LICENSE_LIST, m_listLicense);
    DDX_Check(pDX, IDC_ACCEPT_LICENSE, m_iAccept);
}

BOOL CLicenseDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    // The page is on screen before the server is asked; nothing can be accepted meanwhile.
    ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), FALSE);
    SetTimer(kFetchTimer, 0);
    return TRUE;
}

void CLicenseDlg::OnTimer(UINT_PTR id)
{
    if (id != kFetchTimer)
        return;
    KillTimer(kFetchTimer);
    m_bWaiting = true;
    bool fetched = FetchAndShow();
    m_bWaiting = false;
    // A Cancel during the wait ends the page only now, once the session is no longer in use.
    if (m_bCancelled)
        return OnCancel();
    ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), TRUE);
    if (!fetched)
        return;
    SetWindowText(kTitle);
    if (m_listLicense.GetCount() == 0)
        ::EnableWindow(GetDlgItem(IDC_ACCEPT_LICENSE), FALSE);
    UpdateData(FALSE);
}

// False where the page ends its initialisation early: no session, or no listing.
bool CLicenseDlg::FetchAndShow()
{
    if (!OpenSharedSession())
        return false;
    std::unique_ptr<CFtpConnection> connection(
        RunConnectionReport(*theApp.m_pSession, *this, kCaption, m_log));
    // Without a connection the page goes on as with an empty licence: only "Abbrechen" is left.
    if (connection) {
        Listing listing = Listing::Walked;
        try {
            listing = FetchLicense(*connection);
        } catch (const CInternetException&) {
            // Rows are shown only once the whole text has arrived, so the list stays empty:
            // half a licence is none.
        }
        connection->Close();
        if (listing == Listing::NotStarted)
            return false;
    }
    return true;
}

// Walks a fresh listing of the start directory; the first file named like the licence, in
// any letter case, ends the walk whether or not it can be read. Throws CInternetException.
CLicenseDlg::Listing CLicenseDlg::FetchLicense(CFtpConnection& connection)
{
    // With the vendor's key, the text must be the one the descriptor signed, byte for byte.
    const bool keyed = theApp.m_pReleaseKey != nullptr;
    std::optional<ReleaseDescriptor> descriptor;
    if (keyed) {
        try {
            descriptor = SignedDescriptor(connection);
        } catch (const CInternetException&) {
            // No descriptor or no signature: no licence is shown.
        }
    }
    bool listed = WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (LowerCase(entry.GetFileName()) != kLicenseFileName)
            return true;
        std::unique_ptr<CInternetFile> file;
        try {
            file.reset(connection.OpenFile(
                entry.GetFileName().c_str(), GENERIC_READ,
                (keyed ? FTP_TRANSFER_TYPE_BINARY : FTP_TRANSFER_TYPE_ASCII) | kFtpNoCache, kFtpContext));
        } catch (const CInternetException&) {
            // A licence that cannot be opened leaves the list empty.
        }
        if (file) {
            std::vector<std::string> rows;
            std::string bytes;
            bool valid = keyed ? ReadLicenseBytes(*file, bytes) &&
                                     IsSignedLicense(bytes, descriptor ? &*descriptor : nullptr) &&
                                     SplitLicenseText(bytes, rows)
                               : ReadLicenseText(*file, rows);
            if (valid)
                ShowLicense(rows);
            else
                m_log.WriteLine(kLicenseInvalidText);
            file->Close();
        }
        return false;
    });
    if (!listed) {
        m_log.WriteLine(kEmptyListingText);
        return Listing::NotStarted;
    }
    return Listing::Walked;
}

void CLicenseDlg::ShowLicense(const std::vector<std::string>& rows)
{
    // The page is on screen by now: one repaint for all the rows, not one a row.
    HWND list = GetDlgItem(IDC_LICENSE_LIST);
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const std::string& row : rows)
        m_listLicense.AddString(row.c_str());
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

BOOL CLicenseDlg::OnCommand(UINT id, UINT code)
{
    if (id == IDC_ACCEPT_LICENSE && code == BN_CLICKED) {
        if (m_bWaiting)
            return TRUE;
        OnAccept();
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

void CLicenseDlg::OnAccept()
{
    UpdateData(TRUE);
    if (m_iAccept == 1)
        ::EnableWindow(GetDlgItem(IDOK), TRUE);
    else if (m_iAccept == 0)
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
}

void CLicenseDlg::OnOK()
{
    if (m_bWaiting)
        return;
    UpdateData(TRUE);
    HandOverTo<CInstallDirDlg>(*this);
}

void CLicenseDlg::OnCancel()
{
    if (m_bWaiting) {
        m_bCancelled = true;
        CancelBlockingCalls();
        return;
    }
    // Closing the session lets messages through: the fetch must not start meanwhile.
    KillTimer(kFetchTimer);
    ReleaseSharedSession();
    EndDialog(IDCANCEL);
}
