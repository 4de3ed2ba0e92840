// Download throughput, run by scripts/bench-download (not a test):
//   bench_download.exe FILE SIZE LOCALDIR CURLSECONDS
// Times the installer's own download (512-byte blocks, bar and pump per block, inside the
// progress window) against the same WinINet calls with 64 KiB reads and a bare read loop.
#include "app/SetupApp.h"
#include "download/ArchiveDownload.h"
#include "download/ServerParameters.h"
#include "framework/StdioFile.h"
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {
double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The same calls as the download, with blocks of `block` bytes; `write`: into a local file.
double TimeWinInet(const char* file, UINT block, const std::string& localPath, bool write,
                   unsigned long long& bytes)
{
    double start = Now();
    CInternetSession session("NorlaBench");
    std::unique_ptr<CFtpConnection> connection(ConnectToDownloadServer(session));
    std::unique_ptr<CInternetFile> remote(
        connection->OpenFile(file, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 1));
    CStdioFile local;
    if (write)
        local.Open(localPath.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite |
                                          CStdioFile::typeBinary);
    std::vector<char> buffer(block);
    bytes = 0;
    while (UINT read = remote->Read(buffer.data(), block)) {
        if (write)
            local.Write(buffer.data(), read);
        bytes += read;
    }
    local.Close();
    remote->Close();
    connection->Close();
    return Now() - start;
}

// The installer's download as the progress window's start timer runs it.
double TimeInstallerDownload(const char* file)
{
    theApp.m_strDownloadFileName = file;
    double start = Now();
    theApp.m_dlgProgress.DoModal();
    return Now() - start - kStartDelayMs / 1000.0;
}

void Report(const char* what, double seconds, double bytes)
{
    std::printf("%-44s %8.2f s %9.1f MB/s\n", what, seconds, bytes / 1e6 / seconds);
}
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_download FILE SIZE LOCALDIR CURLSECONDS\n");
        return 2;
    }
    const char* file = argv[1];
    double size = std::atof(argv[2]);
    std::string localDir = argv[3];
    double curlSeconds = std::atof(argv[4]);
    theApp.m_strInstallDir = localDir;
    theApp.InitCommonControls();

    try {
        unsigned long long bytes = 0;
        double bare512 = TimeWinInet(file, kTransferBlock, "", false, bytes);
        double wide = TimeWinInet(file, 65536, localDir + "wide.bin", true, bytes);
        double installer = TimeInstallerDownload(file);
        unsigned long long installed = 0;
        if (FILE* f = std::fopen(theApp.m_strArchivePath.c_str(), "rb")) {
            std::fseek(f, 0, SEEK_END);
            installed = static_cast<unsigned long long>(std::ftell(f));
            std::fclose(f);
        }
        if (installed != static_cast<unsigned long long>(size)) {
            std::fprintf(stderr, "bench: the installer's download has %llu bytes\n", installed);
            return 1;
        }
        double blocks = size / kTransferBlock;
        std::printf("%.0f bytes (MB = 10^6 bytes)\n", size);
        Report("curl (Linux, same server)", curlSeconds, size);
        Report("WinINet, 64 KiB reads, written to a file", wide, size);
        Report("WinINet, 512-byte reads, nothing else", bare512, size);
        Report("DownloadArchive (512-byte blocks, window)", installer, size);
        std::printf("DownloadArchive / curl            %6.3f\n", curlSeconds / installer);
        std::printf("DownloadArchive / WinINet 64 KiB  %6.3f\n", wide / installer);
        std::printf("WinINet 64 KiB / curl             %6.3f\n", curlSeconds / wide);
        std::printf("installer's own time per 512-byte block (write, bar, pump): %.2f us\n",
                    (installer - bare512) / blocks * 1e6);
    } catch (const CInternetException& e) {
        std::fprintf(stderr, "bench: WinINet error %lu\n", e.m_dwError);
        return 1;
    }
    return 0;
}
