#!/usr/bin/env bash
# End-to-end runs of the shipped installer against the FTP server of scripts/test, worked
# from another process by e2e_driver the way a person would.
#   e2e.sh RUN
# Environment (set by tests/e2e/CMakeLists.txt): WINE_RUN, PREFIX, EXE, DRIVER, FTP_ROOT,
# OUT (screenshots and logs of this run), FIXTURES (programs that go into the product archive).
set -u
run=$1
out="$OUT/$run"
rm -rf "$out"
mkdir -p "$out"
[ -n "${DISPLAY:-}" ] || { echo "FAIL: needs an X display (DISPLAY)"; exit 1; }
[ "$(cat "$FTP_ROOT/state" 2>/dev/null)" = listening ] || [ "$(cat "$FTP_ROOT/state" 2>/dev/null)" = closed ] ||
    { echo "FAIL: the FTP server of scripts/test is not running ($FTP_ROOT)"; exit 1; }

finish() {
    stop_installer
    [ $failures -eq 0 ] && echo "e2e $run: all checks passed (screenshots in $out)"
    exit $((failures > 0))
}
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/runs.sh"
find_install_log
"run_$run"
finish
