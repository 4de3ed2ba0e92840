// Unpacks an archive served by the FTP server on loopback through RunInstallation, in the
// real progress window, and prints how long the unpacking took: from the download's last
// bar position to the unpacking's last one. The run must end with the completion message.
//   bench_install INSTALLFOLDER\     (the server serves norla.zip)
#include "app/SetupApp.h"
#include "bench/common/SequenceRun.h"
#include "install/InstallMessages.h"
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_install INSTALLFOLDER\\\n");
        return 2;
    }
    theApp.InitCommonControls();
    theApp.m_strInstallDir = argv[1];
    theApp.m_strDownloadFileName = "norla.zip";
    theApp.m_bDesktopIcon = theApp.m_bStartMenu = false;
    SequenceTimes times;
    if (!RunSequence([] { return CompletionMessage(theApp.m_strInstallDir); }, times))
        return 1;
    if (times.unpackRange < 0 || times.unpackLastPos != times.unpackRange + 1) {
        std::fprintf(stderr, "bench_install: the unpacking did not run to its end (range %d, "
                             "last position %d)\n",
                     times.unpackRange, times.unpackLastPos);
        return 1;
    }
    std::printf("entries=%d unpack_seconds=%.3f download_seconds=%.3f total_seconds=%.3f\n",
                times.unpackRange, times.unpacked - times.downloaded,
                times.downloaded - times.started, times.closed - times.started);
    return 0;
}
