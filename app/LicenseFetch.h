#pragma once
// The licence terms from the download server: what the licence page shows and an unattended
// run requires.
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

struct LicenseFetch {
    bool listed = false;             // the start directory could be listed
    std::vector<std::string> rows;   // the whole licence, or nothing when it is missing or invalid
};

// Walks a fresh listing of the start directory; the first file named like the licence, in
// any letter case, ends the walk whether or not it can be read. A failure on the way leaves
// the rows empty: half a licence is none. With the vendor's `releaseKey`, the text must be the
// one the signed descriptor (of a release from `minRelease` on) names, byte for byte.
LicenseFetch FetchLicense(CFtpConnection& connection, CInstallLog& log,
                          const unsigned char* releaseKey, unsigned long minRelease);
