#!/usr/bin/env python3
"""Assembles a Windows .ico from palettised BMPs and 8-bit masks.

usage: make-icon.py OUT.ico  BMP MASK BPP  [BMP MASK BPP ...]

BMP is an uncompressed 1/4/8-bit BMP as written by ImageMagick (BMP3:), MASK the raw
8-bit alpha of the same image (0 = transparent), BPP the colour depth stored in the icon
(4 or 8). ImageMagick's own ICO writer only produces 32-bit images, which the old
16- and 256-colour slots of the icon cannot use.
"""
import struct
import sys


def read_palettised_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        sys.exit(f"{path}: not a BMP")
    off_bits = struct.unpack_from("<I", data, 10)[0]
    hdr_size, width, height, _planes, bpp, compression, _size, _xr, _yr, clr_used = \
        struct.unpack_from("<IiiHHIIiiI", data, 14)
    if compression != 0 or bpp not in (1, 4, 8):
        sys.exit(f"{path}: need an uncompressed palettised BMP, got {bpp} bpp, compression {compression}")
    ncolours = clr_used or (1 << bpp)
    pal_at = 14 + hdr_size
    palette = [tuple(data[pal_at + 4 * i: pal_at + 4 * i + 3]) for i in range(ncolours)]  # (b, g, r)
    stride = (width * bpp + 31) // 32 * 4
    bottom_up = height > 0
    height = abs(height)
    per_byte = 8 // bpp
    rows = []
    for y in range(height):
        src_row = (height - 1 - y) if bottom_up else y
        row = data[off_bits + src_row * stride: off_bits + (src_row + 1) * stride]
        indices = []
        for x in range(width):
            byte = row[x // per_byte]
            shift = 8 - bpp * (x % per_byte + 1)
            indices.append((byte >> shift) & ((1 << bpp) - 1))
        rows.append(indices)  # top row first
    return width, height, palette, rows


def pack_rows(rows, bpp):
    """Packs top-first rows of indices into bottom-up DIB rows padded to 32 bits."""
    out = bytearray()
    for indices in reversed(rows):
        bits = bytearray()
        acc, nbits = 0, 0
        for v in indices:
            acc = (acc << bpp) | v
            nbits += bpp
            if nbits == 8:
                bits.append(acc)
                acc, nbits = 0, 0
        if nbits:
            bits.append(acc << (8 - nbits))
        bits.extend(b"\0" * (-len(bits) % 4))
        out += bits
    return bytes(out)


def icon_image(bmp_path, mask_path, bpp):
    width, height, palette, rows = read_palettised_bmp(bmp_path)
    mask = open(mask_path, "rb").read()
    if len(mask) != width * height:
        sys.exit(f"{mask_path}: expected {width * height} bytes of mask for {width}x{height}")
    if width > 256 or height > 256 or width != height:
        sys.exit(f"{bmp_path}: icon images must be square, at most 256 px")
    # Transparent pixels must be black in the colour bitmap, or Windows XORs them into
    # the background.
    palette = list(palette)
    if (0, 0, 0) in palette:
        black = palette.index((0, 0, 0))
    else:
        black = len(palette)
        palette.append((0, 0, 0))
    if len(palette) > (1 << bpp):
        sys.exit(f"{bmp_path}: {len(palette)} colours (with black) do not fit {bpp} bpp")
    if max(max(r) for r in rows) >= len(palette):
        sys.exit(f"{bmp_path}: pixel index outside the palette")
    transparent = [[mask[y * width + x] < 128 for x in range(width)] for y in range(height)]
    xor_rows = [[black if transparent[y][x] else rows[y][x] for x in range(width)] for y in range(height)]
    and_rows = [[1 if t else 0 for t in row] for row in transparent]

    xor_bits = pack_rows(xor_rows, bpp)
    and_bits = pack_rows(and_rows, 1)
    full_palette = palette + [(0, 0, 0)] * ((1 << bpp) - len(palette))
    # The height covers colour bitmap and mask together.
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bpp, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    pal_bytes = b"".join(bytes((b, g, r, 0)) for b, g, r in full_palette)
    return width, height, bpp, header + pal_bytes + xor_bits + and_bits


def main(argv):
    if len(argv) < 5 or (len(argv) - 2) % 3:
        sys.exit(__doc__)
    out = argv[1]
    images = [icon_image(argv[i], argv[i + 1], int(argv[i + 2])) for i in range(2, len(argv), 3)]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    blobs = b""
    for width, height, bpp, blob in images:
        colour_count = (1 << bpp) if bpp < 8 else 0
        directory += struct.pack("<BBBBHHII", width % 256, height % 256, colour_count, 0,
                                 1, bpp, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(out, "wb") as f:
        f.write(directory + blobs)


if __name__ == "__main__":
    main(sys.argv)
