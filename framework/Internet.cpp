#include "framework/Internet.h"
#include "framework/WinApp.h"
#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

namespace {
// Sessions whose status callback is on. The callback only gets a handle, which may be a
// connection, listing or file made from the session, so it is traced back to its root.
std::vector<CInternetSession*>& CallbackSessions()
{
    static std::vector<CInternetSession*> sessions;
    return sessions;
}

CInternetSession* SessionOf(HINTERNET handle)
{
    auto& sessions = CallbackSessions();
    for (int depth = 0; handle && depth < 8; ++depth) {
        for (CInternetSession* session : sessions)
            if (session->GetHandle() == handle)
                return session;
        HINTERNET parent = nullptr;
        DWORD size = sizeof(parent);
        if (!::InternetQueryOptionA(handle, INTERNET_OPTION_PARENT_HANDLE, &parent, &size))
            break;
        handle = parent;
    }
    // A handle still being created may not answer yet; with one such session it is ours.
    return sessions.size() == 1 ? sessions.front() : nullptr;
}

// The code that the last reply line WinINet received on this thread starts with; 0 if none.
int LastFtpReplyCode()
{
    char reply[2048] = "";   // WinINet keeps less of a reply than this
    DWORD length = sizeof(reply) - 1;
    DWORD code = 0;
    if (!::InternetGetLastResponseInfoA(&code, reply, &length))
        return 0;
    // Of a reply of several lines, the last one starts with the reply's code.
    const char* line = reply;
    for (const char* p = reply; *p; ++p)
        if (*p == '\n' && p[1] != '\0')
            line = p + 1;
    bool digits = line[0] >= '1' && line[0] <= '5' && line[1] >= '0' && line[1] <= '9' &&
                  line[2] >= '0' && line[2] <= '9';
    return digits ? (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0') : 0;
}

void CloseInternetHandle(HINTERNET& handle)
{
    if (handle) {
        ::InternetCloseHandle(handle);
        handle = nullptr;
    }
}
}

void AfxThrowInternetException()
{
    throw CInternetException(::GetLastError());
}

// --- CInternetSession

CInternetSession::CInternetSession(const char* agent, DWORD_PTR context, DWORD accessType,
                                   const char* proxyName, const char* proxyBypass, DWORD flags)
    : m_dwContext(context)
{
    std::string agentName = agent ? std::string(agent) : AfxGetAppName();
    m_hSession = ::InternetOpenA(agentName.c_str(), accessType, proxyName, proxyBypass, flags);
}

CInternetSession::~CInternetSession()
{
    Close();
}

BOOL CInternetSession::SetOption(DWORD option, DWORD value, DWORD flags)
{
    if (flags == 0)
        return ::InternetSetOptionA(m_hSession, option, &value, sizeof(value));
    return ::InternetSetOptionExA(m_hSession, option, &value, sizeof(value), flags);
}

BOOL CInternetSession::EnableStatusCallback(BOOL enable)
{
    auto& sessions = CallbackSessions();
    sessions.erase(std::remove(sessions.begin(), sessions.end(), this), sessions.end());
    m_bCallbackEnabled = false;
    INTERNET_STATUS_CALLBACK previous =
        ::InternetSetStatusCallbackA(m_hSession, enable ? StatusCallback : nullptr);
    if (previous == INTERNET_INVALID_STATUS_CALLBACK)
        return FALSE;
    if (enable) {
        sessions.push_back(this);
        m_bCallbackEnabled = true;
    }
    return TRUE;
}

CFtpConnection* CInternetSession::GetFtpConnection(const char* server, const char* userName,
                                                   const char* password, INTERNET_PORT port,
                                                   BOOL passive)
{
    HINTERNET connection =
        ::InternetConnectA(m_hSession, server, port, userName, password, INTERNET_SERVICE_FTP,
                           passive ? INTERNET_FLAG_PASSIVE : 0, m_dwContext);
    if (connection == nullptr)
        AfxThrowInternetException();
    return new CFtpConnection(this, connection);
}

void CInternetSession::Close()
{
    if (m_bCallbackEnabled) {
        auto& sessions = CallbackSessions();
        sessions.erase(std::remove(sessions.begin(), sessions.end(), this), sessions.end());
        m_bCallbackEnabled = false;
    }
    CloseInternetHandle(m_hSession);
}

void CInternetSession::OnStatusCallback(DWORD_PTR, DWORD, LPVOID, DWORD)
{
}

void CALLBACK CInternetSession::StatusCallback(HINTERNET handle, DWORD_PTR context,
                                               DWORD status, LPVOID info, DWORD infoLength)
{
    // No exception may travel back into WinINet.
    try {
        if (CInternetSession* session = SessionOf(handle))
            session->OnStatusCallback(context, status, info, infoLength);
    } catch (...) {
    }
}

// --- CFtpConnection

CFtpConnection::~CFtpConnection()
{
    Close();
}

CInternetFile* CFtpConnection::OpenFile(const char* fileName, DWORD access, DWORD flags,
                                        DWORD_PTR context)
{
    HINTERNET file = ::FtpOpenFileA(m_hConnection, fileName, access, flags, context);
    if (file == nullptr)
        AfxThrowInternetException();
    return new CInternetFile(file);
}

int CFtpConnection::Command(const char* command)
{
    BOOL answered = ::FtpCommandA(m_hConnection, FALSE, FTP_TRANSFER_TYPE_BINARY, command, 1,
                                  nullptr);
    DWORD error = ::GetLastError();
    // The reply text is kept per thread: it must be read on the thread that sent the command.
    int code = LastFtpReplyCode();
    // A refusal comes as ERROR_INTERNET_EXTENDED_ERROR with the reply; any other error means
    // the reply text left over is an older one.
    if (!answered && (error != ERROR_INTERNET_EXTENDED_ERROR || code < 400))
        throw CInternetException(error);
    return code;
}

void CFtpConnection::Close()
{
    CloseInternetHandle(m_hConnection);
}

// --- CFtpFileFind

CFtpFileFind::~CFtpFileFind()
{
    Close();
}

BOOL CFtpFileFind::FindFile(const char* name, DWORD flags)
{
    Close();
    m_hFind = ::FtpFindFirstFileA(m_pConnection->GetHandle(), name, &m_next, flags, m_dwContext);
    m_bHaveNext = m_hFind != nullptr;
    return m_bHaveNext;
}

BOOL CFtpFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return FALSE;
    m_current = m_next;
    m_bHaveNext = ::InternetFindNextFileA(m_hFind, &m_next) != FALSE;
    return m_bHaveNext;
}

BOOL CFtpFileFind::IsDirectory() const
{
    return (m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

ULONGLONG CFtpFileFind::GetLength() const
{
    return (static_cast<ULONGLONG>(m_current.nFileSizeHigh) << 32) | m_current.nFileSizeLow;
}

void CFtpFileFind::Close()
{
    CloseInternetHandle(m_hFind);
    m_bHaveNext = false;
}

// --- CInternetFile

CInternetFile::~CInternetFile()
{
    Close();
}

UINT CInternetFile::Read(void* buffer, UINT count)
{
    if (!m_buffered.empty()) {
        UINT taken = static_cast<UINT>(std::min<size_t>(count, m_buffered.size()));
        std::memcpy(buffer, m_buffered.data(), taken);
        m_buffered.erase(0, taken);
        return taken;
    }
    DWORD read = 0;
    if (!::InternetReadFile(m_hFile, buffer, count, &read))
        AfxThrowInternetException();
    return read;
}

BOOL CInternetFile::ReadString(std::string& line, size_t maxLength)
{
    line.clear();
    if (m_bLineCut)
        return FALSE;
    const size_t keep = maxLength == std::string::npos ? maxLength : maxLength + 1;
    bool readAny = false;
    for (;;) {
        if (m_buffered.empty()) {
            char chunk[512];
            DWORD read = 0;
            if (!::InternetReadFile(m_hFile, chunk, sizeof(chunk), &read))
                AfxThrowInternetException();
            if (read == 0)
                break;
            m_buffered.assign(chunk, read);
        }
        size_t end = m_buffered.find('\n');
        size_t take = end == std::string::npos ? m_buffered.size() : end;
        readAny = true;
        size_t room = keep - line.size();
        try {
            line.append(m_buffered, 0, std::min(take, room));
        } catch (const std::exception&) {
            // Only with an unbounded caller: out of memory is this layer's failure too.
            throw CInternetException(ERROR_NOT_ENOUGH_MEMORY);
        }
        if (take > room) {
            // Too long is all the caller can learn from here on, and a hostile server's
            // line may never end: stop reading. A CR kept at the cut is text.
            m_bLineCut = true;
            m_buffered.clear();
            return TRUE;
        }
        m_buffered.erase(0, end == std::string::npos ? take : end + 1);
        if (end != std::string::npos)
            break;
    }
    if (!readAny)
        return FALSE;
    // A CR before the LF belongs to the line end.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return TRUE;
}

void CInternetFile::Close()
{
    CloseInternetHandle(m_hFile);
    m_buffered.clear();
}
