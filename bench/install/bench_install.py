#!/usr/bin/python3
"""Benchmark of the installation sequence's unpacking against the archive reader alone.

    bench_install.py BUILD_DIR FTP_ROOT    (bench_install.exe and bench_extract.exe built,
                                            the FTP server of tests/support running on FTP_ROOT)

The archive is bench_archive.py's 200 MB one (50 MB with NORLA_BENCH_QUICK=1).
RunInstallation downloads it from the server on loopback and unpacks it in the real progress
window; only the unpacking is timed (from the download's last bar position to the
unpacking's last one). bench_extract unpacks the same file with the reader alone. The two
take turns; best of a few runs of each. Goal: the sequence at most 1.10x the reader.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "archive"))
import bench_archive  # noqa: E402
import report  # noqa: E402

MB = bench_archive.MB


def run_sequence(build, install):
    bench_archive.fresh(install)
    exe = os.path.join(build, "bench", "install", "bench_install.exe")
    status, output, _, _ = report.run_measured(
        report.wine_command(build, exe, report.wine_path(install) + "\\"), timeout=1200)
    if status != 0:
        sys.exit(f"bench_install failed ({status}):\n{output}")
    return report.figures(output, "bench_install")


def serve(archive, served):
    if os.path.exists(served):
        os.remove(served)
    try:
        os.link(archive, served)
    except OSError:
        shutil.copy(archive, served)


def main():
    build = os.path.abspath(sys.argv[1])
    home = os.path.join(sys.argv[2], "home")
    archive = bench_archive.archive_path(build, "mixed50" if report.QUICK else "mixed200")
    os.makedirs(home, exist_ok=True)
    served = os.path.join(home, "norla.zip")
    serve(archive, served)
    work = os.path.join(build, "bench")
    install = os.path.join(work, "installed")
    out = os.path.join(work, "out")

    runs = 1 if report.QUICK else 2
    sequences, readers = [], []
    try:
        for _ in range(runs):
            sequences.append(run_sequence(build, install))
            bench_archive.warm(archive)
            readers.append(bench_archive.run_reader(build, archive, out))
    finally:
        report.clear_internet_cache(build, "norla")
    sequence = min(sequences, key=lambda r: r["unpack_seconds"])
    reader = min(readers, key=lambda r: r["seconds"])
    entries = int(sequence["entries"])
    unpacked = reader["bytes"] / MB
    size = os.path.getsize(archive) / MB
    print(f"\nUnpacking {size:.1f} MB, {entries} entries, {unpacked:.1f} MB unpacked "
          f"(best of {runs})")
    print(f"   RunInstallation (unpacking part): {sequence['unpack_seconds']:7.2f} s"
          f"  {unpacked / sequence['unpack_seconds']:6.1f} MB/s")
    print(f"   reader alone (bench_extract)    : {reader['seconds']:7.2f} s"
          f"  {unpacked / reader['seconds']:6.1f} MB/s")
    extra = (sequence["unpack_seconds"] - reader["seconds"]) / entries
    print(f"   difference per entry            : {extra * 1e6:7.1f} us")
    print(f"   the same run's download         : {sequence['download_seconds']:7.2f} s"
          f"  {size / sequence['download_seconds']:6.1f} MB/s")
    print(f"   whole sequence                  : {sequence['total_seconds']:7.2f} s")
    report.ratio_goal(f"unpacking in RunInstallation vs reader, {size:.0f} MB",
                      f"{sequence['unpack_seconds']:.2f} s", f"reader {reader['seconds']:.2f} s",
                      sequence["unpack_seconds"] / reader["seconds"], "<=", 1.10)
    shutil.rmtree(install, ignore_errors=True)
    shutil.rmtree(out, ignore_errors=True)
    os.remove(served)


if __name__ == "__main__":
    main()
