#include "FtpServer.h"
#include "Files.h"
#include <sstream>

namespace {
std::string Root()
{
    // NORLA_FTP_ROOT is the server's Unix path; Wine shows / as Z:.
    std::string root = "Z:" NORLA_FTP_ROOT "\\";
    for (char& c : root)
        if (c == '/')
            c = '\\';
    return root;
}
}

bool FtpServer::IsRunning()
{
    std::string state = ReadBytes(Root() + "state");
    return state == "listening" || state == "closed";
}

void FtpServer::Reset(const FtpBehaviour& behaviour)
{
    RemoveTree(Home());
    CreateDirectoryA(Home().c_str(), nullptr);
    DeleteFileA((Root() + "commands.log").c_str());
    DeleteFileA((Root() + "drops").c_str());
    std::ostringstream control;
    control << "{\"refuse_login\": " << (behaviour.refuseLogin ? "true" : "false")
            << ", \"fail_list\": " << (behaviour.failList ? "true" : "false")
            << ", \"listening\": " << (behaviour.listening ? "true" : "false");
    if (behaviour.dropAfter >= 0)
        control << ", \"drop_after\": " << behaviour.dropAfter;
    if (behaviour.dropTimes >= 0)
        control << ", \"drop_times\": " << behaviour.dropTimes;
    if (behaviour.refuseRest)
        control << ", \"refuse_rest\": true";
    if (behaviour.endAfter >= 0)
        control << ", \"end_after\": " << behaviour.endAfter;
    if (behaviour.slowMs > 0)
        control << ", \"slow_ms\": " << behaviour.slowMs << ", \"slow_block\": " << behaviour.slowBlock;
    if (!behaviour.refuseRetr.empty())
        control << ", \"refuse_retr\": [\"" << behaviour.refuseRetr << "\"]";
    if (!behaviour.endlessRetr.empty())
        control << ", \"endless_retr\": [\"" << behaviour.endlessRetr << "\"]";
    if (!behaviour.stall.empty())
        control << ", \"stall\": \"" << behaviour.stall << "\", \"stall_after\": " << behaviour.stallAfter;
    control << "}";
    // Written whole, then renamed, so the server never reads half a file.
    WriteBytes(Root() + "control.json.new", control.str());
    MoveFileExA((Root() + "control.json.new").c_str(), (Root() + "control.json").c_str(),
                MOVEFILE_REPLACE_EXISTING);
    const char* wanted = behaviour.listening ? "listening" : "closed";
    for (int i = 0; i < 100 && ReadBytes(Root() + "state") != wanted; ++i)
        Sleep(20);
}

std::string FtpServer::Home()
{
    return Root() + "home\\";
}

void FtpServer::PutFile(const std::string& name, const std::string& bytes)
{
    WriteBytes(Home() + name, bytes);
}

void FtpServer::MakeDir(const std::string& name)
{
    CreateDirectoryA((Home() + name).c_str(), nullptr);
}

void FtpServer::RenameExact(const std::string& from, const std::string& to)
{
    WriteBytes(Root() + "rename.json.new", "[[\"" + from + "\", \"" + to + "\"]]");
    MoveFileExA((Root() + "rename.json.new").c_str(), (Root() + "rename.json").c_str(),
                MOVEFILE_REPLACE_EXISTING);
    for (int i = 0; i < 100 && IsFile(Root() + "rename.json"); ++i)
        Sleep(20);
}

std::vector<std::string> FtpServer::Commands()
{
    return ReadLines(Root() + "commands.log");
}

bool FtpServer::Received(const std::string& verb)
{
    for (const std::string& line : Commands())
        if (line.compare(0, verb.size(), verb) == 0)
            return true;
    return false;
}

namespace {
ServerBytesRead* g_bytesRead = nullptr;
}

ServerBytesRead::ServerBytesRead()
    : m_hook("wininet.dll", "InternetReadFile", reinterpret_cast<const void*>(Record))
{
    g_bytesRead = this;
}

ServerBytesRead::~ServerBytesRead()
{
    g_bytesRead = nullptr;
}

BOOL WINAPI ServerBytesRead::Record(HINTERNET file, LPVOID buffer, DWORD size, LPDWORD read)
{
    using ReadFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
    BOOL result = g_bytesRead->m_hook.Original<ReadFn>()(file, buffer, size, read);
    if (result)
        g_bytesRead->m_count += *read;
    return result;
}

std::string PatternBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 16);
    }
    return bytes;
}
