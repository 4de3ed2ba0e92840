#pragma once
// The FTP server that scripts/test runs (ftp_server.py), steered through files in its root,
// which the tests reach through Wine's Z: drive.
#include "ImportHook.h"
#include <wininet.h>
#include <string>
#include <vector>

struct FtpBehaviour {
    bool refuseLogin = false;
    bool failList = false;
    long long dropAfter = -1;   // reset the data connection after this many bytes
    int dropTimes = -1;         // ... only on the first this many file downloads
    long long endAfter = -1;    // close it after this many bytes and answer 426
    int slowMs = 0;             // wait after every block of at most 8 KiB
    int slowBlock = 8192;       // ... or of at most this many bytes
    std::string refuseRetr;     // RETR of this file name is answered with 550
    std::string endlessRetr;    // RETR of this file name sends it, then a line without end
    bool refuseRest = false;    // REST is answered with 502
    bool listening = true;      // false: nothing listens on the port
    std::string stall;          // "greeting", "listing" or "data": that connection goes silent
    long long stallAfter = 0;   // ... "data" after this many bytes

    // The usual faults, one each, for the rows of a table.
    static FtpBehaviour LoginRefused() { return With(&FtpBehaviour::refuseLogin, true); }
    static FtpBehaviour ListFailing() { return With(&FtpBehaviour::failList, true); }
    static FtpBehaviour NotListening() { return With(&FtpBehaviour::listening, false); }
    static FtpBehaviour DroppingAfter(long long bytes) { return With(&FtpBehaviour::dropAfter, bytes); }
    static FtpBehaviour EndingAfter(long long bytes) { return With(&FtpBehaviour::endAfter, bytes); }
    static FtpBehaviour Slow(int ms, int block = 8192)
    {
        FtpBehaviour behaviour = With(&FtpBehaviour::slowMs, ms);
        behaviour.slowBlock = block;
        return behaviour;
    }
    static FtpBehaviour RefusingRetr(std::string name) { return With(&FtpBehaviour::refuseRetr, name); }
    static FtpBehaviour EndlessRetr(std::string name) { return With(&FtpBehaviour::endlessRetr, name); }
    static FtpBehaviour Stalling(std::string what, long long after = 0)
    {
        FtpBehaviour behaviour = With(&FtpBehaviour::stall, what);
        behaviour.stallAfter = after;
        return behaviour;
    }

private:
    template <typename T> static FtpBehaviour With(T FtpBehaviour::*field, T value)
    {
        FtpBehaviour behaviour;
        behaviour.*field = value;
        return behaviour;
    }
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
// Renames a served file on the server's side, where case tells names apart (Wine's file
// calls do not). Plain ASCII names only.
void RenameExact(const std::string& from, const std::string& to);
// Every connection ("CONNECT") and command line received since the last Reset.
std::vector<std::string> Commands();
// True when some recorded command starts with `verb` (e.g. "LIST", "RETR").
bool Received(const std::string& verb);
}

// Counts the bytes this program reads from server files (InternetReadFile) while it lives.
class ServerBytesRead {
public:
    ServerBytesRead();
    ~ServerBytesRead();
    bool Installed() const { return m_hook.Installed(); }
    unsigned long long Count() const { return m_count; }

private:
    static BOOL WINAPI Record(HINTERNET file, LPVOID buffer, DWORD size, LPDWORD read);
    ImportHook m_hook;
    unsigned long long m_count = 0;
};

// Bytes that differ from block to block, so a misplaced block shows.
std::string PatternBytes(size_t size, unsigned seed = 1);
