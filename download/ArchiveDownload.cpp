#include "download/ArchiveDownload.h"
#include "app/SetupApp.h"
#include "download/DownloadSession.h"
#include "download/LowerCase.h"
#include "download/PlainFileName.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include <algorithm>
#include <functional>
#include <optional>
#include <memory>

namespace {
const DWORD_PTR kContext = 1;

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
    // A first line too long for a path is kept cut and untrimmed, so that its length
    // still refuses it when the archive is to be downloaded.
    if (file->ReadString(line, kMaxPathLength) && line.size() <= kMaxPathLength)
        line = Trim(line);
    file->Close();
    return LowerCase(line);
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
        if (LowerCase(entry.GetFileName()) != kDescriptorName)
            return true;
        theApp.m_strDownloadFileName = ReadDescriptor(connection, entry.GetFileName());
        return false;
    });
}

// The archive as the listing shows it: the name to ask the server for, and its size.
struct ListedArchive {
    std::string name;
    ULONGLONG size;
};

// The whole listing is walked; every entry of that name in lower case sets
// m_strArchivePath. The server is asked for the name as listed, which matters on servers
// that tell case apart; an entry listed exactly under `fileName` is preferred.
bool LookUpArchive(CFtpConnection& connection, const std::string& fileName,
                   std::optional<ListedArchive>& listed)
{
    return WalkListing(connection, [&](const CFtpFileFind& entry) {
        std::string name = LowerCase(entry.GetFileName());
        if (name != fileName)
            return true;
        theApp.m_strArchivePath = theApp.m_strInstallDir + name;
        if (!listed || entry.GetFileName() == fileName)
            listed = ListedArchive{entry.GetFileName(), entry.GetLength()};
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

bool IsDownloadableName(const std::string& fileName, const std::string& installDir)
{
    // Plain names have no trailing dot or blank, so Windows stores them as they are and
    // the ending seen here is the ending stored.
    if (HasRefusedEnding(fileName))
        return false;
    // Empty stays allowed: it asks the server for nothing it has and ends as a failure.
    if (fileName.empty())
        return true;
    return IsPlainFileName(fileName) && installDir.size() + fileName.size() <= kMaxPathLength;
}

int DownloadArchive(const char* agentName, std::string fileName)
{
    if (!IsDownloadableName(fileName, theApp.m_strInstallDir))
        return 0;

    CDownloadSession session(agentName);
    PrepareDownloadSession(session);
    std::unique_ptr<CInternetFile> serverFile;
    CStdioFile localFile;
    TransferEnd end = TransferEnd::WriteFailed;
    std::optional<ListedArchive> listed;
    int result = 0;
    try {
        theApp.m_pFtpConnection = ConnectToDownloadServer(session);
        if (!LookUpArchive(*theApp.m_pFtpConnection, fileName, listed)) {
            result = -1;
        } else {
            const std::string& remoteName = listed ? listed->name : fileName;
            serverFile.reset(theApp.m_pFtpConnection->OpenFile(
                remoteName.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, kContext));
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
                if (listed && static_cast<ULONGLONG>(received) != listed->size)
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
