#include "download/ArchiveDownload.h"
#include "download/LowerCase.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include "util/OrdinaryName.h"
#include "util/Trim.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {
// A read that took at most this long may be larger next time; one that took longer than
// kSlowReadMs starts again from one byte.
const DWORD kQuickReadMs = 20;
const DWORD kSlowReadMs = 100;

std::string ReadDescriptor(CFtpConnection& connection, const std::string& listedName, bool binary)
{
    std::unique_ptr<CInternetFile> file(connection.OpenFile(
        listedName.c_str(), GENERIC_READ,
        (binary ? FTP_TRANSFER_TYPE_BINARY : FTP_TRANSFER_TYPE_ASCII) | kFtpNoCache, kFtpContext));
    std::string line;
    file->ReadString(line, kMaxPathLength);
    file->Close();
    return DescriptorFileName(line);
}
}

DescriptorLookUp LookUpDescriptor(CFtpConnection& connection, bool binary)
{
    // Only the first entry named like the descriptor is read.
    DescriptorLookUp found;
    found.listed = WalkListing(connection, [&](const CFtpFileFind& entry) {
        if (LowerCase(entry.GetFileName()) != kDescriptorName)
            return true;
        found.fileName = ReadDescriptor(connection, entry.GetFileName(), binary);
        return false;
    });
    return found;
}

// The whole listing is walked; every entry of that name in lower case gives the local path.
// The server is asked for the name as listed, which matters on servers that tell case
// apart; an entry listed exactly under `fileName` is preferred.
ArchiveLookUp LookUpArchive(CFtpConnection& connection, const std::string& fileName,
                            const std::string& installDir)
{
    ArchiveLookUp found;
    found.listed = WalkListing(connection, [&](const CFtpFileFind& entry) {
        std::string name = LowerCase(entry.GetFileName());
        if (name != fileName)
            return true;
        found.localPath = installDir + name;
        if (!found.entry || entry.GetFileName() == fileName)
            found.entry = ListedArchive{entry.GetFileName(), entry.GetLength()};
        return true;
    });
    return found;
}

namespace {
enum class TransferEnd { Complete, QuitRequested, WriteFailed, DiskFull, TooLong };

// A read waits until it has all it asked for, so it asks for what the connection gave the
// last time it was asked: twice as much after a read that came at once, down to one byte after
// one that had to wait. A fast line is read in pieces of up to kLargestRead; a slow one hands
// over every piece as it comes, and the message pump runs between them. (WinINet's
// InternetQueryDataAvailable would say what is there, but under Wine it leaves a task behind
// that keeps the file open after a cancel until the server sends again.)
// A `listed` size (not negative) bounds the reading: up to it, then one byte to tell a longer
// file. `received` goes on from where it stands.
// Throws CInternetException when the transfer breaks.
TransferEnd CopyBlocks(CInternetFile& serverFile, CStdioFile& localFile, CProgressSink& progress,
                       long long& received, CSha256* hash, long long listed)
{
    std::vector<char> block(kLargestRead);
    UINT want = 1;
    for (;;) {
        UINT ask = want;
        if (listed >= 0)
            ask = static_cast<UINT>(std::max<long long>(std::min<long long>(want, listed - received), 1));
        DWORD asked = ::GetTickCount();
        UINT read = serverFile.Read(block.data(), ask);
        if (read == 0)
            return TransferEnd::Complete;
        if (listed >= 0 && received + read > listed)
            return TransferEnd::TooLong;
        DWORD waited = ::GetTickCount() - asked;
        if (!localFile.Write(block.data(), read)) {
            DWORD error = ::GetLastError();
            bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
            return full ? TransferEnd::DiskFull : TransferEnd::WriteFailed;
        }
        received += read;
        if (hash)
            hash->Add(block.data(), read);
        if (waited <= kQuickReadMs)
            want = std::min(want * 2, kLargestRead);
        else if (waited > kSlowReadMs)
            want = 1;
        // The progress window's Escape or close box ends the download.
        if (!progress.MoveTo(ProgressPosition(received)))
            return TransferEnd::QuitRequested;
    }
}

CInternetFile* OpenArchiveFile(CFtpConnection& connection, const std::string& remoteName)
{
    return connection.OpenFile(remoteName.c_str(), GENERIC_READ,
                               FTP_TRANSFER_TYPE_BINARY | kFtpNoCache, kFtpContext);
}

// The archive's way from the server into the local file, which a broken data connection
// makes anew.
struct ArchiveTransfer {
    CDownloadSession& session;
    std::unique_ptr<CFtpConnection>& connection;
    std::unique_ptr<CInternetFile>& serverFile;
    CStdioFile& localFile;
    CProgressSink& progress;
    CSha256* hash;
    std::string remoteName;
    long long listed;   // -1: not listed, so neither bounded nor taken up again
};

// Logs in again and asks for the archive from `offset` on. WinINet sends its own TYPE I
// after the REST; the server keeps the restart point through it. False when the server
// refuses to restart (a 5xx answer): then nothing is open yet. Throws CInternetException.
bool ReopenFrom(ArchiveTransfer& transfer, long long offset)
{
    transfer.serverFile.reset();
    transfer.connection.reset();
    transfer.connection.reset(ConnectToDownloadServer(transfer.session));
    if (offset > 0) {
        // A fresh login is in ASCII, where REST is refused.
        transfer.connection->Command("TYPE I");
        int answer = transfer.connection->Command(("REST " + std::to_string(offset)).c_str());
        if (answer >= 500)
            return false;
        if (answer != 350)
            throw CInternetException(ERROR_INTERNET_EXTENDED_ERROR);
    }
    transfer.serverFile.reset(OpenArchiveFile(*transfer.connection, transfer.remoteName));
    return true;
}

// Copies the opened archive. A data connection that ends before the listed size, or breaks,
// is taken up where it stopped, up to kMaxResumes times; a server that will not restart is
// read again from its first byte, once. Silence and cancel end it.
// Throws CInternetException when a new login or request fails.
DownloadCause ReceiveArchive(ArchiveTransfer& transfer)
{
    transfer.progress.SetRange(0, kProgressRangeHigh);
    long long received = 0;
    bool readFromStart = false;
    for (int resumes = 0;; ++resumes) {
        DWORD broken = ERROR_SUCCESS;
        TransferEnd end;
        try {
            end = CopyBlocks(*transfer.serverFile, transfer.localFile, transfer.progress, received,
                             transfer.hash, transfer.listed);
        } catch (const CInternetException& e) {
            broken = e.m_dwError;
            end = TransferEnd::Complete;
        }
        switch (end) {
        case TransferEnd::QuitRequested:
            return DownloadCause::Cancelled;
        case TransferEnd::WriteFailed:
            return DownloadCause::LocalWrite;
        case TransferEnd::DiskFull:
            return DownloadCause::NoSpace;
        case TransferEnd::TooLong:
            return DownloadCause::Server;
        case TransferEnd::Complete:
            break;
        }
        // WinINet ends the read when the data connection closes; a server that closes it
        // early says so only on the control connection (426), which WinINet does not pass
        // on. The listed size tells a short copy.
        if (broken == ERROR_SUCCESS && (transfer.listed < 0 || received == transfer.listed))
            return DownloadCause::None;
        if (broken == ERROR_INTERNET_OPERATION_CANCELLED)
            return DownloadCause::Cancelled;
        if (broken == ERROR_INTERNET_TIMEOUT || transfer.listed < 0 || resumes == kMaxResumes)
            return DownloadCause::Connection;
        if (ReopenFrom(transfer, received))
            continue;
        if (readFromStart)
            return DownloadCause::Connection;
        readFromStart = true;
        if (!transfer.localFile.Truncate())
            return DownloadCause::LocalWrite;
        received = 0;
        if (transfer.hash)
            transfer.hash->Restart();
        transfer.progress.SetPos(0);
        transfer.serverFile.reset(OpenArchiveFile(*transfer.connection, transfer.remoteName));
    }
}
}

namespace {
// A plain file of that name, left by an earlier installation, goes; a folder or a reparse point
// stays and makes the creation fail.
bool CreateArchiveFile(CStdioFile& localFile, const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
    return localFile.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite |
                                            CStdioFile::typeBinary | CStdioFile::modeCreateNew);
}

// The copy is what the descriptor signed: its name before the download, its size and hash after.
bool IsSignedArchive(ArchiveSignatureCheck& signature, long long received)
{
    unsigned char digest[kSha256Size];
    return static_cast<ULONGLONG>(received) == signature.descriptor.size &&
           signature.hash.Finish(digest) &&
           std::memcmp(digest, signature.descriptor.sha256, kSha256Size) == 0;
}
}

std::string DescriptorFileName(const std::string& firstLine)
{
    // A first line too long for a path is kept cut and untrimmed, so that its length
    // still refuses it when the archive is to be downloaded.
    if (firstLine.size() > kMaxPathLength)
        return LowerCase(firstLine);
    return LowerCase(Trim(firstLine, " \t\r\n"));
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

bool IsDownloadableName(const std::string& fileName, const std::string& installDir)
{
    // Plain names have no trailing dot or blank, so Windows stores them as they are and
    // the ending seen here is the ending stored.
    if (HasRefusedEnding(fileName))
        return false;
    // Empty is left to CopyArchive, which refuses it as no name at all.
    if (fileName.empty())
        return true;
    return IsPlainFileName(fileName) && installDir.size() + fileName.size() <= kMaxPathLength;
}

int CopyArchive(const char* agentName, const std::string& fileName, const std::string& installDir,
                std::string& archivePath, CProgressSink& progress, ArchiveSignatureCheck* signature,
                DownloadOutcome* outcome, CHandle* keptFile)
{
    DownloadOutcome unasked;
    DownloadOutcome& out = outcome ? *outcome : unasked;
    out = DownloadOutcome();
    // No descriptor, or an empty first line, names nothing to ask for.
    if (fileName.empty() || !IsDownloadableName(fileName, installDir)) {
        out.cause = DownloadCause::Server;
        return 0;
    }

    CDownloadSession session(agentName,
                             [&](const std::string& text) { progress.SetStatusText(text); });
    PrepareDownloadSession(session);
    std::unique_ptr<CFtpConnection> connection;
    std::unique_ptr<CInternetFile> serverFile;
    CStdioFile localFile;
    bool created = false;
    int result = 0;
    // What a failure at this point means to the user.
    DownloadCause cause = DownloadCause::Connection;
    try {
        connection.reset(ConnectToDownloadServer(session));
        ArchiveLookUp found = LookUpArchive(*connection, fileName, installDir);
        if (!found.localPath.empty())
            archivePath = found.localPath;
        if (found.entry)
            out.space = CheckFreeSpace(installDir, found.entry->size);
        if (!found.listed) {
            result = -1;
        } else if (!out.space.Fits()) {
            // Nothing is asked for or written that could not be kept.
            cause = DownloadCause::NoSpace;
        } else if (signature && !(FetchReleaseDescriptor(*connection, signature->key,
                                                         signature->minRelease, signature->descriptor) &&
                                  signature->descriptor.fileName == fileName)) {
            signature->refused = true;
        } else {
            const std::string& remoteName = found.entry ? found.entry->name : fileName;
            // A name the listing does not show is the server's to answer for.
            cause = found.entry ? DownloadCause::Connection : DownloadCause::Server;
            serverFile.reset(OpenArchiveFile(*connection, remoteName));
            created = CreateArchiveFile(localFile, archivePath);
            if (!created) {
                cause = DownloadCause::LocalWrite;
            } else {
                // With the vendor's key no more is read than the size it signed.
                ULONGLONG bound = signature ? signature->descriptor.size
                                            : found.entry ? found.entry->size : ~0ULL;
                long long listed = bound == ~0ULL ? -1 : static_cast<long long>(std::min<ULONGLONG>(bound, LLONG_MAX));
                ArchiveTransfer transfer{session, connection, serverFile, localFile, progress,
                                         signature ? &signature->hash : nullptr, remoteName, listed};
                cause = ReceiveArchive(transfer);
                result = cause == DownloadCause::None ? 1 : 0;
                if (signature && cause == DownloadCause::Server)
                    signature->refused = true;
                if (signature && result == 1 && !IsSignedArchive(*signature, listed)) {
                    signature->refused = true;
                    result = 0;
                }
            }
        }
    } catch (const CInternetException& e) {
        // Unreachable server, refused login, missing file, broken, silent or cancelled
        // transfer.
        result = 0;
        if (e.m_dwError == ERROR_INTERNET_OPERATION_CANCELLED)
            cause = DownloadCause::Cancelled;
    }
    out.cause = result == 1 ? DownloadCause::None : cause;
    if (out.cause == DownloadCause::NoSpace && !out.space.measured)
        out.space = CheckFreeSpace(installDir, out.space.needed);

    // Children first: closing the session invalidates their handles, and WinINet may hand
    // those numbers out again.
    if (serverFile)
        serverFile->Close();
    if (result == 1 && keptFile)
        keptFile->Attach(localFile.Detach());
    localFile.Close();
    if (connection)
        connection->Close();
    connection.reset();
    session.Close();

    // Half an archive is no archive: only a whole one stays.
    if (created && result != 1)
        ::DeleteFileA(archivePath.c_str());
    if (result == 1)
        progress.SetPos(0);
    return result;
}

int DownloadArchive(const char* agentName, const std::string& fileName,
                    const std::string& installDir, std::string& archivePath,
                    CProgressSink& progress, const unsigned char* releaseKey,
                    unsigned long minRelease, DownloadOutcome* outcome, CHandle* keptFile)
{
    std::unique_ptr<ArchiveSignatureCheck> signature;
    if (releaseKey) {
        signature.reset(new ArchiveSignatureCheck);
        signature->key = releaseKey;
        signature->minRelease = minRelease;
    }
    int result = CopyArchive(agentName, fileName, installDir, archivePath, progress,
                             signature.get(), outcome, keptFile);
    return signature && signature->refused ? kSignatureRefused : result;
}
