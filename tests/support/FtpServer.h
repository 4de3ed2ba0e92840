#pragma once
// The FTP server that scripts/test runs (ftp_server.py), steered through files in its root,
// which the tests reach through Wine's Z: drive.
#include <string>
#include <utility>
#include <vector>

struct FtpBehaviour {
    bool refuseLogin = false;
    bool failList = false;
    long long dropAfter = -1;   // reset the data connection after this many bytes
    long long endAfter = -1;    // close it after this many bytes and answer 426
    int slowMs = 0;             // wait after every block of at most 8 KiB
    std::string refuseRetr;     // RETR of this file name is answered with 550
    // Made by the server at the next connection, with names exactly as given: through Wine
    // two names that differ only in letter case are one.
    std::vector<std::string> makeDirs;
    std::vector<std::pair<std::string, std::string>> makeFiles;   // name, ASCII text
    bool listening = true;      // false: nothing listens on the port
};

namespace FtpServer {
// True when the server is up (or deliberately not listening).
bool IsRunning();
// Empties the served folder, clears the command record and sets how the server behaves
// from the next connection on. Waits until the listening socket is as asked.
void Reset(const FtpBehaviour& behaviour = FtpBehaviour());
// Windows path of the served folder, ending with a backslash.
std::string Home();
void PutFile(const std::string& name, const std::string& bytes);
void MakeDir(const std::string& name);
// Every connection ("CONNECT") and command line received since the last Reset.
std::vector<std::string> Commands();
// True when some recorded command starts with `verb` (e.g. "LIST", "RETR").
bool Received(const std::string& verb);
}

// Bytes that differ from block to block, so a misplaced block shows.
std::string PatternBytes(size_t size, unsigned seed = 1);
