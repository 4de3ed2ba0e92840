#include "app/LicenseFetch.h"
#include "download/LowerCase.h"
#include "download/ReleaseDescriptor.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/Internet.h"
#include "util/Trim.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {
const char* const kEmptyListingText = "leer";

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
std::optional<ReleaseDescriptor> SignedDescriptor(CFtpConnection& connection,
                                                  const unsigned char* releaseKey,
                                                  unsigned long minRelease)
{
    ReleaseDescriptor descriptor;
    try {
        if (FetchReleaseDescriptor(connection, releaseKey, minRelease, descriptor))
            return descriptor;
    } catch (const CInternetException&) {
        // No descriptor or no signature: no licence is shown.
    }
    return std::nullopt;
}

// Throws CInternetException.
bool WalkForLicense(CFtpConnection& connection, CInstallLog& log, std::vector<std::string>& found,
                    const unsigned char* releaseKey, unsigned long minRelease)
{
    const bool keyed = releaseKey != nullptr;
    std::optional<ReleaseDescriptor> descriptor;
    if (keyed)
        descriptor = SignedDescriptor(connection, releaseKey, minRelease);
    return WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (LowerCase(entry.GetFileName()) != kLicenseFileName)
            return true;
        std::unique_ptr<CInternetFile> file;
        try {
            // A signature covers bytes: with a key the text comes as stored.
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

LicenseFetch FetchLicense(CFtpConnection& connection, CInstallLog& log,
                          const unsigned char* releaseKey, unsigned long minRelease)
{
    LicenseFetch fetched;
    try {
        fetched.listed = WalkForLicense(connection, log, fetched.rows, releaseKey, minRelease);
    } catch (const CInternetException&) {
        // Rows are kept only once the whole text has arrived.
        fetched.listed = true;
    }
    if (!fetched.listed)
        log.WriteLine(kEmptyListingText);
    return fetched;
}
