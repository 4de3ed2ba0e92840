#pragma once
// The download descriptor on the server and the download of the archive it names.
#include "download/ArchiveSignature.h"
#include "download/DownloadSession.h"
#include "download/ReleaseDescriptor.h"
#include "framework/Handles.h"
#include "util/FreeSpace.h"
#include "util/ProgressSink.h"
#include <optional>
#include <string>

const char* const kDescriptorName = "norlainstaller.ini";
const unsigned kLargestRead = 65536;
const int kProgressRangeHigh = 1046;
const long long kBytesPerProgressStep = 1400000;
// The longest path Windows takes without the terminator: MAX_PATH - 1.
const size_t kMaxPathLength = 259;
// Times a transfer that broke off is taken up again where it stopped.
const int kMaxResumes = 3;

// The archive name a descriptor's first line (without its line end) gives: trimmed and in
// lower case; a line longer than a path stays as it is, so that its length refuses it.
std::string DescriptorFileName(const std::string& firstLine);
// Names of programs and system files are never downloaded. Exact, case-sensitive test of
// the last three characters (the whole name when shorter).
bool HasRefusedEnding(const std::string& fileName);
// Whether DownloadArchive may store `fileName` in `installDir`: no refused ending, a plain
// file name (or none), and a path of at most kMaxPathLength characters.
bool IsDownloadableName(const std::string& fileName, const std::string& installDir);
// The bar position for the bytes received so far; full from the end of the range on.
int ProgressPosition(long long bytesReceived);

struct DescriptorLookUp {
    bool listed = false;                    // the start directory could be listed
    std::optional<std::string> fileName;    // the descriptor's first line, when it was there
};
// Reads the first line of the descriptor (trimmed, lower case; a line longer than a path is
// kept cut to kMaxPathLength + 1 characters). `binary` for a signed descriptor, whose bytes
// an ASCII transfer could change. Throws CInternetException.
DescriptorLookUp LookUpDescriptor(CFtpConnection& connection, bool binary = false);

// The archive as the listing shows it: the name to ask the server for, and its size.
struct ListedArchive {
    std::string name;
    ULONGLONG size;
};
struct ArchiveLookUp {
    bool listed = false;
    std::optional<ListedArchive> entry;
    std::string localPath;   // installDir + the lower-case name; empty when not listed
};
// Looks for `fileName` (lower case) in the listing. Throws CInternetException.
ArchiveLookUp LookUpArchive(CFtpConnection& connection, const std::string& fileName,
                            const std::string& installDir);

// What a download signed by the vendor is checked against: the descriptor fetched and verified
// on the download's connection, and the archive's bytes hashed as they arrive.
struct ArchiveSignatureCheck {
    const unsigned char* key = nullptr;   // kReleaseKeySize bytes
    unsigned long minRelease = 1;
    ReleaseDescriptor descriptor;
    CSha256 hash;
    bool refused = false;   // the descriptor, or the archive, is not what the vendor signed
};

// Why a download gave no archive, in the terms the user can act on.
enum class DownloadCause {
    None,
    Connection,   // no connection or login, no listing, a transfer still short, silence
    Server,       // no usable archive offered: no name, a refused one, not listed, too long
    LocalWrite,   // the local file could not be created or written
    NoSpace,      // the installation folder's volume is too small for the listed size
    Cancelled,
};
struct DownloadOutcome {
    DownloadCause cause = DownloadCause::None;
    FreeSpace space;   // for NoSpace: the listed size and what the volume had
};

// Copies the archive from the server to installDir + its lower-case name, moving `progress`
// after every block; a stop ends it and removes the partial file. The session's status texts
// go to `progress` too.
// `archivePath` is set when the listing shows the archive; otherwise the one given is written.
// A plain file of that name is replaced; anything else of that name refuses the copy.
// 1 when copied; -1 when the start directory cannot be listed; 0 for an empty name or one
// IsDownloadableName refuses (without connecting) or any other failure.
// A listed archive is checked against the free space before it is asked for, read no further
// than its listed size, and taken up again where it broke off (REST) up to kMaxResumes times.
// With `signature`, the signed descriptor must name `fileName`, and the archive must have its
// size (no more is read) and hash; otherwise `signature->refused` is set.
// `outcome`, when given, learns why it failed.
// With `keptFile`, a copied archive stays open there (read access, no one else may write or
// delete it), so that it is unpacked from the bytes that were checked.
int CopyArchive(const char* agentName, const std::string& fileName, const std::string& installDir,
                std::string& archivePath, CProgressSink& progress,
                ArchiveSignatureCheck* signature = nullptr, DownloadOutcome* outcome = nullptr,
                CHandle* keptFile = nullptr);

// CopyArchive; with the vendor's `releaseKey` (kReleaseKeySize bytes) the descriptor must be
// signed by the vendor, of a release from `minRelease` on, and the archive the one it describes;
// otherwise the archive is deleted and the answer is kSignatureRefused.
const int kSignatureRefused = -2;
int DownloadArchive(const char* agentName, const std::string& fileName,
                    const std::string& installDir, std::string& archivePath,
                    CProgressSink& progress, const unsigned char* releaseKey,
                    unsigned long minRelease = 1, DownloadOutcome* outcome = nullptr,
                    CHandle* keptFile = nullptr);
