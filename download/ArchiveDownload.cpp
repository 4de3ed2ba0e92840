#include "download/ArchiveDownload.h"
#include "app/SetupApp.h"
#include "download/DownloadSession.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include <algorithm>
#include <functional>
#include <optional>
#include <memory>

namespace {
const DWORD_PTR kContext = 1;

std::string ToLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text)
{
    const char* const blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void DestroyInstallStateConnection()
{
    if (theApp.m_pFtpConnection) {
        theApp.m_pFtpConnection->Close();
        delete theApp.m_pFtpConnection;
        theApp.m_pFtpConnection = nullptr;
    }
}

std::string ReadDescriptor(CFtpConnection& connection, const std::string& listedName)
{
    std::unique_ptr<CInternetFile> file(
        connection.OpenFile(listedName.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_ASCII, kContext));
    std::string line;
    if (file->ReadString(line))
        line = Trim(line);
    file->Close();
    return ToLower(line);
}

// Lists the connection's current directory afresh and hands every file entry to `visit`
// until it returns false. False when the listing cannot be started.
// Throws CInternetException.
bool WalkListing(CFtpConnection& connection,
                 const std::function<bool(const CFtpFileFind&)>& visit)
{
    CFtpFileFind finder(&connection, kContext);
    if (!finder.FindFile(nullptr, INTERNET_FLAG_RELOAD)) {
        finder.Close();
        return false;
    }
    bool more = true;
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDirectory() && !visit(finder))
            break;
    }
    finder.Close();
    return true;
}

// Only the first entry named like the descriptor is read.
bool LookUpDescriptor(CFtpConnection& connection)
{
    return WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (ToLower(entry.GetFileName()) != kDescriptorName)
            return true;
        theApp.m_strDownloadFileName = ReadDescriptor(connection, entry.GetFileName());
        return false;
    });
}

// The whole listing is walked; every entry of that name in lower case sets
// m_strArchivePath. The size of the entry that will be opened is noted.
bool LookUpArchive(CFtpConnection& connection, const std::string& fileName,
                   std::optional<ULONGLONG>& listedSize)
{
    return WalkListing(connection, [&](const CFtpFileFind& entry) {
        std::string name = ToLower(entry.GetFileName());
        if (name == fileName)
            theApp.m_strArchivePath = theApp.m_strInstallDir + name;
        if (entry.GetFileName() == fileName)
            listedSize = entry.GetLength();
        return true;
    });
}

enum class TransferEnd { Complete, QuitRequested, WriteFailed };

// Throws CInternetException when the transfer breaks.
TransferEnd CopyBlocks(CInternetFile& serverFile, CStdioFile& localFile, CProgressCtrl& bar,
                       long long& received)
{
    bar.SetRange32(0, kProgressRangeHigh);
    received = 0;
    char block[kTransferBlock];
    for (;;) {
        UINT read = serverFile.Read(block, kTransferBlock);
        if (read == 0)
            return TransferEnd::Complete;
        if (!localFile.Write(block, read))
            return TransferEnd::WriteFailed;
        received += read;
        bar.SetPos(ProgressPosition(received));
        // A quit request (the progress window's Escape or close box) ends the download.
        if (!PumpPendingMessages())
            return TransferEnd::QuitRequested;
    }
}
}

bool HasRefusedEnding(const std::string& fileName)
{
    static const char* const refused[] = {"exe", "com", "dll", "bat", "sys", "inf"};
    std::string ending = fileName.size() > 3 ? fileName.substr(fileName.size() - 3) : fileName;
    return std::any_of(std::begin(refused), std::end(refused),
                       [&](const char* r) { return ending == r; });
}

int ProgressPosition(long long bytesReceived)
{
    return static_cast<int>(
        std::min<long long>(bytesReceived / kBytesPerProgressStep, kProgressRangeHigh));
}

bool FindDownloadDescriptor()
{
    if (theApp.m_pFtpConnection == nullptr)
        return false;
    bool listed = false;
    try {
        listed = LookUpDescriptor(*theApp.m_pFtpConnection);
    } catch (const CInternetException&) {
        // A failure after the connection report: the page stays open as after a failed
        // listing, and the connection is closed all the same.
        listed = false;
    }
    DestroyInstallStateConnection();
    return listed;
}

int DownloadArchive(const char* agentName, std::string fileName)
{
    if (HasRefusedEnding(fileName))
        return 0;

    CDownloadSession session(agentName);
    PrepareDownloadSession(session);
    std::unique_ptr<CInternetFile> serverFile;
    CStdioFile localFile;
    TransferEnd end = TransferEnd::WriteFailed;
    std::optional<ULONGLONG> listedSize;
    int result = 0;
    try {
        theApp.m_pFtpConnection = ConnectToDownloadServer(session);
        if (!LookUpArchive(*theApp.m_pFtpConnection, fileName, listedSize)) {
            result = -1;
        } else {
            serverFile.reset(theApp.m_pFtpConnection->OpenFile(
                fileName.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, kContext));
            if (localFile.Open(theApp.m_strArchivePath.c_str(), CStdioFile::modeCreate |
                                                                    CStdioFile::modeWrite |
                                                                    CStdioFile::typeBinary)) {
                long long received = 0;
                end = CopyBlocks(*serverFile, localFile, theApp.m_dlgProgress.m_progress,
                                 received);
                result = end == TransferEnd::Complete ? 1 : 0;
                // WinINet ends the read when the data connection closes; a server that
                // closes it early says so only on the control connection (426), which
                // WinINet does not pass on. The listed size tells a short copy.
                if (listedSize && static_cast<ULONGLONG>(received) != *listedSize)
                    result = 0;
            }
        }
    } catch (const CInternetException&) {
        // Unreachable server, refused login, missing file, broken transfer. A partial
        // local file stays where it is.
        result = 0;
    }

    // Children first: closing the session invalidates their handles, and WinINet may hand
    // those numbers out again.
    if (serverFile)
        serverFile->Close();
    localFile.Close();
    DestroyInstallStateConnection();
    session.Close();

    if (end == TransferEnd::QuitRequested)
        ::DeleteFileA(theApp.m_strArchivePath.c_str());
    if (result == 1)
        theApp.m_dlgProgress.m_progress.SetPos(0);
    return result;
}
