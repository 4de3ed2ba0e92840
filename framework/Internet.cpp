#include "framework/Internet.h"
#include "framework/BlockingCall.h"
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
    // Never destroyed: an abandoned helper may still report while the process exits.
    static auto* sessions = new std::vector<CInternetSession*>;
    return *sessions;
}

// The callback runs on the helper threads of blocking calls, the registry's changes on the
// window's thread. A session leaves it holding the lock, so no callback reaches it after.
class CallbackLock {
public:
    CallbackLock() { ::EnterCriticalSection(Section()); }
    ~CallbackLock() { ::LeaveCriticalSection(Section()); }
    CallbackLock(const CallbackLock&) = delete;
    CallbackLock& operator=(const CallbackLock&) = delete;

private:
    static CRITICAL_SECTION* Section()
    {
        static CRITICAL_SECTION section;
        static const bool ready = (::InitializeCriticalSection(&section), true);
        (void)ready;
        return &section;
    }
};

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

// Reads at most `count` bytes on a helper into `buffer`. On cancel or silence `file` is
// closed and null. Throws CInternetException.
DWORD ReadBlocking(HINTERNET& file, void* buffer, DWORD count)
{
    CBlockingCall call;
    call.Scratch().buffer.resize(count);
    HINTERNET handle = file;
    BOOL read = static_cast<BOOL>(call.Run(&file, [handle, count](BlockingScratch& scratch) {
        return static_cast<DWORD_PTR>(
            ::InternetReadFile(handle, scratch.buffer.data(), count, &scratch.count));
    }));
    if (!read)
        AfxThrowInternetException();
    DWORD got = std::min(call.Scratch().count, count);
    std::memcpy(buffer, call.Scratch().buffer.data(), got);
    return got;
}

// A text the helper may read after the caller's has gone; null stays null.
struct CopiedText {
    explicit CopiedText(const char* text) : value(text ? text : ""), null(text == nullptr) {}
    const char* Get() const { return null ? nullptr : value.c_str(); }
    std::string value;
    bool null;
};
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
    CallbackLock lock;
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
    // Nothing to close while it waits: a connection given up on stays with its helper.
    CBlockingCall call;
    HINTERNET session = m_hSession;
    DWORD_PTR context = m_dwContext;
    DWORD flags = passive ? INTERNET_FLAG_PASSIVE : 0;
    CopiedText host(server), user(userName), secret(password);
    auto connection = reinterpret_cast<HINTERNET>(call.Run(nullptr, [=](BlockingScratch&) {
        return reinterpret_cast<DWORD_PTR>(::InternetConnectA(session, host.Get(), port,
                                                              user.Get(), secret.Get(),
                                                              INTERNET_SERVICE_FTP, flags,
                                                              context));
    }));
    if (connection == nullptr)
        AfxThrowInternetException();
    return new CFtpConnection(this, connection);
}

void CInternetSession::Close()
{
    if (m_bCallbackEnabled) {
        CallbackLock lock;
        auto& sessions = CallbackSessions();
        sessions.erase(std::remove(sessions.begin(), sessions.end(), this), sessions.end());
        m_bCallbackEnabled = false;
    }
    CloseBlocking(m_hSession);
}

void CInternetSession::OnStatusCallback(DWORD_PTR, DWORD, LPVOID, DWORD)
{
}

void CALLBACK CInternetSession::StatusCallback(HINTERNET handle, DWORD_PTR context,
                                               DWORD status, LPVOID info, DWORD infoLength)
{
    // No exception may travel back into WinINet.
    try {
        CallbackLock lock;
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
    CBlockingCall call;
    HINTERNET connection = m_hConnection;
    CopiedText name(fileName);
    auto file = reinterpret_cast<HINTERNET>(call.Run(&m_hConnection, [=](BlockingScratch&) {
        return reinterpret_cast<DWORD_PTR>(
            ::FtpOpenFileA(connection, name.Get(), access, flags, context));
    }));
    if (file == nullptr)
        AfxThrowInternetException();
    return new CInternetFile(file);
}

int CFtpConnection::Command(const char* command)
{
    CBlockingCall call;
    HINTERNET connection = m_hConnection;
    std::string text = command;
    BOOL answered = static_cast<BOOL>(call.Run(&m_hConnection, [connection, text](BlockingScratch& scratch) {
        BOOL sent = ::FtpCommandA(connection, FALSE, FTP_TRANSFER_TYPE_BINARY, text.c_str(), 1,
                                  nullptr);
        DWORD error = ::GetLastError();
        // The reply text is kept per thread: it is read on the thread that sent the command.
        scratch.count = static_cast<DWORD>(LastFtpReplyCode());
        ::SetLastError(error);
        return static_cast<DWORD_PTR>(sent);
    }));
    DWORD error = ::GetLastError();
    int code = static_cast<int>(call.Scratch().count);
    // A refusal comes as ERROR_INTERNET_EXTENDED_ERROR with the reply; any other error means
    // the reply text left over is an older one.
    if (!answered && (error != ERROR_INTERNET_EXTENDED_ERROR || code < 400))
        throw CInternetException(error);
    return code;
}

void CFtpConnection::Close()
{
    CloseBlocking(m_hConnection);
}

// --- CFtpFileFind

CFtpFileFind::~CFtpFileFind()
{
    Close();
}

BOOL CFtpFileFind::FindFile(const char* name, DWORD flags)
{
    Close();
    CBlockingCall call;
    HINTERNET connection = m_pConnection->GetHandle();
    DWORD_PTR context = m_dwContext;
    CopiedText pattern(name);
    m_hFind = reinterpret_cast<HINTERNET>(
        call.Run(&m_pConnection->m_hConnection, [=](BlockingScratch& scratch) {
            return reinterpret_cast<DWORD_PTR>(::FtpFindFirstFileA(
                connection, pattern.Get(), &scratch.findData, flags, context));
        }));
    m_next = call.Scratch().findData;
    m_bHaveNext = m_hFind != nullptr;
    return m_bHaveNext;
}

BOOL CFtpFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return FALSE;
    m_current = m_next;
    CBlockingCall call;
    HINTERNET find = m_hFind;
    m_bHaveNext = call.Run(&m_hFind, [find](BlockingScratch& scratch) {
        return static_cast<DWORD_PTR>(::InternetFindNextFileA(find, &scratch.findData));
    }) != FALSE;
    m_next = call.Scratch().findData;
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
    CloseBlocking(m_hFind);
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
    return ReadBlocking(m_hFile, buffer, count);
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
            DWORD read = ReadBlocking(m_hFile, chunk, sizeof(chunk));
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
    CloseBlocking(m_hFile);
    m_buffered.clear();
}
