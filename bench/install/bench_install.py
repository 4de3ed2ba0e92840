#!/usr/bin/python3
"""Benchmark of the installation sequence's unpacking against the archive reader alone.

    bench_install.py BUILD_DIR FTP_ROOT    (bench_install.exe and bench_extract.exe built,
                                            the FTP server of tests/support running on FTP_ROOT)

The archive is bench_archive.py's 200 MB one. RunInstallation downloads it from the server
on loopback and unpacks it in the real progress window; only the unpacking is timed (from
the download's last bar position to the final one). bench_extract unpacks the same file
with the reader alone. Best of a few runs of each.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "archive"))
import bench_archive  # noqa: E402

MB = bench_archive.MB


def run_sequence(build, install):
    bench_archive.fresh(install)
    exe = os.path.join(build, "bench", "install", "bench_install.exe")
    status, output, _, _ = bench_archive.run_measured(
        [os.path.join(bench_archive.SOURCE, "cmake", "wine-run"), os.path.join(build, "wineprefix"),
         exe, bench_archive.wine_path(install) + "\\"])
    line = next((l for l in output.splitlines() if l.startswith("entries=")), None)
    if status != 0 or line is None:
        sys.exit(f"bench_install failed ({status}):\n{output}")
    return {k: float(v) for k, v in (f.split("=") for f in line.split())}


def main():
    build = os.path.abspath(sys.argv[1])
    home = os.path.join(sys.argv[2], "home")
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    archive = os.path.join(work, "mixed200.zip")
    if not os.path.exists(archive):
        print("generating mixed200.zip ...", flush=True)
        bench_archive.make_mixed(archive + ".part", 2000, 270 * MB)
        os.rename(archive + ".part", archive)
    os.makedirs(home, exist_ok=True)
    shutil.copy(archive, os.path.join(home, "norla.zip"))
    install = os.path.join(work, "installed")
    out = os.path.join(work, "out")

    runs = 3
    sequence = min((run_sequence(build, install) for _ in range(runs)),
                   key=lambda r: r["unpack_seconds"])
    bench_archive.warm(archive)
    reader = min((bench_archive.run_reader(build, archive, out) for _ in range(runs)),
                 key=lambda r: r["seconds"])
    entries = int(sequence["entries"])
    unpacked = reader["bytes"] / MB
    print(f"\nUnpacking {os.path.getsize(archive) / MB:.1f} MB, {entries} entries, "
          f"{unpacked:.1f} MB unpacked (best of {runs})")
    print(f"   RunInstallation (unpacking part): {sequence['unpack_seconds']:7.2f} s"
          f"  {unpacked / sequence['unpack_seconds']:6.1f} MB/s")
    print(f"   reader alone (bench_extract)    : {reader['seconds']:7.2f} s"
          f"  {unpacked / reader['seconds']:6.1f} MB/s")
    print(f"   sequence / reader               : {sequence['unpack_seconds'] / reader['seconds']:7.3f}"
          "  (goal: at most 1.10)")
    extra = (sequence["unpack_seconds"] - reader["seconds"]) / entries
    print(f"   difference per entry            : {extra * 1e6:7.1f} us")
    print(f"   the sequence's own work alone   : {sequence['own_work_us_per_entry']:7.1f} us/entry"
          " (target path, DOS table, copy, bar position, pump; 5,000 passes on a bare bar)")
    print(f"     of which path and copy        : {sequence['path_us']:7.1f} us")
    print(f"     path, copy and bar position   : {sequence['bar_us']:7.1f} us")
    print(f"   whole run with the download     : {sequence['total_seconds']:7.2f} s")
    shutil.rmtree(install, ignore_errors=True)
    shutil.rmtree(out, ignore_errors=True)
    os.remove(os.path.join(home, "norla.zip"))


if __name__ == "__main__":
    main()
