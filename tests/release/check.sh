#!/usr/bin/env bash
# scripts/check-release on the demo's server folder and on copies of it made wrong on purpose:
# each copy is refused with exactly the lines that name its problems; sign-release signs the
# archive the installer downloads.
#   check.sh CHECK_RELEASE_EXE WINEPREFIX SETUP_EXE WORKDIR
set -euo pipefail
export NORLA_RELEASE_TOOL=$1 NORLA_RELEASE_PREFIX=$2
setup_exe=$3 work=$4
top=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for key in vendor other; do
    openssl ecparam -name prime256v1 -genkey -noout -out $key.pem
    openssl ec -in $key.pem -pubout -out $key.pub 2>/dev/null
done
"$top/scripts/demo-product" demo "$setup_exe"
zip=norla_veltro_2024.zip

# rezip [-PREFIX] [+NAME]...: drops the entries whose names start with PREFIX, adds NAME
# (stored, holding "Beispiel" and CR LF).
rezip() {
    python3 - "$zip" "$@" <<'PY'
import sys, zipfile
path, changes = sys.argv[1], sys.argv[2:]
with zipfile.ZipFile(path) as old:
    kept = [(i, old.read(i)) for i in old.infolist()
            if not any(c[0] == "-" and i.filename.startswith(c[1:]) for c in changes)]
with zipfile.ZipFile(path, "w") as new:
    for info, data in kept:
        new.writestr(info, data)
    for c in changes:
        if c[0] == "+":
            new.writestr(c[1:], "Beispiel\r\n", zipfile.ZIP_STORED)
PY
}
# One byte of the stored text changed: the entry's CRC no longer matches.
damage() { python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); open(sys.argv[1],"wb").write(d.replace(b"Beispiel\r\n", b"Beispiel!\n"))' $zip; }
sign() { "$top/scripts/sign-release" . "$work/$1.pem" "${@:2}" >/dev/null; }
sig=norlainstaller.ini.sig
# Signed again until r can be encoded the lax way, then so: a superfluous or a missing zero.
lax_der() { until python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); r=d[4:4+d[3]]; pad=sys.argv[2]=="padded"; assert len(r)==32+(not pad); r=b"\0"+r if pad else r[1:]; b=b"\2"+bytes([len(r)])+r+d[4+d[3]:]; open(sys.argv[1],"wb").write(b"\x30"+bytes([len(b)])+b)' $sig $1 2>/dev/null; do sign vendor; done; }
flip_last_byte() { python3 -c 'import sys; d=bytearray(open(sys.argv[1],"rb").read()); d[-1]^=1; open(sys.argv[1],"wb").write(d)' "$1"; }
licence() {   # licence COUNTxLENGTH...: COUNT lines of LENGTH characters, each ending in CR LF
    : >license.txt
    for block; do
        python3 -c 'import sys; n, l = map(int, sys.argv[1].split("x")); sys.stdout.buffer.write((b"x" * l + b"\r\n") * n)' "$block" >>license.txt
    done
}
chars() { printf "$1%.0s" $(seq "$2"); }
# In "C:\Norla024_install\" in place of "Setup": a path of 259 characters, and one of 260.
longest="Setup/Beispiele/$(chars b 228)" too_long="Setup/Beispiele/$(chars c 229)"

# name | what is done to a copy of the demo folder | options | the lines expected, as
# extended regular expressions separated by ";" (none: the folder passes)
cases=(
    "demo folder      | :                                          |       |"
    "at the limits    | rezip +$longest; licence 1x4096 9999x0     |       |"
    "signed           | sign vendor                                | --key |"
    "listed in capitals | mv $zip NORLA_Veltro_2024.zip; sign vendor | --key |"
    "two spellings    | sign vendor; for n in NORLA_veltro_2024.zip Norla_Veltro_2024.zip norla_veltro_2024.ZIP; do echo kein Archiv >\$n; done | --key |"
    "no descriptor    | rm norlainstaller.ini                      |       | ^norlainstaller.ini: missing$"
    "program named    | printf 'Setup.EXE\r\n' >norlainstaller.ini |       | ^norlainstaller.ini: .*\"setup.exe\""
    "no archive       | rm $zip                                    |       | ^$zip: missing"
    "not a zip        | echo kein Archiv >$zip                     |       | ^$zip: not a zip archive"
    "no setup program | rezip -Setup/Norla2024.exe                 |       | ^$zip: no Norla2024.exe in the installation directory"
    "no settings      | rezip -Setup/.norla/                       |       | ^$zip: no .norla folder in the installation directory"
    "device name      | rezip +Setup/con.txt                       |       | ^$zip: Setup/con.txt: .*device name"
    "300 characters   | rezip +Setup/$(chars a 290).txt            |       | ^$zip: Setup/a{200,}.*: the name has 300 characters"
    "path too long    | rezip +$too_long                           |       | ^$zip: Setup/Beispiele/c{229}: its path in .* has 260 characters"
    "not in cp1252    | rezip +Setup/Ω.txt                         |       | ^$zip: Setup/\\\\xCE\\\\xA9.txt: .*Windows-1252"
    "damaged data     | rezip +Setup/daten.txt; damage             |       | ^$zip: Setup/daten.txt: cannot be unpacked"
    "several problems | rezip -Setup/Norla2024.exe +Setup/aux.h; rm license.txt | | Norla2024.exe;Setup/aux.h: .*device;^license.txt: missing"
    "no signature     | :                                          | --key | ^$sig: missing$"
    "flipped bit      | sign vendor; flip_last_byte $sig           | --key | ^$sig: does not verify"
    "padded DER       | sign vendor; lax_der padded                | --key | ^$sig: does not verify"
    "dropped DER zero | sign vendor; lax_der dropped               | --key | ^$sig: does not verify"
    "other key        | sign other                                 | --key | ^$sig: does not verify"
    "line changed     | sign vendor --release 5; sed -i s/^release=5/release=6/ norlainstaller.ini | --key | ^$sig: does not verify"
    "no fields        | sign vendor; printf '$zip\\r\\n' >norlainstaller.ini; openssl dgst -sha256 -sign $work/vendor.pem -out $sig norlainstaller.ini | --key | ^norlainstaller.ini: needs release="
    "release 5 of 5   | sign vendor --release 5                    | --key --min-release 5 |"
    "older release    | sign vendor --release 4                    | --key --min-release 5 | ^norlainstaller.ini: release 4 is older than the oldest the installer takes \\(5\\)$"
    "other archive    | sign vendor; rezip +Setup/neu.txt          | --key | ^$zip: [0-9]+ bytes, the descriptor says [0-9]+$"
    "longer archive   | sign vendor; echo x >>$zip                 | --key | ^$zip: [0-9]+ bytes, the descriptor says"
    "same size        | rezip +Setup/daten.txt; sign vendor; damage | --key | ^$zip: Setup/daten.txt: cannot be unpacked;^$zip: its SHA-256 is not the descriptor's sha256$"
    "licence changed  | sign vendor; sed -i s/Lizenz/Lizens/ license.txt | --key | ^license.txt: its SHA-256 is not the descriptor's license-sha256$"
    "10 MB signature  | head -c 10000000 /dev/zero >$sig           | --key | ^$sig: larger than 1024 bytes$"
    "long line        | licence 1x4 1x4097                         |       | ^license.txt: line 2 has 4097 characters, more than 4096"
    "too many lines   | licence 10001x4                            |       | ^license.txt: 10001 lines, more than 10000"
)

for row in "${cases[@]}"; do
    IFS='|' read -r name change options expected <<<"$row"
    name=$(echo $name) options=$(echo $options) expected=$(echo "$expected" | sed 's/^ *//; s/ *$//')
    rm -rf copy && cp -r demo copy
    (cd copy && eval "$change") || { fail "$name: could not prepare the folder"; continue; }
    options=${options/--key/--key $work/vendor.pub}
    status=0
    output=$("$top/scripts/check-release" copy $options 2>/dev/null) || status=$?
    echo "$name: status $status${output:+$'\n'}$output"
    patterns=()
    [ -z "$expected" ] || IFS=';' read -ra patterns <<<"$expected"
    if [ ${#patterns[@]} -eq 0 ]; then
        [ $status -eq 0 ] && [ -z "$output" ] || fail "$name: refused (status $status): $output"
        continue
    fi
    [ $status -eq 1 ] || fail "$name: status $status, not 1"
    [ "$(grep -c . <<<"$output")" -eq ${#patterns[@]} ] ||
        fail "$name: ${#patterns[@]} line(s) expected, got: $output"
    for pattern in "${patterns[@]}"; do
        grep -Eq "$pattern" <<<"$output" || fail "$name: no line matches /$pattern/ in: $output"
    done
done

[ $failures -eq 0 ] || { echo "release_check: $failures failure(s)" >&2; exit 1; }
echo "release_check: ${#cases[@]} folders checked"
