# What scripts/test, scripts/demo and the benchmarks share: the build, the test FTP server,
# a private X display and the clean-up at exit. Sourced after setting top (the source
# folder); sourcing only defines functions and variables.
. "$top/scripts/test-build.sh"

# NORLA_FTP_PORT lets two runs on one machine coexist.
ftp_port=${NORLA_FTP_PORT:-2121}
ftp_root=/tmp/norla-ftp-$ftp_port
jobs=$(nproc 2>/dev/null || echo 2)
started_pids=()   # what cleanup_on_exit stops: only what this script started
cleanup_prefix=
cleanup_command=

die() { echo "${0##*/}: $*" >&2; exit 1; }

# Installs what is missing and chooses the test build (test_build, toolchain, wineserver).
set_up() {
    "$top/scripts/setup"
    choose_test_build "$top"
}

cleanup_on_exit() {   # cleanup_on_exit WINEPREFIX [COMMAND]: what runs when the script ends
    cleanup_prefix=$1 cleanup_command=${2:-}
    trap stop_started EXIT
    trap 'echo "${0##*/}: interrupted" >&2; exit 130' INT
    trap 'exit 143' TERM
}
stop_started() {
    local pid
    for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    # The Wine processes of this script's own prefix, not those of other runs.
    [ -z "$cleanup_prefix" ] || WINEPREFIX="$cleanup_prefix" "$wineserver" -k 2>/dev/null || true
    eval "$cleanup_command"
    return 0
}

configure_and_build() {   # configure_and_build DIR [CMAKE ARGS...] [-- TARGETS...]
    local dir=$1 args=() targets=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
    [ $# -eq 0 ] || shift
    for target; do targets+=(--target "$target"); done
    mkdir -p "$dir"
    (cd "$top" && cmake -S "$top" -B "$dir" "${args[@]}") >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; die "configuring $dir failed (log: $dir.configure.log)"; }
    cmake --build "$dir" -j "$jobs" "${targets[@]}" >"$dir.build.log" 2>&1 ||
        { grep -v '^\[' "$dir.build.log" | tail -60 >&2; die "building $dir failed (log: $dir.build.log)"; }
}
build_for_tests() {   # build_for_tests [TARGETS...]: the test build, for the server on ftp_port
    configure_and_build "$test_build" --preset test -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DNORLA_FTP_PORT="$ftp_port" -- "$@"
}

start_ftp_server() {   # start_ftp_server PORT ROOT LOG: serves ROOT/home on 127.0.0.1:PORT
    local port=$1 root=$2 log=$3 pid
    /usr/bin/python3 "$top/tests/support/ftp_server.py" --port "$port" --root "$root" >"$log" 2>&1 &
    pid=$!
    started_pids+=("$pid")
    # Its own log line, not ROOT/state: another server on the same port writes that file too.
    for _ in $(seq 200); do
        grep -q '^ftp_server: serving' "$log" 2>/dev/null && kill -0 "$pid" 2>/dev/null && return
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$log" >&2
    die "the FTP server did not start on port $port (log: $log)"
}

start_xvfb() {   # start_xvfb: a free X display of our own, in DISPLAY
    local display
    exec 7< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
    started_pids+=("$!")
    read -r -t 20 display <&7 || die "Xvfb did not start"
    export DISPLAY=":$display"
}
