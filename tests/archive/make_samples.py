#!/usr/bin/python3
"""Makes the tool-made sample archives for the archive reader's tests.

    make_samples.py OUTDIR

OUTDIR/src holds the files that went into the archives, so the tests can compare bytes.
Info-ZIP zip writes Unix-host entries with "UT" blocks; Python's zipfile writes DOS-host
entries with chosen attribute bytes.
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

WRITE_TIME = 1600000000    # 2020-09-13 12:26:40 UTC, an even second (DOS times have 2 s steps)
ACCESS_TIME = 1500000000   # 2017-07-14 02:40:00 UTC


def write(path, data, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)


def make_tree(src):
    rng = random.Random(3)
    write(f"{src}/readme.txt", b"Norla sample archive\r\nline two\r\n")
    lines = [f"{i:06d} the quick brown fox jumps over the lazy dog\n".encode() for i in range(5000)]
    write(f"{src}/big.txt", b"".join(lines))                  # deflated, many 16 KiB blocks
    write(f"{src}/noise.bin", rng.randbytes(50000))            # zip stores what it cannot shrink
    write(f"{src}/empty.txt", b"")
    write(f"{src}/folder/sub/deep.txt", b"deep\n")
    write(f"{src}/locked.txt", b"read only\n", 0o444)
    os.chmod(f"{src}/folder", 0o755)
    os.chmod(f"{src}/folder/sub", 0o755)
    for root, dirs, files in os.walk(src):
        for name in dirs + files:
            os.utime(os.path.join(root, name), (ACCESS_TIME, WRITE_TIME))



def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    src = f"{out}/src"
    make_tree(src)
    unix_names = ["readme.txt", "big.txt", "noise.bin", "empty.txt", "folder/", "folder/sub/",
                  "folder/sub/deep.txt", "locked.txt"]
    subprocess.run(["zip", "-q", f"{out}/unix.zip", *unix_names], cwd=src, check=True)
    subprocess.run(["zip", "-q", "-0", f"{out}/stored.zip", "readme.txt", "big.txt"], cwd=src,
                   check=True)
    # Info-ZIP always encrypts with a data descriptor, so the check byte comes from the time.
    subprocess.run(["zip", "-q", "-P", "norla", f"{out}/secret.zip", "readme.txt", "big.txt"],
                   cwd=src, check=True)

    with zipfile.ZipFile(f"{out}/dos.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name, attributes in [("ro.txt", 0x21), ("plain.txt", 0x20), ("hidden.txt", 0x22),
                                 ("dir/", 0x10), ("dir/in.txt", 0x01)]:
            info = zipfile.ZipInfo(name, date_time=(2019, 5, 17, 10, 20, 30))
            info.create_system = 0
            info.external_attr = attributes
            z.writestr(info, b"" if name.endswith("/") else f"content of {name}\n".encode())

    with zipfile.ZipFile(f"{out}/empty.zip", "w"):
        pass

    with open(f"{out}/unix.zip", "rb") as f:
        archive = f.read()
    with open(f"{out}/sfx.exe", "wb") as f:      # a stub in front, offsets left unadjusted
        f.write(b"MZ" + bytes(4094) + archive)
    with open(f"{out}/truncated.zip", "wb") as f:
        f.write(archive[:-30])
    with open(f"{out}/notzip.zip", "wb") as f:
        f.write(b"PK this is not an archive\n" * 10)


if __name__ == "__main__":
    main()
