#!/usr/bin/python3
"""Damages tool-made archives in many ways and runs every damaged copy through the reader.

    mutate_archives.py [--count N] [--seed S] --work DIR -- RUNNER...

Makes small archives with Info-ZIP zip, 7-Zip, bsdtar and Python's zipfile, writes N mutants
of them (bit flips, byte runs, truncations, header fields set to telling values), and runs
them all in one process: RUNNER... (mutant_runner.exe behind its Wine wrapper) gets the list.
Fails on a crash, on an archive that takes longer than 2 s, and on any file written outside
the base folder. The same seed gives the same mutants (but for the random bytes Info-ZIP
puts in front of encrypted data).
"""
import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zipfile

MAX_SECONDS_PER_ARCHIVE = 2.0
KINDS = ["bitflip", "byterun", "truncate", "field"]


def write(path, data, mtime=1600000000):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def make_seeds(work):
    """The archives the mutants start from, each a few KiB with several kinds of entry."""
    src, seeds = f"{work}/src", f"{work}/seeds"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(seeds)
    rng = random.Random(1)
    write(f"{src}/readme.txt", b"Norla mutant seed\r\n" * 20)
    write(f"{src}/noise.bin", rng.randbytes(700))
    write(f"{src}/empty.txt", b"")
    write(f"{src}/dir/sub/deep.txt", b"deep " * 300)
    for folder in [f"{src}/dir/sub", f"{src}/dir"]:   # the same bytes in every run
        os.utime(folder, (1600000000, 1600000000))
    names = ["readme.txt", "noise.bin", "empty.txt", "dir/", "dir/sub/", "dir/sub/deep.txt"]
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def run(*command):
        subprocess.run(command, cwd=src, env=env, check=True, stdout=subprocess.DEVNULL)

    run("zip", "-q", f"{seeds}/infozip.zip", *names)
    run("zip", "-q", "-P", "secret", f"{seeds}/infozip-encrypted.zip", "readme.txt", "noise.bin")
    with open(f"{seeds}/infozip-streamed.zip", "wb") as out:   # data descriptors
        subprocess.run(["zip", "-q", "-", "readme.txt", "dir/sub/deep.txt"], cwd=src, env=env,
                       check=True, stdout=out)
    run("7z", "a", "-tzip", f"{seeds}/7zip.zip", *[n for n in names if not n.endswith("/")])
    run("7z", "a", "-tzip", "-mx=0", f"{seeds}/7zip-stored.zip", "readme.txt", "dir")
    run("bsdtar", "--format", "zip", "-cf", f"{seeds}/bsdtar.zip", *names)
    with zipfile.ZipFile(f"{seeds}/python.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            z.write(f"{src}/{name}", name)
        z.writestr("Prüfung.txt", "UTF-8 name")
    with zipfile.ZipFile(f"{seeds}/python-zip64.zip", "w", zipfile.ZIP_STORED) as z:
        with z.open("forced.txt", "w", force_zip64=True) as f:
            f.write(b"forced ZIP64 local header\n" * 10)
        z.writestr("plain.txt", "plain")
    # A ZIP64 end record without thousands of entries: lower the limit zipfile applies.
    limit = zipfile.ZIP_FILECOUNT_LIMIT
    zipfile.ZIP_FILECOUNT_LIMIT = 2
    try:
        with zipfile.ZipFile(f"{seeds}/python-zip64-end.zip", "w", zipfile.ZIP_DEFLATED) as z:
            for i in range(4):
                z.writestr(f"e{i}.txt", f"entry {i}\n" * 30)
    finally:
        zipfile.ZIP_FILECOUNT_LIMIT = limit
    return {name: open(f"{seeds}/{name}", "rb").read() for name in sorted(os.listdir(seeds))}


def fields(data):
    """(offset, size, kind) of the header fields worth lying in."""
    found = []
    end = data.rfind(b"PK\x05\x06")
    if end < 0:
        return found
    found += [(end + 8, 2, "count"), (end + 10, 2, "count"), (end + 12, 4, "size"),
              (end + 16, 4, "offset"), (end + 20, 2, "namelen"), (end + 4, 2, "count")]
    z64 = data.rfind(b"PK\x06\x06", 0, end)
    if z64 >= 0:
        found += [(z64 + 24, 8, "count"), (z64 + 32, 8, "count"), (z64 + 40, 8, "size"),
                  (z64 + 48, 8, "offset")]
    p = data.find(b"PK\x01\x02")
    while 0 <= p and p + 46 <= len(data):
        found += [(p + 8, 2, "flags"), (p + 10, 2, "method"), (p + 20, 4, "size"),
                  (p + 24, 4, "size"), (p + 28, 2, "namelen"), (p + 30, 2, "namelen"),
                  (p + 32, 2, "namelen"), (p + 42, 4, "offset"), (p + 4, 2, "flags")]
        local = struct.unpack_from("<I", data, p + 42)[0]
        if local + 30 <= len(data) and data[local:local + 4] == b"PK\x03\x04":
            found += [(local + 6, 2, "flags"), (local + 8, 2, "method"), (local + 18, 4, "size"),
                      (local + 22, 4, "size"), (local + 26, 2, "namelen"),
                      (local + 28, 2, "namelen")]
        name, extra, comment = struct.unpack_from("<HHH", data, p + 28)
        p = data.find(b"PK\x01\x02", p + 46 + name + extra + comment)
    return found


def telling_values(size, old, rng):
    top = (1 << (8 * size)) - 1
    values = [0, 1, top, top - 1, top >> 1, old + 1, old - 1, old * 2, rng.randrange(top + 1)]
    if size >= 4:
        values += [0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000]
    return [v & top for v in values]


def mutate(data, kind, rng):
    data = bytearray(data)
    if kind == "bitflip":
        for _ in range(rng.randint(1, 16)):
            data[rng.randrange(len(data))] ^= 1 << rng.randrange(8)
    elif kind == "byterun":
        at, length = rng.randrange(len(data)), rng.randint(1, 64)
        fill = rng.choice([b"\x00", b"\xFF", None])
        run = bytes(rng.randrange(256) for _ in range(length)) if fill is None else fill * length
        data[at:at + length] = run[:len(data) - at]
    elif kind == "truncate":
        data = data[:rng.randrange(len(data))]
    else:
        candidates = fields(bytes(data))
        for _ in range(rng.randint(1, 3)):
            if not candidates:
                break
            offset, size, _ = rng.choice(candidates)
            fmt = {2: "<H", 4: "<I", 8: "<Q"}[size]
            old = struct.unpack_from(fmt, data, offset)[0]
            struct.pack_into(fmt, data, offset, rng.choice(telling_values(size, old, rng)))
    return bytes(data)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_mutants(runner, listing, sandbox, total):
    """Runs the list, starting again after a crash; gives the result lines and the crashes."""
    results, crashes, first, peak = {}, [], 0, 0
    progress = f"{sandbox}.progress"
    while first < total:
        if os.path.exists(progress):
            os.remove(progress)
        done = subprocess.run([*runner, windows_path(listing), windows_path(sandbox), str(first),
                               windows_path(progress)],
                              capture_output=True, text=True, errors="replace")
        for line in done.stdout.splitlines():
            parts = line.split()
            if parts and parts[0] == "peak-working-set":
                peak = max(peak, int(parts[1]))
            elif len(parts) == 5 and parts[0].isdigit():
                results[int(parts[0])] = parts[1:]
        if done.stderr.strip():
            sys.stderr.write(done.stderr)
        if done.returncode == 0 and len(results) >= total:
            break
        # A crash: the progress file names the archive that was running.
        try:
            crashed = int(open(progress).read())
        except (OSError, ValueError):
            sys.stderr.write(f"the runner did not start (exit code {done.returncode:#x})\n")
            return results, [(first, done.returncode)], peak
        crashes.append((crashed, done.returncode))
        first = crashed + 1
    return results, crashes, peak


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=500)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--work", required=True)
    parser.add_argument("runner", nargs="+")
    args = parser.parse_args()

    seeds = make_seeds(args.work)
    rng = random.Random(args.seed)
    mutants_dir, sandbox = f"{args.work}/mutants", f"{args.work}/sandbox"
    os.makedirs(mutants_dir)
    os.makedirs(sandbox)
    described = []
    seed_names = list(seeds)
    for i in range(args.count):
        seed_name, kind = seed_names[i % len(seed_names)], KINDS[(i // len(seed_names)) % len(KINDS)]
        path = f"{mutants_dir}/{i:05d}.zip"
        with open(path, "wb") as f:
            f.write(mutate(seeds[seed_name], kind, rng))
        described.append((path, seed_name, kind))
    listing = f"{args.work}/mutants.txt"
    with open(listing, "w") as f:
        f.write("".join(windows_path(path) + "\n" for path, _, _ in described))

    started = time.monotonic()
    results, crashes, peak = run_mutants(args.runner, listing, sandbox, len(described))
    elapsed = time.monotonic() - started

    failures = []
    for line, code in crashes:
        failures.append(f"{described[line][0]} ({described[line][1]}, {described[line][2]}): "
                        f"the runner ended with {code:#x}")
    times, opened, extracted = [], 0, 0
    for line, (ms, entries, done, outside) in sorted(results.items()):
        times.append(float(ms))
        opened += int(entries) >= 0
        extracted += int(done)
        what = f"{described[line][0]} ({described[line][1]}, {described[line][2]})"
        if float(ms) > MAX_SECONDS_PER_ARCHIVE * 1000:
            failures.append(f"{what}: took {ms} ms")
        if int(outside):
            failures.append(f"{what}: wrote {outside} files outside the base folder")
    missing = len(described) - len(results) - len(crashes)
    if missing:
        failures.append(f"{missing} mutants gave no result")

    times.sort()
    by_kind = {kind: sum(1 for _, _, k in described if k == kind) for kind in KINDS}
    print(f"mutants: {len(described)} from {len(seeds)} seed archives ({', '.join(seed_names)})")
    print("kinds: " + ", ".join(f"{k} {n}" for k, n in by_kind.items()))
    if times:
        print(f"opened: {opened}, entries extracted: {extracted}")
        print(f"per archive: median {times[len(times) // 2]:.1f} ms, "
              f"99th percentile {times[int(len(times) * 0.99)]:.1f} ms, max {times[-1]:.1f} ms")
    print(f"runner peak working set: {peak / 1048576:.1f} MiB; whole run {elapsed:.1f} s")
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
