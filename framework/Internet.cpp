#include "framework/Internet.h"
#include <string>

namespace {
std::string ModuleBaseName()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}
}

CInternetSession::CInternetSession(const char* agent, DWORD_PTR context, DWORD accessType,
                                   const char* proxyName, const char* proxyBypass, DWORD flags)
    : m_dwContext(context)
{
    std::string agentName = agent ? std::string(agent) : ModuleBaseName();
    m_hSession = ::InternetOpenA(agentName.c_str(), accessType, proxyName, proxyBypass, flags);
}

CInternetSession::~CInternetSession()
{
    Close();
}

void CInternetSession::Close()
{
    if (m_hSession) {
        ::InternetCloseHandle(m_hSession);
        m_hSession = nullptr;
    }
}
