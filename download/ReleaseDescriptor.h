#pragma once
// The descriptor of a release signed by the vendor: norlainstaller.ini holds the archive's name
// on its first line, then release=N, size=BYTES, sha256=HEX and license-sha256=HEX, each once;
// norlainstaller.ini.sig is the DER ECDSA P-256 signature over the descriptor's exact bytes.
#include "download/ArchiveSignature.h"
#include <windows.h>
#include <string>

class CFtpConnection;

// Far more than a path and four short lines: a larger descriptor is no descriptor.
const size_t kMaxDescriptorSize = 2048;

struct ReleaseDescriptor {
    std::string fileName;   // the first line, as DescriptorFileName gives it
    unsigned long release = 0;
    ULONGLONG size = 0;
    unsigned char sha256[kSha256Size] = {};
    unsigned char licenseSha256[kSha256Size] = {};
};

// The descriptor's lines, read strictly: each field exactly once, nothing else, no blanks around
// '=', lines ending in LF or CR LF, release a positive decimal, hashes 64 lower-case hex digits.
bool ParseReleaseDescriptor(const std::string& bytes, ReleaseDescriptor& descriptor);

// An older release, however well signed, may carry a hole that a later one mends.
bool IsAcceptedRelease(const ReleaseDescriptor& descriptor, unsigned long minRelease);

// The signature over `bytes` is checked first; only then are the lines read, and the release must
// be at least `minRelease`.
bool VerifyReleaseDescriptor(const unsigned char key[kReleaseKeySize], unsigned long minRelease,
                             const std::string& bytes, const std::string& der,
                             ReleaseDescriptor& descriptor);

// SHA-256 of `bytes`; false when BCrypt cannot hash.
bool HashBytes(const std::string& bytes, unsigned char digest[kSha256Size]);

// Fetches the descriptor and its signature in binary mode, each bounded, and verifies them.
// False for a missing, oversized, unsigned or refused descriptor. Throws CInternetException.
bool FetchReleaseDescriptor(CFtpConnection& connection, const unsigned char key[kReleaseKeySize],
                            unsigned long minRelease, ReleaseDescriptor& descriptor);
