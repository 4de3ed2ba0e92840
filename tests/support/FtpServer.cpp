#include "FtpServer.h"
#include <windows.h>
#include <fstream>
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

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RemoveContents(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveContents(path + "\\");
            RemoveDirectoryA(path.c_str());
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
}

bool FtpServer::IsRunning()
{
    std::string state = ReadAll(Root() + "state");
    return state == "listening" || state == "closed";
}

void FtpServer::Reset(const FtpBehaviour& behaviour)
{
    RemoveContents(Home());
    DeleteFileA((Root() + "commands.log").c_str());
    std::ostringstream control;
    control << "{\"refuse_login\": " << (behaviour.refuseLogin ? "true" : "false")
            << ", \"fail_list\": " << (behaviour.failList ? "true" : "false")
            << ", \"listening\": " << (behaviour.listening ? "true" : "false");
    if (behaviour.dropAfter >= 0)
        control << ", \"drop_after\": " << behaviour.dropAfter;
    if (behaviour.slowMs > 0)
        control << ", \"slow_ms\": " << behaviour.slowMs;
    control << "}";
    // Written whole, then renamed, so the server never reads half a file.
    WriteAll(Root() + "control.json.new", control.str());
    MoveFileExA((Root() + "control.json.new").c_str(), (Root() + "control.json").c_str(),
                MOVEFILE_REPLACE_EXISTING);
    const char* wanted = behaviour.listening ? "listening" : "closed";
    for (int i = 0; i < 100 && ReadAll(Root() + "state") != wanted; ++i)
        Sleep(20);
}

std::string FtpServer::Home()
{
    return Root() + "home\\";
}

void FtpServer::PutFile(const std::string& name, const std::string& bytes)
{
    WriteAll(Home() + name, bytes);
}

void FtpServer::MakeDir(const std::string& name)
{
    CreateDirectoryA((Home() + name).c_str(), nullptr);
}

std::vector<std::string> FtpServer::Commands()
{
    std::istringstream record(ReadAll(Root() + "commands.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(record, line);)
        lines.push_back(line);
    return lines;
}

bool FtpServer::Received(const std::string& verb)
{
    for (const std::string& line : Commands())
        if (line.compare(0, verb.size(), verb) == 0)
            return true;
    return false;
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
