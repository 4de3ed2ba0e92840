#include "app/LicenseFetch.h"
#include "download/LowerCase.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/Internet.h"
#include "util/Trim.h"
#include <memory>

namespace {
const char* const kEmptyListingText = "leer";

// Reads the licence line by line into `rows`. False when the text breaks the limits; then
// `rows` holds nothing worth showing. Throws CInternetException.
bool ReadLicenseText(CInternetFile& file, std::vector<std::string>& rows)
{
    std::string line;
    // One more character than allowed, so that a carriage return before the line feed does
    // not count against the line.
    while (file.ReadString(line, kMaxLicenseLineLength + 1)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kMaxLicenseLineLength || rows.size() == kMaxLicenseLines) {
            rows.clear();
            return false;
        }
        rows.push_back(TrimLicenseLine(line));
    }
    return true;
}

// Throws CInternetException.
bool WalkForLicense(CFtpConnection& connection, CInstallLog& log, std::vector<std::string>& found)
{
    return WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (LowerCase(entry.GetFileName()) != kLicenseFileName)
            return true;
        std::unique_ptr<CInternetFile> file;
        try {
            file.reset(connection.OpenFile(entry.GetFileName().c_str(), GENERIC_READ,
                                           FTP_TRANSFER_TYPE_ASCII | kFtpNoCache, kFtpContext));
        } catch (const CInternetException&) {
            // A licence that cannot be opened leaves the list empty.
        }
        if (file) {
            std::vector<std::string> rows;
            if (ReadLicenseText(*file, rows))
                found = std::move(rows);
            else
                log.WriteLine(kLicenseInvalidText);
            file->Close();
        }
        return false;
    });
}
}

std::string TrimLicenseLine(const std::string& line)
{
    return Trim(line, " \t\r\n\v\f");
}

LicenseFetch FetchLicense(CFtpConnection& connection, CInstallLog& log)
{
    LicenseFetch fetched;
    try {
        fetched.listed = WalkForLicense(connection, log, fetched.rows);
    } catch (const CInternetException&) {
        // Rows are kept only once the whole text has arrived.
        fetched.listed = true;
    }
    if (!fetched.listed)
        log.WriteLine(kEmptyListingText);
    return fetched;
}
