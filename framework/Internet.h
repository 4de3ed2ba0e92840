#pragma once
// Internet classes over WinINet. Each object owns its HINTERNET and closes it exactly once.
// Failures arrive as CInternetException, thrown by value and caught by reference.
#include <windows.h>
#include <wininet.h>
#include <string>

class CFtpConnection;
class CInternetFile;

class CInternetException {
public:
    explicit CInternetException(DWORD error) : m_dwError(error) {}
    DWORD m_dwError;   // the WinINet (or system) error code
};

// Throws CInternetException with the calling thread's last error.
[[noreturn]] void AfxThrowInternetException();

class CInternetSession {
public:
    // agent null: the program file's name without its extension.
    CInternetSession(const char* agent = nullptr, DWORD_PTR context = 1,
                     DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG,
                     const char* proxyName = nullptr, const char* proxyBypass = nullptr,
                     DWORD flags = 0);
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    BOOL SetOption(DWORD option, DWORD value, DWORD flags = 0);
    // Routes the session's status notifications to OnStatusCallback.
    BOOL EnableStatusCallback(BOOL enable = TRUE);
    // Logs in; the caller owns the connection. Throws CInternetException.
    CFtpConnection* GetFtpConnection(const char* server, const char* userName,
                                     const char* password,
                                     INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER,
                                     BOOL passive = FALSE);
    virtual void Close();

    HINTERNET GetHandle() const { return m_hSession; }
    DWORD_PTR GetContext() const { return m_dwContext; }

protected:
    // Runs inside the blocking WinINet call that caused it, on that call's helper thread,
    // never after Close. Exceptions are swallowed.
    virtual void OnStatusCallback(DWORD_PTR context, DWORD status, LPVOID statusInformation,
                                  DWORD statusInformationLength);

    HINTERNET m_hSession = nullptr;
    DWORD_PTR m_dwContext;

private:
    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                        LPVOID info, DWORD infoLength);
    bool m_bCallbackEnabled = false;
};

class CFtpConnection {
public:
    CFtpConnection(CInternetSession* session, HINTERNET connection)
        : m_pSession(session), m_hConnection(connection) {}
    virtual ~CFtpConnection();
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    // The caller owns the file. Throws CInternetException.
    CInternetFile* OpenFile(const char* fileName, DWORD access = GENERIC_READ,
                            DWORD flags = FTP_TRANSFER_TYPE_BINARY, DWORD_PTR context = 1);
    // Sends one command without a data connection ("TYPE I", "REST 1000") and gives the
    // server's reply code, a refusal's too (a 5xx for REST). Throws CInternetException when
    // no reply came, or for a reply WinINet names an error of its own (425, 426, 530).
    int Command(const char* command);
    virtual void Close();

    HINTERNET GetHandle() const { return m_hConnection; }
    CInternetSession* GetSession() const { return m_pSession; }

private:
    friend class CFtpFileFind;   // a cancelled listing closes the connection it waits on
    CInternetSession* m_pSession;
    HINTERNET m_hConnection;
};

// A listing of the connection's current directory. FindFile fetches the first entry without
// making it current; each FindNextFile makes the next entry current and tells whether
// another one follows it.
class CFtpFileFind {
public:
    explicit CFtpFileFind(CFtpConnection* connection, DWORD_PTR context = 1)
        : m_pConnection(connection), m_dwContext(context) {}
    virtual ~CFtpFileFind();
    CFtpFileFind(const CFtpFileFind&) = delete;
    CFtpFileFind& operator=(const CFtpFileFind&) = delete;

    // FALSE when the listing cannot be started or is empty.
    BOOL FindFile(const char* name = nullptr, DWORD flags = INTERNET_FLAG_RELOAD);
    BOOL FindNextFile();
    BOOL IsDirectory() const;
    std::string GetFileName() const { return m_current.cFileName; }
    // The current entry's size as listed.
    ULONGLONG GetLength() const;
    void Close();

private:
    CFtpConnection* m_pConnection;
    DWORD_PTR m_dwContext;
    HINTERNET m_hFind = nullptr;
    bool m_bHaveNext = false;
    WIN32_FIND_DATAA m_current = {};
    WIN32_FIND_DATAA m_next = {};
};

class CInternetFile {
public:
    explicit CInternetFile(HINTERNET file) : m_hFile(file) {}
    virtual ~CInternetFile();
    CInternetFile(const CInternetFile&) = delete;
    CInternetFile& operator=(const CInternetFile&) = delete;

    // Bytes read; 0 at the end. Waits until `count` bytes have come or the file has ended.
    // Throws CInternetException.
    UINT Read(void* buffer, UINT count);
    // One line without its line end (LF or CR LF); FALSE at the end of the file when
    // nothing was read. A longer line than maxLength comes as its first maxLength + 1
    // characters and ends the reading: its rest is not fetched (it may never end), and
    // every later ReadString gives FALSE. Memory and time stay bounded whatever the server
    // sends. Throws CInternetException.
    BOOL ReadString(std::string& line, size_t maxLength);
    virtual void Close();

    HINTERNET GetHandle() const { return m_hFile; }

private:
    HINTERNET m_hFile;
    std::string m_buffered;   // read ahead by ReadString, not yet handed out
    bool m_bLineCut = false;  // a line was over its limit: ReadString has nothing more
};
