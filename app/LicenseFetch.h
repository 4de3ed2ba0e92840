#pragma once
// The licence terms from the download server: what the licence page shows and an unattended
// run requires.
#include "util/InstallLog.h"
#include <string>
#include <vector>

class CFtpConnection;

// What the page is willing to show; a longer text is not a licence anybody can read.
const size_t kMaxLicenseLines = 10000;
const size_t kMaxLicenseLineLength = 4096;
const char* const kLicenseFileName = "license.txt";
const char* const kLicenseInvalidText = "Lizenztext ungültig";

// The row a licence line becomes: blanks, tabs and line-end characters cut off both ends.
std::string TrimLicenseLine(const std::string& line);

struct LicenseFetch {
    bool listed = false;             // the start directory could be listed
    std::vector<std::string> rows;   // the whole licence, or nothing when it is missing or invalid
};

// Walks a fresh listing of the start directory; the first file named like the licence, in
// any letter case, ends the walk whether or not it can be read. A failure on the way leaves
// the rows empty: half a licence is none.
LicenseFetch FetchLicense(CFtpConnection& connection, CInstallLog& log);
