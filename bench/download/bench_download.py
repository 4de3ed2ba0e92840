#!/usr/bin/python3
"""Benchmark of the installer's download against plain WinINet and curl.

    bench_download.py BUILD_DIR FTP_ROOT PORT MB   (bench_download.exe built, the FTP server
                                                    of tests/support running on FTP_ROOT, PORT)

Serves MB megabytes of random bytes (no archive) and lets bench_download.exe time
DownloadArchive in the real progress window against the same WinINet calls reading 64 KiB
at a time into a file; curl, run natively, is shown beside them. Goal: DownloadArchive at
least 0.9x the speed of the 64 KiB reads. NORLA_BENCH_QUICK=1: one pass each.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import report  # noqa: E402

MB = 1000 * 1000
USER, PASSWORD = "DownloadNorlaVeltro2024", "tqM!ra#5917"


def curl_seconds(port, target):
    result = subprocess.run(["curl", "-s", "--user", f"{USER}:{PASSWORD}", "-o", target,
                             "-w", "%{time_total}", f"ftp://127.0.0.1:{port}/bench.bin"],
                            stdout=subprocess.PIPE, text=True, timeout=600)
    if result.returncode != 0:
        sys.exit(f"curl failed ({result.returncode})")
    return float(result.stdout)


def main():
    build = os.path.abspath(sys.argv[1])
    home = os.path.join(sys.argv[2], "home")
    port = sys.argv[3]
    size = int(float(sys.argv[4]) * MB)
    passes = 1 if report.QUICK else 2

    local = os.path.join(build, "bench", "downloaded")
    shutil.rmtree(local, ignore_errors=True)
    os.makedirs(local)
    os.makedirs(home, exist_ok=True)
    served = os.path.join(home, "bench.bin")
    with open(served, "wb") as f:
        for left in range(size, 0, -(1 << 20)):
            f.write(os.urandom(min(left, 1 << 20)))

    curl = curl_seconds(port, os.path.join(local, "curl.bin"))
    os.remove(os.path.join(local, "curl.bin"))
    exe = os.path.join(build, "bench", "download", "bench_download.exe")
    try:
        status, output, _, _ = report.run_measured(
            report.wine_command(build, exe, "bench.bin", str(size), report.wine_path(local) + "\\",
                                str(passes)), timeout=1800)
    finally:
        report.clear_internet_cache(build, "bench")
    if status != 0:
        sys.exit(f"bench_download failed ({status}):\n{output}")
    print("\n".join(l for l in output.splitlines() if l.startswith("   pass")))
    result = report.figures(output, "bench_download")
    wide, download = result["wide_seconds"], result["download_seconds"]

    def speed(seconds):
        return f"{size / MB / seconds:.1f} MB/s"

    print(f"\nDownloading {size / MB:.0f} MB on loopback (best of {passes})")
    print(f"   curl (Linux, same server)          : {curl:7.2f} s  {speed(curl):>11}")
    print(f"   WinINet, 64 KiB reads into a file  : {wide:7.2f} s  {speed(wide):>11}")
    print(f"   DownloadArchive in the window      : {download:7.2f} s  {speed(download):>11}")
    report.ratio_goal(f"DownloadArchive speed vs WinINet 64 KiB, {size / MB:.0f} MB",
                      speed(download), f"WinINet {speed(wide)}", wide / download, ">=", 0.9)
    sha = result["sha256_seconds"]
    print(f"   SHA-256 of as many bytes (BCrypt)  : {sha:7.2f} s  {speed(sha):>11}")
    report.ratio_goal("signature check's hashing vs DownloadArchive's time", f"{sha:.2f} s",
                      f"download {download:.2f} s", sha / download, "<=", 0.05)
    os.remove(served)
    shutil.rmtree(local, ignore_errors=True)


if __name__ == "__main__":
    main()
