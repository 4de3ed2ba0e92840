#!/usr/bin/python3
"""Benchmark of the archive reader under Wine, with Info-ZIP unzip run natively beside it.

    bench_archive.py BUILD_DIR     (the test build, with bench_extract.exe built)

Archives are generated once into BUILD_DIR/bench and reused. Times are the best of a few
runs, the reader and unzip taking turns; the reader's own figure leaves out the start of
Wine. Goals: the reader at most 1.2x unzip on the 200 MB archive and 1.5x unzip per small
entry at 2,000 and 20,000 entries, with its peak working set under 16 MiB.
NORLA_BENCH_QUICK=1: the 50 MB archive, 2,000 small entries only, one run each.
"""
import os
import random
import shutil
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import report  # noqa: E402

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


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def run_reader(build, archive, out):
    fresh(out)
    exe = os.path.join(build, "bench", "archive", "bench_extract.exe")
    status, output, _, peak = report.run_measured(
        report.wine_command(build, exe, report.wine_path(archive), report.wine_path(out) + "\\"),
        timeout=600)
    result = report.figures(output, "bench_extract")
    if status != 0 or "seconds" not in result:
        sys.exit(f"bench_extract failed ({status}):\n{output}")
    result["linux_peak_kb"] = peak
    return result


def run_unzip(archive, out):
    fresh(out)
    status, output, seconds, peak = report.run_measured(
        ["unzip", "-o", "-q", archive, "-d", out], timeout=600)
    if status != 0:
        sys.exit(f"unzip failed:\n{output}")
    return seconds, peak


def best_of(runs, build, archive, out):
    """The fastest of a few runs of each, since the machine may be busy with other work;
    the reader's peak memory is the highest of its runs."""
    readers, unzips = [], []
    for _ in range(runs):
        readers.append(run_reader(build, archive, out))
        unzips.append(run_unzip(archive, out))
    reader = dict(min(readers, key=lambda r: r["seconds"]))
    for peak in ("peak_working_set_kb", "peak_pagefile_kb", "linux_peak_kb"):
        reader[peak] = max(r[peak] for r in readers)
    reader["unzip_peak_kb"] = max(peak for _, peak in unzips)
    return reader, min(seconds for seconds, _ in unzips)


def warm(archive):
    with open(archive, "rb") as f:
        while f.read(1 << 22):
            pass


ARCHIVES = {
    "mixed200": lambda p: make_mixed(p, 2000, 270 * MB),
    "mixed50": lambda p: make_mixed(p, 500, 68 * MB),
    "small2000": lambda p: make_small(p, 2000),
    "small20000": lambda p: make_small(p, 20000),
}


def archive_path(build, name):
    """The generated archive `name` in BUILD_DIR/bench, made when it is not there yet."""
    work = os.path.join(build, "bench")
    os.makedirs(work, exist_ok=True)
    path = os.path.join(work, name + ".zip")
    if not os.path.exists(path):
        print(f"generating {name}.zip ...", flush=True)
        ARCHIVES[name](path + ".part")
        os.rename(path + ".part", path)
    return path


def main():
    build = os.path.abspath(sys.argv[1])
    out = os.path.join(build, "bench", "out")
    big = "mixed50" if report.QUICK else "mixed200"
    runs = 1 if report.QUICK else 3

    archive = archive_path(build, big)
    size = os.path.getsize(archive)
    print(f"\n1. An archive of {size / MB:.0f} MB (half text, half random bytes, 100 entries a folder)")
    warm(archive)
    r, u = best_of(runs, build, archive, out)
    print(f"   archive {size / MB:.1f} MB, {int(r['entries'])} entries, "
          f"{r['bytes'] / MB:.1f} MB unpacked, best of {runs}")
    print(f"   reader under Wine : {r['seconds']:7.2f} s  {r['bytes'] / MB / r['seconds']:7.1f} MB/s"
          f"  {r['entries'] / r['seconds']:8.0f} entries/s")
    print(f"   unzip -o -q native: {u:7.2f} s  {r['bytes'] / MB / u:7.1f} MB/s"
          f"  {r['entries'] / u:8.0f} entries/s")
    report.ratio_goal(f"reader vs unzip, {size / MB:.0f} MB archive", f"{r['seconds']:.2f} s",
                      f"unzip {u:.2f} s", r["seconds"] / u, "<=", 1.2)
    peaks = {big: r}

    print("\n2. Cost against entry count (1 KiB text entries, 100 a folder)")
    per_entry = {}
    counts = (("small2000", 1),) if report.QUICK else (("small2000", 3), ("small20000", 2))
    for name, runs in counts:
        archive = archive_path(build, name)
        warm(archive)
        r, u = best_of(runs, build, archive, out)
        entries = r["entries"]
        per_entry[name] = r["seconds"] / entries
        print(f"   {int(entries):6d} entries: reader {r['seconds']:6.2f} s "
              f"({per_entry[name] * 1e6:6.0f} us/entry; opening {r['open_seconds'] * 1000:5.0f} ms),"
              f" unzip {u:6.2f} s "
              f"({u / entries * 1e6:6.0f} us/entry), best of {runs}")
        report.ratio_goal(f"reader vs unzip per 1 KiB entry, {int(entries):,} entries",
                          f"{per_entry[name] * 1e6:.0f} us", f"unzip {u / entries * 1e6:.0f} us",
                          r["seconds"] / u, "<=", 1.5)
    if len(per_entry) == 2:
        print("   time per entry, 20,000 against 2,000: "
              f"{per_entry['small20000'] / per_entry['small2000']:.2f} (1.00 = linear)")

    print("\n3. Peak memory of the extracting process")
    print("   (as Windows reports it to the program; as Linux counts the Wine process; unzip)")
    if not report.QUICK:
        small = archive_path(build, "mixed50")
        peaks["mixed50"] = run_reader(build, small, out)
        peaks["mixed50"]["unzip_peak_kb"] = run_unzip(small, out)[1]
    for name in sorted(peaks, key=lambda n: os.path.getsize(archive_path(build, n))):
        r = peaks[name]
        print(f"   {os.path.getsize(archive_path(build, name)) / MB:6.1f} MB archive: peak working set "
              f"{r['peak_working_set_kb'] / 1024:5.1f} MiB, private {r['peak_pagefile_kb'] / 1024:5.1f} MiB;"
              f" Linux peak RSS {r['linux_peak_kb'] / 1024:5.1f} MiB; unzip {r['unzip_peak_kb'] / 1024:5.1f} MiB")
    peak = max(r["peak_working_set_kb"] for r in peaks.values()) / 1024
    report.limit_goal("reader's peak working set", f"{peak:.1f} MiB", peak, 16, "MiB")
    shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
