#!/usr/bin/env bash
# Reads the links that test_shortcut wrote with lnkinfo (liblnk), which knows nothing of the
# Windows shell, and compares every field: shortcut_lnkinfo.sh LINKS_FOLDER
set -u
dir=$1
win="Z:$(printf '%s' "$dir" | tr / '\\')\\"
failures=0

field() {   # field LINK NAME: the value of "NAME : value", or <absent>
    lnkinfo "$dir/$1" | awk -F'\t: ' -v name="$2" '
        { key = $1; sub(/^\t+/, "", key); sub(/[\t ]+$/, "", key) }
        key == name { print $2; found = 1; exit }
        END { if (!found) print "<absent>" }'
}
expect() {  # expect LINK NAME VALUE
    local got
    got=$(field "$1" "$2")
    if [ "$got" != "$3" ]; then
        echo "FAIL: $1: $2 is '$got', expected '$3'"
        failures=$((failures + 1))
    fi
}

expect full.lnk "Local path" "${win}Norla Kesto.exe"
expect full.lnk "Command line arguments" '-project "a b"'
expect full.lnk "Description" "Norla Kesto 2.0"
expect full.lnk "Working directory" "$win"
expect full.lnk "Icon location" "${win}kesto.ico"
expect full.lnk "Icon index" "2"
# Written with SW_SHOWNORMAL; Wine stores 0 whatever SetShowCmd was given (Windows: 1).
expect full.lnk "Show Window value" "0x00000000"

# Empty texts leave their fields out; the empty arguments are stored all the same.
expect bare.lnk "Local path" "${win}Norla Kesto.exe"
expect bare.lnk "Command line arguments" ""
expect bare.lnk "Description" "<absent>"
expect bare.lnk "Working directory" "<absent>"
expect bare.lnk "Icon location" "<absent>"
expect bare.lnk "Icon index" "0"

[ $failures -eq 0 ] && echo "lnkinfo agrees on every field"
exit $((failures > 0))
