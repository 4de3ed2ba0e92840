#pragma once
#include <string>
// The download's two entry points: they read the install state and store what they found.

// Reads the descriptor's first line through theApp.m_pFtpConnection into
// m_strDownloadFileName (left as it was when the server holds no descriptor). Always closes
// and destroys the connection. False when the start directory could not be listed.
bool FindDownloadDescriptor();

// Copies the archive `fileName` from the server to m_strInstallDir +
// its lower-case name (m_strArchivePath), driving the progress window's bar. 1 when copied;
// -1 when the start directory cannot be listed; 0 for a refused name or any other failure.
// Built with the vendor's key, the archive must also carry its valid signature; otherwise it
// is deleted and the answer is kSignatureRefused.
const int kSignatureRefused = -2;
int DownloadArchive(const char* agentName, std::string fileName);
