#!/usr/bin/env bash
# Starts NorlaInstaller.exe under Wine and checks the page chain as a user sees it:
#   pages.sh WINE_RUN PREFIX EXE
set -u
wine_run=$1 prefix=$2 exe=$3
info="Installation Norla Veltro 2024 - Informationen"
[ -n "${DISPLAY:-}" ] || { echo "FAIL: needs an X display (DISPLAY)"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_visible() {   # wait_visible TITLE SECONDS
    local deadline=$((SECONDS + $2))
    until visible "$1"; do
        [ $SECONDS -ge $deadline ] && return 1
        [ -n "${app:-}" ] && ! kill -0 "$app" 2>/dev/null && return 1
        sleep 0.1
    done
}
# Milliseconds until process $1 ends, or empty after $2 seconds.
ms_until_exit() {
    local start now
    start=$(date +%s%N)
    while kill -0 "$1" 2>/dev/null; do
        now=$(date +%s%N)
        [ $(((now - start) / 1000000)) -ge $(($2 * 1000)) ] && return 1
        sleep 0.05
    done
    now=$(date +%s%N)
    echo $(((now - start) / 1000000))
}
start_installer() {
    "$wine_run" "$prefix" "$exe" &
    app=$!
    # The first start in a fresh prefix also initialises Wine.
    wait_visible "$info" 120 || { fail "information page did not appear"; kill $app 2>/dev/null; exit 1; }
    sleep 0.5
}

echo "== Escape on the information page ends the program"
start_installer
visible "Lizenz" && fail "licence page shown before Weiter"
xdotool key Escape
if ms=$(ms_until_exit $app 10); then
    echo "process ended ${ms} ms after Escape"
    [ "$ms" -le 2000 ] || fail "process took ${ms} ms to end (limit 2000)"
else
    fail "process still running 10 s after Escape"; kill $app
fi

echo "== Enter shows the licence page; Escape there ends the whole program"
start_installer
xdotool key Return
wait_visible "Lizenzbestimmungen" 10 || fail "licence page did not appear after Enter"
# The X server learns of the hidden page a moment after the licence page is mapped.
for _ in $(seq 20); do visible "$info" || break; sleep 0.1; done
visible "$info" && fail "information page still visible behind the licence page"
kill -0 $app 2>/dev/null || fail "program ended after Enter"
xdotool key Escape
if ms=$(ms_until_exit $app 10); then
    echo "process ended ${ms} ms after Escape on the licence page"
else
    fail "process still running 10 s after Escape on the licence page"; kill $app
fi

[ $failures -eq 0 ] && echo "e2e_pages: all checks passed"
exit $((failures > 0))
