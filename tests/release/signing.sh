#!/usr/bin/env bash
# Authenticode: the build's signing step signs with a certificate made here and now; the
# signature verifies against it, check-exe names the signer, and a byte changed after
# signing makes the verification fail. Nothing here reaches a timestamp server.
#   signing.sh EXE WORKDIR KEYED_EXE KEY.pem   (check-exe names the key KEYED_EXE was built with)
set -euo pipefail
exe=$1 work=$2 keyed=$3 key=$4
top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -keyout key.pem -out cert.pem \
    -subj "/CN=Norla Test Signing/O=Norla Test" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:geheim
machine=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); print("amd64" if struct.unpack_from("<H",d,struct.unpack_from("<I",d,0x3C)[0]+4)[0]==0x8664 else "i386")' "$exe")

cp "$exe" unsigned.exe
"$top/scripts/check-exe" unsigned.exe --machine "$machine" | grep -q 'not signed' || fail "check-exe: unsigned exe not reported as unsigned"
cp "$exe" signed.exe
NORLA_SIGN_PKCS12=cert.p12 "$top/cmake/sign-exe" signed.exe 2>/dev/null && fail "signed without the password"
cmp -s "$exe" signed.exe || fail "a failed signing changed the program"
NORLA_SIGN_PKCS12=cert.p12 NORLA_SIGN_PASSWORD=geheim "$top/cmake/sign-exe" signed.exe
osslsigncode verify -CAfile cert.pem -in signed.exe >verify.log 2>&1 || { cat verify.log; fail "signature does not verify"; }
report=$("$top/scripts/check-exe" signed.exe --machine "$machine")
echo "$report"
grep -q 'signed by CN=Norla Test Signing' <<<"$report" || fail "check-exe does not name the signer"

# One byte of code changed after signing.
cp signed.exe tampered.exe
python3 - tampered.exe <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
data[0x1000] ^= 0x01
open(path, "wb").write(data)
PY
osslsigncode verify -CAfile cert.pem -in tampered.exe >tampered.log 2>&1 && fail "a tampered program verifies"
hash=$(openssl ec -in "$key" -pubout -outform DER 2>/dev/null | tail -c 65 | sha256sum | cut -d' ' -f1)
"$top/scripts/check-exe" "$exe" --machine "$machine" --release | grep -q ', no release key,' || fail "key in $exe"
"$top/scripts/check-exe" "$keyed" --machine "$machine" --release | grep -q ", release key SHA-256 $hash," || fail "no $hash"
echo "release_signing: signed, verified, tampering found"
