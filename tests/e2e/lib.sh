# Working the installer from outside: its window titles and control ids, the driver, the
# FTP server's folder and control file, the install log, screenshots. Sourced by e2e.sh and
# scripts/demo, which set WINE_RUN, PREFIX, EXE, DRIVER, FTP_ROOT and out (a folder), then
# call find_install_log; sourcing itself runs nothing.

INFO="Installation Norla Veltro 2024 - Informationen"
LICENCE="Installation Norla Veltro 2024 - Lizenzbestimmungen"
LICENCE_TEMPLATE="Installation Norla Kesto 2.0 - Lizenzbestimmungen"
DIR="Installation Norla Veltro 2024 - Installationsverzeichnis auswählen"
PROGRESS="Norla Veltro wird heruntergeladen und entpackt - bitte warten..."
NO_CONNECTION="Verbindung zum FTP-Server konnte nicht hergestellt werden."
INVALID_DIR="Bitte geben Sie ein gültiges Installationsverzeichnis an (zum Beispiel C:\\Norla024_install\\)."
# Control ids of the pages.
IDOK=1 IDCANCEL=2 START=1000 EDIT=1001 BROWSE=1002 LIST=1003 ACCEPT=1004 DESKTOP=1006 STARTMENU=1007

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() {   # expect WHAT ACTUAL EXPECTED
    [ "$2" == "$3" ] || fail "$1: got [$2], expected [$3]"
}

# Texts go to the driver in UTF-8, which Wine turns into the Windows code page, and come
# back in the Windows code page.
from_1252() { iconv -f CP1252 -t UTF-8; }
drive() {   # drive COMMAND ARGS...
    LC_ALL=C.UTF-8 "$WINE_RUN" "$PREFIX" "$DRIVER" "$@" | from_1252
    return "${PIPESTATUS[0]}"
}

shots=0
shot() {   # shot NAME: the whole screen, as the user sees it now
    shots=$((shots + 1))
    sleep 0.5
    import -window root "$out/$(printf %02d $shots)-$1.png" 2>/dev/null || fail "screenshot $1"
}

# The FTP server: what it serves and how it behaves from the next connection on.
ftp_home="$FTP_ROOT/home"
ftp_reset() {   # ftp_reset [JSON FIELDS], e.g. '"refuse_login": true' or '"listening": false'
    find "$ftp_home" -mindepth 1 -delete 2>/dev/null
    mkdir -p "$ftp_home"
    rm -f "$FTP_ROOT/commands.log"
    printf '{%s}' "${1:-}" >"$FTP_ROOT/control.json.new"
    mv "$FTP_ROOT/control.json.new" "$FTP_ROOT/control.json"
    local want=listening
    [[ ${1:-} == *'"listening": false'* ]] && want=closed
    for _ in $(seq 100); do
        [ "$(cat "$FTP_ROOT/state" 2>/dev/null)" = $want ] && return
        sleep 0.05
    done
    fail "FTP server did not become $want"
}
ftp_behave() {   # ftp_behave [JSON FIELDS]: new behaviour, same files
    printf '{%s}' "${1:-}" >"$FTP_ROOT/control.json.new"
    mv "$FTP_ROOT/control.json.new" "$FTP_ROOT/control.json"
}
received() { grep -q "^$1" "$FTP_ROOT/commands.log" 2>/dev/null; }

# The install log in the prefix's temporary folder: lines added during this run.
# find_install_log asks the driver under Wine, which first sets up a fresh prefix.
tempdir= log_file=
find_install_log() {
    # Wine may print notes of its own on the same output: keep the path line only.
    tempdir=$("$WINE_RUN" "$PREFIX" "$DRIVER" tempdir | tr -d '\r' | grep -E '^[A-Za-z]:\\' | tail -1)
    [ -n "$tempdir" ] || fail "the driver did not name the temporary folder"
    log_file="$(unix_path "$tempdir")norla_inst_log.txt"
}
unix_path() {   # a Windows path of the prefix as a Unix path
    local p=${1//\\//}
    case $p in
        [Cc]:/*) echo "$PREFIX/drive_c/${p:3}" ;;
        [Zz]:/*) echo "/${p:3}" ;;
        *) echo "$p" ;;
    esac
}
log_mark() { log_start=$(stat -c %s "$log_file" 2>/dev/null || echo 0); }
log_new() { drive log "$log_start"; }   # the messages written since log_mark

app=
start_installer() {
    log_mark
    local attempt started
    for attempt in 1 2; do
        "$WINE_RUN" "$PREFIX" "$EXE" >"$out/installer.out" 2>&1 &
        app=$!
        started=$SECONDS
        # The first start in a fresh prefix also initialises Wine.
        drive wait "$INFO" 120 && return
        # A wait that fails at once is Wine not starting a program while the last one's
        # processes wind down, not the installer: once more.
        [ $((SECONDS - started)) -lt 5 ] || break
        stop_installer
        echo "note: Wine did not start the programs (attempt $attempt)"
        sleep 2
    done
    fail "information page did not appear"
    finish
}
stop_installer() {
    [ -n "$app" ] || return 0
    # $app is the wine-run shell; the installer is its child.
    pkill -P "$app" 2>/dev/null
    kill -0 "$app" 2>/dev/null && kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    app=
}
# appears FILE SECONDS: FILE exists within SECONDS (a started program writes it in its own time)
appears() { local i; for i in $(seq $((10 * $2))); do [ -e "$1" ] && return; sleep 0.1; done; return 1; }
ended() {   # ended SECONDS: the installer's process ends within SECONDS
    local deadline=$((SECONDS + $1))
    while kill -0 "$app" 2>/dev/null; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
    wait "$app" 2>/dev/null
    app_exit=$?   # the exit code's low byte: all a Unix parent sees
    app=
}

# Goes on from the information page. The licence page fetches its text (and shows any
# message about it) before it appears.
leave_information() {
    shot information
    drive click "$INFO" $IDOK
}
to_licence() {
    leave_information
    drive wait "$LICENCE" 30 || { fail "licence page did not appear"; finish; }
}
# Ticks the box and goes on to the directory page, whose handle goes into $dir: the disk
# object writes into the page's title while it creates the directory.
dir=
to_directory() {
    drive click "$LICENCE" $ACCEPT
    sleep 0.3
    drive click "$LICENCE" $IDOK
    dir=$(drive find "$DIR" 10) || { fail "directory page did not appear"; finish; }
}
# Waits for a message box, checks its text, photographs it and presses OK.
message_box() {   # message_box CAPTION TEXT NAME
    local seen
    seen=$(drive msgbox "$1" 60) || { fail "no message box \"$1\" (expected \"$2\")"; return 1; }
    expect "message box $3" "$seen" "$2"
    shot "$3"
    drive click "$1" $IDOK
    drive gone "$1" 10 || fail "message box $3 did not close"
}

