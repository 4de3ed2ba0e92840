#!/usr/bin/env python3
"""Re-encodes a DER ECDSA signature in place into a form only a lax parser takes:
    der_variant.py padded|dropped SIG
padded: a superfluous zero before an r or s of 32 bytes; dropped: the zero before one of 33
bytes left out. Exit status 3 when the signature has no such number (sign again)."""
import sys

kind, path = sys.argv[1:]
der = open(path, "rb").read()
numbers, at = [], 2
while at < len(der):
    numbers.append(der[at + 2:at + 2 + der[at + 1]])
    at += 2 + der[at + 1]
for i, n in enumerate(numbers):
    if kind == "padded" and len(n) == 32 or kind == "dropped" and len(n) == 33:
        numbers[i] = b"\0" + n if kind == "padded" else n[1:]
        break
else:
    sys.exit(3)
body = b"".join(b"\x02" + bytes([len(n)]) + n for n in numbers)
open(path, "wb").write(b"\x30" + bytes([len(body)]) + body)
