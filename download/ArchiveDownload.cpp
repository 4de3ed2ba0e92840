#include "download/ArchiveDownload.h"
#include "download/LowerCase.h"
#include "download/ServerListing.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include "util/OrdinaryName.h"
#include "util/Trim.h"
#include <algorithm>
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
// One byte past the limit is enough to tell that the server sends more.
UINT ReadSize(UINT want, long long received, ULONGLONG limit)
{
    ULONGLONG left = limit - static_cast<ULONGLONG>(received);
    return left < want ? static_cast<UINT>(left + 1) : want;
}

enum class TransferEnd { Complete, QuitRequested, WriteFailed, TooLong };

// A read waits until it has all it asked for, so it asks for what the connection gave the
// last time it was asked: twice as much after a read that came at once, down to one byte after
// one that had to wait. A fast line is read in pieces of up to kLargestRead; a slow one hands
// over every piece as it comes, and the message pump runs between them. (WinINet's
// InternetQueryDataAvailable would say what is there, but under Wine it leaves a task behind
// that keeps the file open after a cancel until the server sends again.)
// Throws CInternetException when the transfer breaks.
// At most `limit` bytes are written: a read that brings more ends the copy at once.
TransferEnd CopyBlocks(CInternetFile& serverFile, CStdioFile& localFile, CProgressSink& progress,
                       long long& received, CSha256* hash, ULONGLONG limit)
{
    progress.SetRange(0, kProgressRangeHigh);
    received = 0;
    std::vector<char> block(kLargestRead);
    UINT want = 1;
    for (;;) {
        DWORD asked = ::GetTickCount();
        UINT read = serverFile.Read(block.data(), ReadSize(want, received, limit));
        if (read == 0)
            return TransferEnd::Complete;
        DWORD waited = ::GetTickCount() - asked;
        if (static_cast<ULONGLONG>(read) > limit - received)
            return TransferEnd::TooLong;
        if (!localFile.Write(block.data(), read))
            return TransferEnd::WriteFailed;
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
    // Empty stays allowed: it asks the server for nothing it has and ends as a failure.
    if (fileName.empty())
        return true;
    return IsPlainFileName(fileName) && installDir.size() + fileName.size() <= kMaxPathLength;
}

int CopyArchive(const char* agentName, const std::string& fileName, const std::string& installDir,
                std::string& archivePath, CProgressSink& progress, ArchiveSignatureCheck* signature,
                CHandle* keptFile)
{
    if (!IsDownloadableName(fileName, installDir))
        return 0;

    CDownloadSession session(agentName,
                             [&](const std::string& text) { progress.SetStatusText(text); });
    PrepareDownloadSession(session);
    std::unique_ptr<CFtpConnection> connection;
    std::unique_ptr<CInternetFile> serverFile;
    CStdioFile localFile;
    TransferEnd end = TransferEnd::WriteFailed;
    bool created = false;
    int result = 0;
    try {
        connection.reset(ConnectToDownloadServer(session));
        ArchiveLookUp found = LookUpArchive(*connection, fileName, installDir);
        if (!found.localPath.empty())
            archivePath = found.localPath;
        if (!found.listed) {
            result = -1;
        } else if (signature && !(FetchReleaseDescriptor(*connection, signature->key,
                                                         signature->minRelease, signature->descriptor) &&
                                  signature->descriptor.fileName == fileName)) {
            signature->refused = true;
        } else {
            const std::string& remoteName = found.entry ? found.entry->name : fileName;
            serverFile.reset(connection->OpenFile(remoteName.c_str(), GENERIC_READ,
                                                  FTP_TRANSFER_TYPE_BINARY | kFtpNoCache, kFtpContext));
            created = CreateArchiveFile(localFile, archivePath);
            if (created) {
                long long received = 0;
                end = CopyBlocks(*serverFile, localFile, progress, received,
                                 signature ? &signature->hash : nullptr,
                                 signature ? signature->descriptor.size : ~0ULL);
                result = end == TransferEnd::Complete ? 1 : 0;
                if (signature && (end == TransferEnd::TooLong ||
                                  (result == 1 && !IsSignedArchive(*signature, received)))) {
                    signature->refused = true;
                    result = 0;
                }
                // WinINet ends the read when the data connection closes; a server that
                // closes it early says so only on the control connection (426), which
                // WinINet does not pass on. The listed size tells a short copy.
                if (found.entry && static_cast<ULONGLONG>(received) != found.entry->size)
                    result = 0;
            }
        }
    } catch (const CInternetException&) {
        // Unreachable server, refused login, missing file, broken, silent or cancelled
        // transfer.
        result = 0;
    }

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
                    unsigned long minRelease, CHandle* keptFile)
{
    std::unique_ptr<ArchiveSignatureCheck> signature;
    if (releaseKey) {
        signature.reset(new ArchiveSignatureCheck);
        signature->key = releaseKey;
        signature->minRelease = minRelease;
    }
    int result = CopyArchive(agentName, fileName, installDir, archivePath, progress,
                             signature.get(), keptFile);
    return signature && signature->refused ? kSignatureRefused : result;
}
