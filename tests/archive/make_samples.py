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
import struct
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



ODD_TIME = 1623760497      # 2021-06-15 12:34:57 UTC, an odd second: the DOS time says :58
PREFIX_TIME = 981173106    # 2001-02-03 04:05:06 UTC
UTF8_NAMES = ["Prüfung.txt", "Ærø.txt", "Ωmega.txt"]   # Ω is not in Windows-1252


def make_odd_time(out):
    """Archives whose UT time differs from the DOS time, with a stub in front."""
    write(f"{out}/odd/odd.txt", b"odd second\n")
    os.utime(f"{out}/odd/odd.txt", (ODD_TIME, ODD_TIME))
    subprocess.run(["zip", "-q", f"{out}/odd.zip", "odd.txt"], cwd=f"{out}/odd", check=True)
    with open(f"{out}/odd.zip", "rb") as f:
        archive = f.read()
    stub = bytearray(b"MZ" + bytes(4094))
    with open(f"{out}/odd-sfx.exe", "wb") as f:
        f.write(stub + archive)
    # Where the local extra field would be if the stub were not counted: a UT block there.
    at = 30 + len("odd.txt")
    stub[at:at + 13] = b"UT\x09\x00\x03" + struct.pack("<ii", PREFIX_TIME, PREFIX_TIME)
    with open(f"{out}/odd-sfx-ut.exe", "wb") as f:
        f.write(stub + archive)


def make_utf8_names(out):
    src = f"{out}/utf8"
    for name in UTF8_NAMES:
        write(f"{src}/{name}", f"content of {name}\n".encode())
    env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    subprocess.run(["7z", "a", "-tzip", f"{out}/utf8-7z.zip", *UTF8_NAMES], cwd=src, env=env,
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["bsdtar", "--format", "zip", "-cf", f"{out}/utf8-bsdtar.zip", *UTF8_NAMES],
                   cwd=src, env=env, check=True)
    with zipfile.ZipFile(f"{out}/utf8-python.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name in UTF8_NAMES:
            z.write(f"{src}/{name}", name)


def make_zip64(out):
    # Python's zipfile writes ZIP64 local headers on request, and a ZIP64 end record for
    # more than 65,535 entries.
    with zipfile.ZipFile(f"{out}/zip64.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name in ["one.txt", "two.txt"]:
            with z.open(name, "w", force_zip64=True) as f:
                f.write(f"content of {name}\n".encode() * 100)
    with zipfile.ZipFile(f"{out}/many.zip", "w") as z:
        for i in range(65537):
            z.writestr(f"{i:05d}", f"{i}")
    # The same as an old tool wrote it: no ZIP64 records, the 16-bit count wrapped to 1.
    with open(f"{out}/many.zip", "rb") as f:
        data = f.read()
    end64 = data.rfind(b"PK\x06\x06")
    size, offset = struct.unpack_from("<QQ", data, end64 + 40)
    with open(f"{out}/wrapped.zip", "wb") as f:
        f.write(data[:end64] + struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 1, 1, size, offset, 0))
    # A ZIP64 end record for three entries that claims 2^31 - 1: zipfile writes one when the
    # entry count passes its limit, here lowered for the purpose. The plain end record says
    # 0xFFFFFFFF for the directory's size and offset, as it does past 4 GiB.
    limit = zipfile.ZIP_FILECOUNT_LIMIT
    zipfile.ZIP_FILECOUNT_LIMIT = 2
    try:
        with zipfile.ZipFile(f"{out}/lying-zip64.zip", "w") as z:
            for i in range(3):
                z.writestr(f"e{i}.txt", f"entry {i}")
    finally:
        zipfile.ZIP_FILECOUNT_LIMIT = limit
    with open(f"{out}/lying-zip64.zip", "r+b") as f:
        data = bytearray(f.read())
        end64 = data.rfind(b"PK\x06\x06")
        struct.pack_into("<QQ", data, end64 + 24, 0x7FFFFFFF, 0x7FFFFFFF)
        struct.pack_into("<II", data, data.rfind(b"PK\x05\x06") + 12, 0xFFFFFFFF, 0xFFFFFFFF)
        f.seek(0)
        f.write(data)


def make_huge_entry(out, file_name="huge-entry.zip", huge=5 << 30):
    """By hand: an entry whose ZIP64 sizes claim 5 GiB, between two ordinary ones."""
    body, central = b"", b""
    for name, data, claimed in [(b"before.txt", b"before", None), (b"huge.bin", b"x" * 10, huge),
                                (b"after.txt", b"after", None)]:
        crc = zipfile.crc32(data)
        offset = len(body)
        if claimed is None:
            local_extra = central_extra = b""
            sizes = struct.pack("<II", len(data), len(data))
        else:
            local_extra = struct.pack("<HHQQ", 1, 16, claimed, len(data))
            central_extra = struct.pack("<HHQQ", 1, 16, claimed, len(data))
            sizes = struct.pack("<II", 0xFFFFFFFF, 0xFFFFFFFF)
        body += struct.pack("<IHHHHHI", 0x04034b50, 45, 0, 0, 0x6A5D, 0x5143, crc) + sizes
        body += struct.pack("<HH", len(name), len(local_extra)) + name + local_extra + data
        central += struct.pack("<IHHHHHHI", 0x02014b50, 0x031E, 45, 0, 0, 0x6A5D, 0x5143, crc)
        central += sizes + struct.pack("<HHHHHII", len(name), len(central_extra), 0, 0, 0,
                                       0x81A40000, offset) + name + central_extra
    end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 3, 3, len(central), len(body), 0)
    with open(f"{out}/{file_name}", "wb") as f:
        f.write(body + central + end)


def passes_check_byte(path, password):
    """Whether the password passes the check byte of any entry of the archive."""
    with zipfile.ZipFile(path) as z, open(path, "rb") as f:
        for info in z.infolist():
            f.seek(info.header_offset)
            local = f.read(30)
            name_length, extra_length = struct.unpack_from("<HH", local, 26)
            f.seek(info.header_offset + 30 + name_length + extra_length)
            header = zipfile._ZipDecrypter(password)(f.read(12))
            check = info._raw_time >> 8 if info.flag_bits & 0x08 else info.CRC >> 24
            if header[11] == check:
                return True
    return False


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
    # Its encryption header is random, and one time in 256 the tests' wrong password
    # "Norla" would pass the check byte by chance: such an archive is made again.
    for _ in range(50):
        subprocess.run(["zip", "-q", "-P", "norla", f"{out}/secret.zip", "readme.txt", "big.txt"],
                       cwd=src, check=True)
        if not passes_check_byte(f"{out}/secret.zip", b"Norla"):
            break
        os.remove(f"{out}/secret.zip")

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
    # unzip reads past an end signature inside the comment; so must the reader.
    subprocess.run(["zip", "-q", "-z", f"{out}/comment.zip", "readme.txt", "big.txt"], cwd=src,
                   input=b"release notes PK\x05\x06 and PK\x06\x07 more\n", check=True)

    make_odd_time(out)
    make_utf8_names(out)
    make_zip64(out)
    make_huge_entry(out)
    make_huge_entry(out, "overflow.zip", (1 << 64) - 1)


if __name__ == "__main__":
    main()
