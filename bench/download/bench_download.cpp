// Download throughput, run by scripts/bench-download (not a test):
//   bench_download FILE SIZE LOCALDIR\ PASSES
// Times the installer's download (DownloadArchive in the progress window, from the start
// timer to the download's last bar position) against the same WinINet calls reading 64 KiB
// at a time into a file, the two taking turns, and prints the best time of each.
// FILE is no archive, so the sequence ends with the message that it cannot be opened: the
// one message this run expects.
// The harness is shared with the tests and uses doctest's checks; this program has its own main.
#define DOCTEST_CONFIG_IMPLEMENT
#include "SequenceRun.h"
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"
#include "download/ArchiveSignature.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include "install/InstallMessages.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {
const UINT kWideBlock = 65536;
// What the download asks for: binary, neither served from nor written to the cache.
const DWORD kOpenFlags = FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_NO_CACHE_WRITE |
                         INTERNET_FLAG_RELOAD;

unsigned long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Session, connection, file, 64 KiB reads written to `localPath`; the bytes copied.
double TimeWideReads(const char* file, const std::string& localPath, unsigned long long& bytes)
{
    double start = Now();
    CInternetSession session("NorlaBench");
    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    std::unique_ptr<CInternetFile> remote(
        connection->OpenFile(file, GENERIC_READ, kOpenFlags, 1));
    CStdioFile local;
    if (!local.Open(localPath.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite |
                                           CStdioFile::typeBinary))
        return -1;
    std::vector<char> buffer(kWideBlock);
    bytes = 0;
    while (UINT read = remote->Read(buffer.data(), kWideBlock)) {
        if (!local.Write(buffer.data(), read))
            return -1;
        bytes += read;
    }
    local.Close();
    remote->Close();
    connection->Close();
    session.Close();
    return Now() - start;
}

double MegabytesPerSecond(double size, double seconds)
{
    return size / 1e6 / seconds;
}
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_download FILE SIZE LOCALDIR\\ PASSES\n");
        return 2;
    }
    const char* file = argv[1];
    const unsigned long long size = std::strtoull(argv[2], nullptr, 10);
    const std::string localDir = argv[3];
    const int passes = std::max(1, std::atoi(argv[4]));
    theApp.InitCommonControls();

    double bestWide = 1e30, bestInstaller = 1e30;
    try {
        for (int pass = 1; pass <= passes; ++pass) {
            const std::string widePath = localDir + "wide.bin";
            unsigned long long bytes = 0;
            double wide = TimeWideReads(file, widePath, bytes);
            DeleteFileA(widePath.c_str());
            if (wide < 0 || bytes != size) {
                std::fprintf(stderr, "bench_download: 64 KiB reads copied %llu bytes\n", bytes);
                return 1;
            }

            SequenceRun run("", localDir);
            run.keepServer = true;
            run.downloadFileName = file;
            run.watchdogMs = 600000;
            SequenceOutcome out = RunSequence(run);
            if (!EndedWithMessage(out, ArchiveFailedMessage(theApp.m_strArchivePath)))
                return 1;
            unsigned long long installed = FileSize(theApp.m_strArchivePath);
            DeleteFileA(theApp.m_strArchivePath.c_str());
            if (installed != size || out.downloaded == 0) {
                std::fprintf(stderr, "bench_download: the installer's download has %llu bytes\n",
                             installed);
                return 1;
            }
            double installer = out.downloaded - out.started;
            std::printf("   pass %d: WinINet 64 KiB %6.2f s %7.1f MB/s, DownloadArchive %6.2f s "
                        "%7.1f MB/s\n",
                        pass, wide, MegabytesPerSecond(size, wide), installer,
                        MegabytesPerSecond(size, installer));
            std::fflush(stdout);
            bestWide = std::min(bestWide, wide);
            bestInstaller = std::min(bestInstaller, installer);
        }
    } catch (const CInternetException& e) {
        std::fprintf(stderr, "bench_download: WinINet error %lu\n", e.m_dwError);
        return 1;
    }
    // What a build with the vendor's key adds: SHA-256 over the same number of bytes, in the
    // pieces the download reads.
    std::vector<char> piece(kLargestRead, 'n');
    CSha256 hash;
    double hashStart = Now();
    for (unsigned long long done = 0; done < size; done += piece.size())
        hash.Add(piece.data(), static_cast<size_t>(std::min<unsigned long long>(piece.size(), size - done)));
    unsigned char digest[kSha256Size];
    bool hashed = hash.Finish(digest);
    double hashSeconds = Now() - hashStart;
    if (!hashed) {
        std::fprintf(stderr, "bench_download: BCrypt could not hash\n");
        return 1;
    }
    std::printf("bytes=%llu wide_seconds=%.3f download_seconds=%.3f sha256_seconds=%.3f\n", size,
                bestWide, bestInstaller, hashSeconds);
    return 0;
}
