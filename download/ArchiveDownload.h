#pragma once
// The download descriptor on the server and the download of the archive it names.
#include <string>

const char* const kDescriptorName = "norlainstaller.ini";
const unsigned kTransferBlock = 512;
const int kProgressRangeHigh = 1046;
const long long kBytesPerProgressStep = 1400000;
// The longest path Windows takes without the terminator: MAX_PATH - 1.
const size_t kMaxPathLength = 259;

// Names of programs and system files are never downloaded. Exact, case-sensitive test of
// the last three characters (the whole name when shorter).
bool HasRefusedEnding(const std::string& fileName);
// Whether DownloadArchive may store `fileName` in `installDir`: no refused ending, a plain
// file name (or none), and a path of at most kMaxPathLength characters.
bool IsDownloadableName(const std::string& fileName, const std::string& installDir);
// The bar position for the bytes received so far; full from the end of the range on.
int ProgressPosition(long long bytesReceived);

// Reads the first line of the descriptor through theApp.m_pFtpConnection into
// m_strDownloadFileName (trimmed, lower case; a line longer than a path is kept cut to
// kMaxPathLength + 1 characters). Always closes and destroys the connection.
// False when the start directory could not be listed.
bool FindDownloadDescriptor();

// Copies the archive from the server to m_strInstallDir + its lower-case name
// (m_strArchivePath), driving the progress window's bar. 1 when copied; -1 when the start
// directory cannot be listed; 0 for a name IsDownloadableName refuses (without connecting)
// or any other failure.
int DownloadArchive(const char* agentName, std::string fileName);
