#!/usr/bin/python3
"""Benchmark of the archive reader under Wine, with Info-ZIP unzip run natively beside it.

    bench_archive.py BUILD_DIR     (an x86-64 build with bench_extract.exe built)

Archives are generated once into BUILD_DIR/bench and reused. Times are the best of a few
runs; the reader's own figure leaves out the start of Wine.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

MB = 1000 * 1000


def text_block(rng, size):
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(4000)]
    out = bytearray()
    while len(out) < size:
        out += b" ".join(rng.choice(words) for _ in range(12)) + b"\n"
    return bytes(out[:size])


def make_mixed(path, entries, total):
    """Half the entries compressible text, half random bytes, 100 entries a folder."""
    rng = random.Random(entries)
    text = text_block(rng, 1 << 20)
    average = total // entries
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for i in range(entries):
            folder = f"data{i // 100:03d}/"
            if i % 100 == 0:
                info = zipfile.ZipInfo(folder)
                info.external_attr = 0o40755 << 16 | 0x10
                z.writestr(info, b"")
            size = rng.randint(average // 2, average * 3 // 2)
            if i % 2:
                data = os.urandom(size)
            else:
                start = rng.randrange(len(text) // 2)
                data = (text[start:] * (size // (len(text) - start) + 1))[:size]
            z.writestr(f"{folder}file{i:05d}.{'bin' if i % 2 else 'txt'}", data)


def make_small(path, entries):
    rng = random.Random(entries)
    text = text_block(rng, 1 << 16)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for i in range(entries):
            start = rng.randrange(len(text) - 1024)
            z.writestr(f"small{i // 100:04d}/f{i:06d}.txt", text[start:start + 1024])


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def run_measured(command):
    """Runs a command under GNU time; gives its exit status, output, wall time and the peak
    resident set of it and the descendants it waited for (Linux's own count, in KiB)."""
    report = os.path.join(tempfile.gettempdir(), f"bench-archive-{os.getpid()}.time")
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, *command],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    seconds = time.perf_counter() - start
    with open(report) as f:
        peak = int(f.read().split()[-1])
    os.remove(report)
    return result.returncode, result.stdout, seconds, peak


def run_reader(build, archive, out):
    fresh(out)
    exe = os.path.join(build, "bench", "archive", "bench_extract.exe")
    status, output, _, peak = run_measured(
        [os.path.join(SOURCE, "cmake", "wine-run"), os.path.join(build, "wineprefix"), exe,
         wine_path(archive), wine_path(out) + "\\"])
    line = next((l for l in output.splitlines() if l.startswith("entries=")), None)
    if status != 0 or line is None:
        sys.exit(f"bench_extract failed ({status}):\n{output}")
    figures = {k: float(v) for k, v in (f.split("=") for f in line.split())}
    figures["linux_peak_kb"] = peak
    return figures


def run_unzip(archive, out):
    fresh(out)
    status, output, seconds, peak = run_measured(["unzip", "-o", "-q", archive, "-d", out])
    if status != 0:
        sys.exit(f"unzip failed:\n{output}")
    return seconds, peak


def best_of(runs, build, archive, out):
    """The fastest of a few runs of each, since the machine may be busy with other work."""
    reader = min((run_reader(build, archive, out) for _ in range(runs)), key=lambda r: r["seconds"])
    unzip = min(run_unzip(archive, out)[0] for _ in range(runs))
    return reader, unzip


def warm(archive):
    with open(archive, "rb") as f:
        while f.read(1 << 22):
            pass


SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def main():
    build = os.path.abspath(sys.argv[1])
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    archives = {
        "mixed200": lambda p: make_mixed(p, 2000, 270 * MB),
        "mixed50": lambda p: make_mixed(p, 500, 68 * MB),
        "small2000": lambda p: make_small(p, 2000),
        "small20000": lambda p: make_small(p, 20000),
    }
    paths = {}
    for name, make in archives.items():
        paths[name] = os.path.join(work, name + ".zip")
        if not os.path.exists(paths[name]):
            print(f"generating {name}.zip ...", flush=True)
            make(paths[name] + ".part")
            os.rename(paths[name] + ".part", paths[name])
    out = os.path.join(work, "out")

    print("\n1. An archive of about 200 MB in about 2,000 entries (half text, half random bytes, 20 folders)")
    warm(paths["mixed200"])
    r, u = best_of(3, build, paths["mixed200"], out)
    size = os.path.getsize(paths["mixed200"])
    print(f"   archive {size / MB:.1f} MB, {int(r['entries'])} entries, "
          f"{r['bytes'] / MB:.1f} MB unpacked")
    print(f"   reader under Wine : {r['seconds']:7.2f} s  {r['bytes'] / MB / r['seconds']:7.1f} MB/s"
          f"  {r['entries'] / r['seconds']:8.0f} entries/s")
    print(f"   unzip -o -q native: {u:7.2f} s  {r['bytes'] / MB / u:7.1f} MB/s"
          f"  {r['entries'] / u:8.0f} entries/s")
    print(f"   reader time / unzip time: {r['seconds'] / u:.2f}")

    print("\n2. Cost against entry count (1 KiB text entries, 100 a folder)")
    per_entry = {}
    for name, runs in (("small2000", 3), ("small20000", 2)):
        warm(paths[name])
        r, u = best_of(runs, build, paths[name], out)
        per_entry[name] = r["seconds"] / r["entries"]
        print(f"   {int(r['entries']):6d} entries: reader {r['seconds']:6.2f} s "
              f"({per_entry[name] * 1e6:6.0f} us/entry; opening {r['open_seconds'] * 1000:5.0f} ms),"
              f" unzip {u:6.2f} s ({u / r['entries'] * 1e6:6.0f} us/entry)")
    print(f"   time per entry, 20,000 against 2,000: {per_entry['small20000'] / per_entry['small2000']:.2f}"
          " (1.00 = linear)")

    print("\n3. Peak memory of the extracting process")
    print("   (as Windows reports it to the program; as Linux counts the Wine process; unzip)")
    for name in ("mixed50", "mixed200"):
        r = run_reader(build, paths[name], out)
        _, unzip_peak = run_unzip(paths[name], out)
        print(f"   {os.path.getsize(paths[name]) / MB:6.1f} MB archive: peak working set "
              f"{r['peak_working_set_kb'] / 1024:5.1f} MiB, private {r['peak_pagefile_kb'] / 1024:5.1f} MiB;"
              f" Linux peak RSS {r['linux_peak_kb'] / 1024:5.1f} MiB; unzip {unzip_peak / 1024:5.1f} MiB")
    shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
