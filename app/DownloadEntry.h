#pragma once
// The descriptor lookup of the installation directory page: it reads the install state and
// stores what it found.

// Reads the descriptor's first line through theApp.m_pFtpConnection into
// m_strDownloadFileName (left as it was when the server holds no descriptor). Always closes
// and destroys the connection. False when the start directory could not be listed.
bool FindDownloadDescriptor();
