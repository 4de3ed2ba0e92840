#!/usr/bin/python3
"""Makes the archives that the installation tests serve from the FTP server.

    make_archives.py OUTDIR FIXTUREDIR

FIXTUREDIR holds the stand-ins built by tests/support/fixtures (Norla2024.exe, Elevate.dll,
"Norla Kesto.exe", kesto.ico). Info-ZIP zip packs file trees (and keeps a name's bytes as
they are, as DOS tools stored umlauts), 7-Zip marks UTF-8 names with flag bit 11, Python's
zipfile writes names that no file system tree would give.
"""
import os
import shutil
import subprocess
import sys
import zipfile

FIXTURES = ["Norla2024.exe", "Elevate.dll", "Norla Kesto.exe", "kesto.ico"]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def product_tree(root, fixtures, leave_out=()):
    """The product as its maker packs it: everything under one top folder."""
    shutil.rmtree(root, ignore_errors=True)
    top = os.path.join(root, "Norla")
    for name in FIXTURES:
        if name not in leave_out:
            os.makedirs(top, exist_ok=True)
            shutil.copy(os.path.join(fixtures, name), os.path.join(top, name))
    write(f"{top}/readme.txt", b"Norla Veltro 2024\r\n")
    write(f"{top}/.norla/colors.cfg", b"background=white\r\n")
    write(f"{top}/.norla/settings.ini", b"[norla]\r\nunits=mm\r\n")
    write(f"{top}/.norla/profiles/default.txt", b"not copied: one level only\r\n")


def zip_tree(archive, root, *options):
    subprocess.run(["zip", "-q", "-r", *options, archive, "."], cwd=root, check=True)


def main():
    out = os.path.abspath(sys.argv[1])
    fixtures = os.path.abspath(sys.argv[2])
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    work = os.path.join(out, "work")

    product_tree(work, fixtures)
    zip_tree(f"{out}/product.zip", work)
    product_tree(work, fixtures, leave_out=("Norla2024.exe",))
    zip_tree(f"{out}/nosetup.zip", work)

    with zipfile.ZipFile(f"{out}/three.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name in ["p/a.txt", "p/b.txt", "p/c.txt"]:
            z.writestr(name, f"content of {name}\n")

    # A ZIP64 end record that claims 2^31 - 1 entries for three: zipfile writes one when
    # the entry count passes its limit, here lowered for the purpose.
    limit = zipfile.ZIP_FILECOUNT_LIMIT
    zipfile.ZIP_FILECOUNT_LIMIT = 2
    try:
        with zipfile.ZipFile(f"{out}/lying.zip", "w") as z:
            for name in ["p/a.txt", "p/b.txt", "p/c.txt"]:
                z.writestr(name, f"content of {name}\n")
    finally:
        zipfile.ZIP_FILECOUNT_LIMIT = limit
    data = bytearray(open(f"{out}/lying.zip", "rb").read())
    end64 = data.rindex(b"PK\x06\x06")
    data[end64 + 24:end64 + 40] = (0x7FFFFFFF).to_bytes(8, "little") * 2
    open(f"{out}/lying.zip", "wb").write(data)

    with zipfile.ZipFile(f"{out}/paths.zip", "w", zipfile.ZIP_DEFLATED) as z:
        z.mkdir("Setup/")
        z.writestr("Setup/bin/a.dll", b"a.dll")
        z.writestr("readme.txt", b"readme")
        z.writestr("a\\b.txt", b"backslashes only")
        z.writestr("one/x.txt", b"from one")
        z.writestr("two/x.txt", b"from two")
        z.mkdir("Setup/docs/")

    # Names as DOS tools stored them: code page 437/850 bytes, no UTF-8 flag.
    shutil.rmtree(work)
    os.makedirs(os.path.join(work, "Setup").encode())
    write(b"%s/Setup/\x84\x94\x81\x8e\x99\x9a\xe1.txt" % work.encode(), b"umlauts")
    write(b"%s/Setup/Gr\x81\xe1e/Gr\x81n.txt" % work.encode(), b"in a folder")
    zip_tree(f"{out}/dos.zip", work)

    # A UTF-8 name whose bytes hold DOS table bytes both before (0x84) and after its
    # conversion to Windows-1252 (0xE1).
    shutil.rmtree(work)
    write(f"{work}/Setup/Ä-á.txt", b"utf-8 name")
    subprocess.run(["7z", "a", "-tzip", "-bd", "-bso0", f"{out}/utf8.zip", "Setup"], cwd=work,
                   check=True)

    # Five entries, the middle one packed with bzip2, which the reader does not support.
    with zipfile.ZipFile(f"{out}/bzip2.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for i, name in enumerate(["a.txt", "b.txt", "c.txt", "d.txt", "e.txt"]):
            z.writestr(f"p/{name}", f"content of {name}\n",
                       zipfile.ZIP_BZIP2 if i == 2 else zipfile.ZIP_DEFLATED)

    # More entries than the bar has pixels.
    with zipfile.ZipFile(f"{out}/many.zip", "w") as z:
        for i in range(1500):
            z.writestr(f"Norla/viele/{i:04}.txt", b"x")
    # An entry of 16 blocks of the reader's 64 KiB, and one after it.
    with zipfile.ZipFile(f"{out}/large.zip", "w") as z:
        z.writestr("Norla/big.bin", bytes(range(256)) * 4096)
        z.writestr("Norla/after.txt", b"after")
    # For a 4 MiB volume: 6 MiB that pack small, and 6 MiB stored as they are.
    with zipfile.ZipFile(f"{out}/roomy.zip", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("Norla/zeros.bin", bytes(6 << 20))
    with zipfile.ZipFile(f"{out}/bulky.zip", "w") as z:
        z.writestr("Norla/random.bin", os.urandom(6 << 20))
    with zipfile.ZipFile(f"{out}/empty.zip", "w"):
        pass

    with open(f"{out}/notzip.zip", "wb") as f:
        f.write(b"PK this is not an archive\n" * 10)

    # One entry whose target path would pass 259 characters, between two that fit.
    with zipfile.ZipFile(f"{out}/longname.zip", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("Setup/first.txt", b"first")
        z.writestr("Setup/" + "d" * 120 + "/" + "f" * 110 + ".txt", b"too long")
        z.writestr("Setup/last.txt", b"last")

    shutil.rmtree(work)


if __name__ == "__main__":
    main()
