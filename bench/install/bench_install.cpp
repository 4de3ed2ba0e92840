// Unpacks an archive served by the FTP server on loopback through RunInstallation, in the
// real progress window, and prints how long the unpacking took: from the download's last
// bar position to the unpacking's last one. The run must end with the completion message.
//   bench_install INSTALLFOLDER\     (the server serves norla.zip)
// The harness is shared with the tests and uses doctest's checks; this program has its own main.
#define DOCTEST_CONFIG_IMPLEMENT
#include "SequenceRun.h"
#include "app/SetupApp.h"
#include "install/InstallMessages.h"
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_install INSTALLFOLDER\\\n");
        return 2;
    }
    theApp.InitCommonControls();
    SequenceRun run("", argv[1]);
    run.keepServer = true;
    run.watchdogMs = 600000;
    SequenceOutcome out = RunSequence(run);
    if (!EndedWithMessage(out, CompletionMessage(theApp.m_strInstallDir)))
        return 1;
    const std::vector<BarMessage>& bar = out.unpackBar;
    int range = bar.empty() ? -1 : static_cast<int>(bar.front().lParam);
    int last = bar.empty() ? -1 : static_cast<int>(bar.back().wParam);
    if (range < 0 || last != range + 1) {
        std::fprintf(stderr, "bench_install: the unpacking did not run to its end (range %d, "
                             "last position %d)\n",
                     range, last);
        return 1;
    }
    std::printf("entries=%d unpack_seconds=%.3f download_seconds=%.3f total_seconds=%.3f\n",
                range, out.unpacked - out.downloaded, out.downloaded - out.started,
                out.closed - out.started);
    return 0;
}
