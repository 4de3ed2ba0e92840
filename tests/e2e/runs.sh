# The end-to-end runs, one function each; e2e.sh RUN calls run_RUN. Sourced by e2e.sh.

LICENCE_TEXT=$'Lizenzvertrag f\xfcr Norla Veltro 2024\r\n\r\n  1. Nutzung  \r\n\tNur f\xfcr Tests.\r\nEnde ohne Zeilenende'
LICENCE_ROWS=$'Lizenzvertrag für Norla Veltro 2024\n\n1. Nutzung\nNur für Tests.\nEnde ohne Zeilenende'

serve_licence() { printf '%s' "$LICENCE_TEXT" >"$ftp_home/license.txt"; }

# The licence page when the server is down: the message, then a page that only lets the
# user leave. A click on the disabled "Weiter" does nothing.
run_licence_server_down() {
    ftp_reset '"listening": false'
    start_installer
    leave_information
    message_box "Norla Kesto Installer" "$NO_CONNECTION" no-connection
    drive wait "$LICENCE" 10 || fail "licence page lost its run-time title"
    shot licence-without-server
    expect "licence rows" "$(drive rows "$LICENCE" $LIST)" ""
    expect "check box" "$(drive state "$LICENCE" $ACCEPT)" "disabled visible unchecked"
    expect "Weiter" "$(drive state "$LICENCE" $IDOK)" "disabled visible unchecked"
    drive click "$LICENCE" $ACCEPT
    drive click "$LICENCE" $IDOK
    sleep 2
    drive wait "$LICENCE" 1 || fail "licence page gone after clicks on disabled controls"
    expect "check box after a click" "$(drive state "$LICENCE" $ACCEPT)" "disabled visible unchecked"
    drive gone "$DIR" 0 || fail "disabled Weiter led on"
    expect "log" "$(log_new)" "Verbinden mit FTP fehlgeschlagen"$'\n'"$NO_CONNECTION"
    drive click "$LICENCE" $IDCANCEL
    ended 10 || fail "program still running after Abbrechen"
}

# The licence rows as in the file; "Weiter" only while the box is ticked; an invalid and an
# uncreatable directory keep the page, with their messages; Beenden ends the program.
run_directory_checks() {
    ftp_reset
    serve_licence
    start_installer
    to_licence
    shot licence
    expect "licence rows" "$(drive rows "$LICENCE" $LIST)" "$LICENCE_ROWS"
    expect "Weiter before ticking" "$(drive state "$LICENCE" $IDOK)" "disabled visible unchecked"
    drive click "$LICENCE" $IDOK
    sleep 1
    drive gone "$DIR" 0 || fail "disabled Weiter led on"
    drive click "$LICENCE" $ACCEPT
    sleep 0.3
    expect "Weiter after ticking" "$(drive state "$LICENCE" $IDOK)" "enabled visible unchecked"
    drive click "$LICENCE" $ACCEPT
    sleep 0.3
    expect "Weiter after unticking" "$(drive state "$LICENCE" $IDOK)" "disabled visible unchecked"
    to_directory
    shot directory
    expect "proposed directory" "$(drive text "$dir" $EDIT)" 'C:\Norla024_install\'
    expect "desktop box" "$(drive state "$dir" $DESKTOP)" "enabled hidden unchecked"
    expect "start menu box" "$(drive state "$dir" $STARTMENU)" "enabled hidden unchecked"
    drive click "$dir" $DESKTOP
    sleep 0.5

    log_mark
    rm -f "$FTP_ROOT/commands.log"
    drive settext "$dir" $EDIT 'Produkt'
    drive click "$dir" $START
    message_box "Update-Service" "$INVALID_DIR" invalid-directory
    drive wait "$dir" 5 || fail "page left after an invalid directory"
    [ -e "$PREFIX/drive_c/users" ] && find "$PREFIX/drive_c" -maxdepth 4 -name Produkt | grep -q . &&
        fail "a folder Produkt was created"
    # Names Windows would store under another name, or open as a device.
    local bad
    for bad in 'C:\x\dot.' 'C:\x\trail ' 'C:\x\nul.txt' '\\.\pipe\x'; do
        drive settext "$dir" $EDIT "$bad"
        drive click "$dir" $START
        message_box "Update-Service" "$INVALID_DIR" "invalid-directory-${bad//[^a-z]/}"
        drive wait "$dir" 5 || fail "page left after $bad"
    done
    [ ! -e "$PREFIX/drive_c/x" ] || fail "C:\x was created for a refused directory"

    local missing=Q
    [ ! -e "$PREFIX/dosdevices/q:" ] || fail "drive Q: exists in the prefix; the run needs a missing drive"
    drive settext "$dir" $EDIT "$missing:\\Produkt"
    drive click "$dir" $START
    local text="Das Installationsverzeichnis $missing:\\Produkt\\ konnte nicht angelegt werden."
    message_box "Update-Service" "$text" uncreatable-directory
    drive wait "$dir" 5 || fail "page left after an uncreatable directory"
    expect "log" "$(log_new)" "$text"
    received CONNECT && fail "the server was contacted for a bad directory"

    drive click "$dir" $IDOK
    ended 10 || fail "program still running after Beenden"
}

ARCHIVE=norla_veltro_2024.zip
# The product as the maker would put it on the server: the archive (made now, by Info-ZIP
# zip, from a tree under $out/product whose first level is "Setup/"), the descriptor naming
# it, and the licence.
serve_product() {
    local tree="$out/product"
    rm -rf "$tree"
    mkdir -p "$tree/Setup/.norla" "$tree/Setup/Daten/Tief/Tiefer"
    cp "$FIXTURES/Norla2024.exe" "$FIXTURES/Elevate.dll" "$FIXTURES/Norla Kesto.exe" "$FIXTURES/kesto.ico" \
        "$tree/Setup/"
    printf 'Farbe=blau\r\n' >"$tree/Setup/.norla/einstellungen.ini"
    printf 'Ansicht=2D\r\n' >"$tree/Setup/.norla/ansicht.ini"
    head -c $((3 * 1024 * 1024 + 17)) /dev/urandom >"$tree/Setup/Daten/Tief/gelaende.bin"
    printf 'tief\r\n' >"$tree/Setup/Daten/Tief/Tiefer/liesmich.txt"
    # A name in the DOS code page, as zip tools on DOS and Windows store it: 0x9A is "Ü".
    printf 'Umlaut\r\n' >"$tree/Setup/Daten/"$'\x9a'"bersicht.txt"
    (cd "$tree" && LC_ALL=C zip -qrX "$ftp_home/$ARCHIVE" Setup) || fail "zip failed"
    printf '  %s  \r\n' "${ARCHIVE^^}" >"$ftp_home/norlainstaller.ini"
    serve_licence
}
# The tree as it must arrive: first level dropped, the DOS name in the Windows code page.
expected_tree() {
    rm -rf "$out/expected"
    cp -a "$out/product/Setup" "$out/expected"
    mv "$out/expected/Daten/"$'\x9a'"bersicht.txt" "$out/expected/Daten/Übersicht.txt"
}
completion_text() {   # completion_text INSTALLDIR (Windows path with its backslash)
    printf 'Entpacken abgeschlossen.\nDer Installer für Norla Veltro 2024 startet nun automatisch.\nFalls nicht, führen Sie bitte den Installer manuell aus (%snorla2024.exe).' "$1"
}

# Through every page to the started setup program, with a typed directory.
run_road() {
    ftp_reset
    serve_product
    expected_tree
    local target_win='C:\Produkte\Norla Veltro' target="$PREFIX/drive_c/Produkte/Norla Veltro"
    rm -rf "$PREFIX/drive_c/Produkte"
    start_installer
    to_licence
    shot licence
    expect "licence rows" "$(drive rows "$LICENCE" $LIST)" "$LICENCE_ROWS"
    expect "Weiter before ticking" "$(drive state "$LICENCE" $IDOK)" "disabled visible unchecked"
    to_directory
    shot directory
    drive settext "$dir" $EDIT "$target_win"
    shot directory-typed
    drive click "$dir" $START
    drive wait "$PROGRESS" 30 || fail "progress window did not appear"
    shot progress
    local text
    text=$(drive msgbox "$(drive anybox 300)" 1) || fail "no completion message"
    expect "completion message" "$text" "$(completion_text "$target_win\\")"
    shot completion
    drive click "$(drive anybox 1)" $IDOK
    ended 60 || fail "program still running after the completion message"
    expect "exit code" "$app_exit" 0

    # Every entry, byte for byte, and nothing else but the archive beside them.
    cp "$ftp_home/$ARCHIVE" "$out/expected/$ARCHIVE"
    diff -r -x Norla2024.log "$out/expected" "$target" >"$out/diff.txt" 2>&1 ||
        fail "installed tree differs: $(head -5 "$out/diff.txt")"
    local settings="$PREFIX/drive_c/users/$(id -un)/.norla"
    diff -r "$out/expected/.norla" "$settings" >/dev/null || fail "settings folder not beside the desktop folder"
    expect "log" "$(log_new)" "Verbunden mit FTP"$'\n'"Verbunden mit FTP"
    # Started once, as a program of its own in the installer's folder.
    appears "$target/Norla2024.log" 10
    expect "setup started" "$(cut -f1 "$target/Norla2024.log" 2>/dev/null | tr -d '\r')" \
        "path=${target_win}\\Norla2024.exe"
}

NO_ARCHIVE=$'Auf dem Server wurde kein gültiges Installationsarchiv gefunden.\nBitte wenden Sie sich an den Hersteller.'
FAILED_DOWNLOAD=$'Das Installationsarchiv konnte nicht vom Server geladen werden.\nBitte prüfen Sie die Internetverbindung und starten Sie die Installation erneut.'
INSTALL_WIN='C:\Norla024_install\'
install_dir() { echo "$PREFIX/drive_c/Norla024_install"; }

# From a fresh start to "Starte Installation" in the proposed directory.
start_installation() {
    rm -rf "$(install_dir)"
    start_installer
    to_licence
    to_directory
    drive click "$dir" $START
}
# The installation ends with a message and without starting the setup program.
ends_failed() {   # ends_failed MESSAGE NAME
    local caption
    caption=$(drive anybox 300) || { fail "no message at the end"; return; }
    message_box "$caption" "$1" "$2"
    ended 30 || fail "program still running after the message"
    expect "exit code" "$app_exit" $((1603 % 256))
    expect "log" "$(log_new)" "Verbunden mit FTP"$'\n'"Verbunden mit FTP"$'\n'"${1%%$'\n'*}"
    [ ! -e "$(install_dir)/Norla2024.log" ] || fail "setup program started"
}

# Start with the login refused: the message, the page stays; Start again once the server
# takes the login, and the installation goes through.
run_login_refused_on_start() {
    ftp_reset
    serve_product
    start_installer
    to_licence
    to_directory
    ftp_behave '"refuse_login": true'
    log_mark
    drive click "$dir" $START
    message_box "Update-Service" "$NO_CONNECTION" login-refused
    drive wait "$dir" 5 || fail "page left after a refused login"
    shot directory-after-refusal
    expect "log" "$(log_new)" "Verbinden mit FTP fehlgeschlagen"$'\n'"$NO_CONNECTION"
    ftp_behave
    log_mark
    drive click "$dir" $START
    local caption
    caption=$(drive anybox 300) || fail "no completion message"
    expect "completion message" "$(drive msgbox "$caption" 1)" "$(completion_text "$INSTALL_WIN")"
    drive click "$caption" $IDOK
    ended 60 || fail "program still running after the completion message"
    expect "log" "$(log_new)" "Verbunden mit FTP"
    appears "$(install_dir)/Norla2024.log" 10 || fail "setup program not started"
}

run_descriptor_missing() {
    ftp_reset
    serve_product
    rm "$ftp_home/norlainstaller.ini"
    start_installation
    ends_failed "$NO_ARCHIVE" descriptor-missing
}

run_archive_missing() {
    ftp_reset
    serve_product
    rm "$ftp_home/$ARCHIVE"
    start_installation
    ends_failed "$NO_ARCHIVE" archive-missing
}

# Reset at every 500 kB of the 3 MB archive: still short after the last resume.
run_transfer_dropped() {
    ftp_reset '"drop_after": 500000'
    serve_product
    start_installation
    ends_failed "$FAILED_DOWNLOAD" transfer-dropped
}

# A server that stops sending 64 KiB into the archive: the real 30 s of silence end the
# download with the failure message, and no partial archive is left.
run_data_stall() {
    ftp_reset '"stall": "data", "stall_after": 65536'
    serve_product
    start_installation
    local started=$SECONDS
    ends_failed "$FAILED_DOWNLOAD" data-stall
    [ $((SECONDS - started)) -le 45 ] || fail "failure message only after $((SECONDS - started)) s"
    [ ! -e "$(install_dir)/$ARCHIVE" ] || fail "partial archive left"
}

# A server that accepts and never greets: the licence page is on screen at once and the
# connection message comes within 40 s.
run_greeting_stall() {
    ftp_reset '"stall": "greeting"'
    start_installer
    leave_information
    local started=$SECONDS
    drive wait "$LICENCE_TEMPLATE" 10 || fail "no page on screen while the server is silent"
    shot licence-waiting
    message_box "Norla Kesto Installer" "$NO_CONNECTION" greeting-stall
    [ $((SECONDS - started)) -le 40 ] || fail "connection message only after $((SECONDS - started)) s"
    drive click "$LICENCE" $IDCANCEL
    ended 10 || fail "program still running after Abbrechen"
}

# Escape on the progress window: the installation stops where it is, says nothing more,
# starts nothing, and the program ends.
escape_progress() {   # escape_progress NAME
    shot "$1"
    drive key "$PROGRESS" 0x1B || drive key "#$(drive find "$PROGRESS" 1)" 0x1B
    ended 60 || fail "program still running after Escape"
    expect "exit code" "$app_exit" $((1602 % 256))
    drive anybox 0 >/dev/null 2>&1 && fail "a message box is left"
    expect "log" "$(log_new)" "Verbunden mit FTP"$'\n'"Verbunden mit FTP"$'\n'"Installation abgebrochen"
    [ ! -e "$(install_dir)/Norla2024.log" ] || fail "setup program started"
}

run_escape_download() {
    ftp_reset '"slow_ms": 200'
    serve_product
    start_installation
    drive wait "$PROGRESS" 30 || fail "progress window did not appear"
    sleep 2
    escape_progress escape-mid-download
    local size
    size=$(stat -c %s "$(install_dir)/$ARCHIVE" 2>/dev/null || echo 0)
    [ "$size" -lt "$(stat -c %s "$ftp_home/$ARCHIVE")" ] || fail "the download was not cut short"
}

# Many small entries after the download, so that the unpacking takes a while.
run_escape_unpack() {
    ftp_reset
    serve_product
    local tree="$out/product"
    mkdir -p "$tree/Setup/Viele"
    for i in $(seq 3000); do printf '%s\r\n' "$i" >"$tree/Setup/Viele/datei$i.txt"; done
    rm "$ftp_home/$ARCHIVE"
    (cd "$tree" && LC_ALL=C zip -qrX "$ftp_home/$ARCHIVE" Setup)
    start_installation
    local archive
    archive="$(install_dir)/$ARCHIVE"
    local full
    full=$(stat -c %s "$ftp_home/$ARCHIVE")
    for _ in $(seq 600); do
        [ "$(stat -c %s "$archive" 2>/dev/null || echo 0)" = "$full" ] && [ -d "$(install_dir)/Viele" ] && break
        sleep 0.1
    done
    escape_progress escape-mid-unpacking
    local unpacked
    unpacked=$(find "$(install_dir)/Viele" -type f 2>/dev/null | wc -l)
    [ "$unpacked" -lt 3000 ] || fail "everything was unpacked before Escape took effect"
    echo "unpacked before Escape: $unpacked of 3000"
}

# A licence at both limits at once: 10,000 lines, the last one 4,096 characters long.
run_licence_limits() {
    ftp_reset
    awk 'BEGIN { for (i = 1; i < 10000; i++) printf "Zeile %d\r\n", i
                 s = ""; for (i = 0; i < 4096; i++) s = s "x"; printf "%s\r\n", s }' \
        >"$ftp_home/license.txt"
    start_installer
    to_licence
    shot licence-at-limits
    local rows
    rows=$(drive rows "$LICENCE" $LIST)
    expect "rows" "$(printf '%s\n' "$rows" | wc -l)" 10000
    expect "first row" "$(printf '%s\n' "$rows" | head -1)" "Zeile 1"
    expect "longest row" "$(printf '%s\n' "$rows" | tail -1 | tr -d '\n' | wc -c)" 4096
    expect "check box" "$(drive state "$LICENCE" $ACCEPT)" "enabled visible unchecked"
    expect "log" "$(log_new)" "Verbunden mit FTP"
    drive click "$LICENCE" $IDCANCEL
    ended 10 || fail "program still running after Abbrechen"
}

# The program built with a vendor's key (and NORLA_MIN_RELEASE 5) shows the licence only as the
# signed descriptor names it, and unpacks an archive only as it names it. The server changes
# after the licence page: every other case ends with the signature message, the archive
# deleted, nothing unpacked and nothing started.
BAD_SIGNATURE='Die Signatur des Installationsarchivs ist ungültig. Bitte wenden Sie sich an den Hersteller.'
sign_release() {   # sign_release RELEASE: the descriptor's four lines over what is served, signed
    local d="$ftp_home/norlainstaller.ini"
    sha() { sha256sum "$ftp_home/$1" | cut -c1-64; }
    printf '%s\r\nrelease=%s\r\nsize=%s\r\nsha256=%s\r\nlicense-sha256=%s\r\n' "$(head -n 1 "$d" | tr -d '\r\n')" \
        "$1" "$(stat -c %s "$ftp_home/$ARCHIVE")" "$(sha $ARCHIVE)" "$(sha license.txt)" >"$d.new" && mv "$d.new" "$d"
    openssl dgst -sha256 -sign "$RELEASE_KEY" -out "$d.sig" "$d"
}
# Signed again until r has no leading zero, then given a superfluous one.
pad_der() { until python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); r=d[4:4+d[3]]; assert len(r)==32; b=b"\2\41\0"+r+d[4+d[3]:]; open(sys.argv[1],"wb").write(b"\x30"+bytes([len(b)])+b)' "$1" 2>/dev/null; do sign_release 5; done; }
run_signed_archives() {
    EXE=$KEYED_EXE
    local case size
    for case in good older longer swapped changed padded licence; do
        ftp_reset
        serve_product
        sign_release 5
        [ $case != licence ] || printf '%s' "${LICENCE_TEXT/Tests./Tests!}" >"$ftp_home/license.txt"
        rm -rf "$(install_dir)"
        start_installer
        to_licence
        if [ $case = licence ]; then
            expect "$case: rows" "$(drive rows "$LICENCE" $LIST)" ""
            expect "$case: check box" "$(drive state "$LICENCE" $ACCEPT)" "disabled visible unchecked"
            drive click "$LICENCE" $ACCEPT
            sleep 0.3
            expect "$case: Weiter" "$(drive state "$LICENCE" $IDOK)" "disabled visible unchecked"
            expect "$case: log" "$(log_new)" "Verbunden mit FTP"$'\n'"Lizenztext ungültig"
            drive click "$LICENCE" $IDCANCEL
            ended 10 || fail "program still running after Abbrechen"
            continue
        fi
        expect "$case: licence rows" "$(drive rows "$LICENCE" $LIST)" "$LICENCE_ROWS"
        to_directory
        size=$(stat -c %s "$ftp_home/$ARCHIVE")
        case $case in
        older) sign_release 4 ;;
        # More than signed, then silence: only a download that stops at the signed size ends
        # before the silence limit, with the signature message.
        longer) head -c 100000 /dev/urandom >>"$ftp_home/$ARCHIVE"
                printf '{"stall": "data", "stall_after": %d}' $((size + 50000)) >"$FTP_ROOT/control.json" ;;
        swapped) printf X | dd of="$ftp_home/$ARCHIVE" bs=1 seek=$((size / 2)) conv=notrunc status=none ;;
        changed) sed -i 's/^release=5/release=6/' "$ftp_home/norlainstaller.ini" ;;
        padded) pad_der "$ftp_home/norlainstaller.ini.sig" ;;
        esac
        drive click "$dir" $START
        if [ $case = good ]; then
            local text
            text=$(drive msgbox "$(drive anybox 300)" 1) || fail "$case: no completion message"
            expect "$case: completion message" "$text" "$(completion_text "$INSTALL_WIN")"
            drive click "$(drive anybox 1)" $IDOK
            ended 60 || fail "$case: program still running after the completion message"
            appears "$(install_dir)/Norla2024.log" 10 || fail "$case: setup program not started"
            awk '/^TYPE/ { t = $2 } /^RETR (norlainstaller|license)/ && t != "I" { bad = 1 } END { exit bad }' \
                "$FTP_ROOT/commands.log" || fail "$case: descriptor, signature or licence asked for in ASCII"
        else
            local start=$SECONDS
            ends_failed "$BAD_SIGNATURE" "signature-$case"
            [ $((SECONDS - start)) -lt 25 ] || fail "$case: refused only after $((SECONDS - start)) s"
            local left
            left=$(cd "$(install_dir)" && find . -mindepth 1 | sort | tr '\n' ' ')
            expect "$case: what is left in the directory" "$left" ""
        fi
    done
}

# A wininet.dll beside the installer, with Windows' search order (Wine prefers its own DLLs
# unless told otherwise): the installer never loads it, and installs all the same.
run_planted_dll() {
    local folder="$PREFIX/drive_c/Downloads"
    rm -rf "$folder" && mkdir -p "$folder"
    cp "$EXE" "$folder/NorlaInstaller.exe"
    cp "$PLANTED_DLL" "$folder/wininet.dll"
    EXE="$folder/NorlaInstaller.exe"
    export WINEDLLOVERRIDES="wininet=n,b"
    ftp_reset
    serve_product
    start_installation
    local text
    text=$(drive msgbox "$(drive anybox 300)" 1) || fail "no completion message"
    expect "completion message" "$text" "$(completion_text "$INSTALL_WIN")"
    drive click "$(drive anybox 1)" $IDOK
    ended 60 || fail "program still running after the completion message"
    [ ! -e "$folder/planted-dll-loaded.txt" ] || fail "the planted wininet.dll was loaded"
    appears "$(install_dir)/Norla2024.log" 10 || fail "setup program not started"
}

# Switches: each run's exit code and every window it showed, seen by the driver that started it.
installer_cmd() { local p=${EXE//\//\\}; echo "\"Z:$p\" ${1:-}"; }
run_alone() { drive run 60 "$(installer_cmd "$1")"; }   # run_alone ARGS
# A run that shows one box, in the background; box_run_end checks its text and closes it.
box_run() { drive run 60 "$(installer_cmd "$1")" >"$out/box-run.txt" & box_pid=$!; }
box_run_end() {   # box_run_end NAME TEXT-START EXIT
    local text
    text=$(drive msgbox NorlaInstaller 60) || fail "$1: no message box"
    [[ $text == "$2"* && $text == *'/accept-license - '*'/dir=PFAD - '*'1639 Befehlszeile'* ]] ||
        fail "$1: box says [$text]"
    shot "$1"
    drive click NorlaInstaller $IDOK
    wait $box_pid
    expect "$1: run" "$(cat "$out/box-run.txt")" $'window NorlaInstaller\nexit '"$3"
}
# row NAME SERVER SWITCHES RUN LOG: the server (down, product, unlicensed, no-archive), then
# what the run showed (every window it had, its exit code) and the log lines it added.
row() {
    case $2 in
    down) ftp_reset '"listening": false' ;;
    *) ftp_reset; serve_product ;;&
    unlicensed) rm "$ftp_home/license.txt" ;;
    no-archive) rm "$ftp_home/$ARCHIVE" ;;
    esac
    log_mark
    local started=$SECONDS
    expect "$1: run" "$(drive run 120 "$(installer_cmd "$3")")" "$4"
    took=$((SECONDS - started))
    expect "$1: log" "$(log_new)" "$5"
}
run_command_line() {
    local fleet="$PREFIX/drive_c/Fleet" link="$PREFIX/drive_c/users/Public/Desktop/Norla Kesto 2.0.lnk"
    local ok=$'Verbunden mit FTP\nVerbunden mit FTP\nNorla2024.exe beendet mit Code'
    rm -rf "$fleet" "$link"
    row quiet product '/quiet /accept-license /dir=C:\Fleet\ --  /S "Ziel=C:\A B" x\"y  z' \
        "exit 0" "$ok 0"$'\nBeendet mit Code 0'
    expected_tree
    cp "$ftp_home/$ARCHIVE" "$out/expected/$ARCHIVE"
    diff -r -x Norla2024.log "$out/expected" "$fleet" >"$out/diff.txt" 2>&1 ||
        fail "installed tree differs: $(head -5 "$out/diff.txt")"
    expect "setup command line" "$(cut -f2 "$fleet/Norla2024.log" 2>/dev/null | tr -d '\r')" \
        'commandline="C:\Fleet\Norla2024.exe" /S "Ziel=C:\A B" x\"y  z'
    [ ! -e "$link" ] || fail "desktop icon without /desktop-icon"
    rm -rf "$fleet"
    row passive product '/PASSIVE -accept-license /desktop-icon /dir=C:\Fleet\ -- /exitcode=7' \
        "window $PROGRESS"$'\nexit 7' "$ok 7"$'\nBeendet mit Code 7'
    [ -e "$link" ] || fail "no desktop icon with /desktop-icon"
    # Failures: no message box, the cause in the log.
    row passive-failed no-archive '/passive /accept-license' "window $PROGRESS"$'\nexit 1603' \
        $'Verbunden mit FTP\nVerbunden mit FTP\n'"${NO_ARCHIVE%%$'\n'*}"$'\nBeendet mit Code 1603'
    # Nothing unsigned is trusted, the licence first.
    EXE=$KEYED_EXE row unsigned product '/quiet /accept-license' "exit 1603" \
        $'Verbunden mit FTP\nLizenztext ungültig\nKeine gültige Lizenz auf dem Server\nBeendet mit Code 1603'
    row server-down down '/quiet /accept-license' "exit 1603" \
        $'Verbinden mit FTP fehlgeschlagen\n'"$NO_CONNECTION"$'\nBeendet mit Code 1603'
    [ $took -lt 30 ] || fail "server down: $took s, beyond the silence limit"
    rm -rf "$(install_dir)"
    row unlicensed unlicensed '/quiet /accept-license' "exit 1603" \
        $'Verbunden mit FTP\nKeine gültige Lizenz auf dem Server\nBeendet mit Code 1603'
    [ ! -e "$(install_dir)" ] || fail "unlicensed: the directory was created"
    row bad-dir product '/passive /accept-license /dir=C:\x\nul.txt' "exit 1639" \
        $'Befehlszeile ungültig: /dir=C:\\x\\nul.txt\nBeendet mit Code 1639'
    row quiet-unknown product '/quiet /silent' "exit 1639" $'Befehlszeile ungültig: /silent\nBeendet mit Code 1639'

    local copy='C:\Protokolle\kopie.log' lines=$'Lizenz nicht angenommen (/accept-license fehlt)\nBeendet mit Code 1639'
    rm -rf "$PREFIX/drive_c/Protokolle" && mkdir -p "$PREFIX/drive_c/Protokolle"
    log_mark
    expect "quiet without licence" "$(run_alone "/Quiet /log=$copy")" "exit 1639"
    expect "log" "$(log_new)" "$lines"
    expect "log copy" "$(sed -E 's/^[0-9]{2}\.[A-Za-z]+\.[0-9]{4} [0-9:]{8}  //' "$(unix_path "$copy")" | tr -d '\r')" "$lines"
    log_mark
    box_run '/silent'
    box_run_end unknown-switch 'Unbekannter oder fehlerhafter Schalter: /silent' 1639
    expect "log" "$(log_new)" "Befehlszeile ungültig: /silent"

    # A second copy while the first shows its first page: 1618, no window of its own; an
    # interactive one brings the first to the front (here from behind the help box).
    drive run 200 "$(installer_cmd)" >"$out/first-run.txt" & local first=$!
    drive wait "$INFO" 120 || fail "information page did not appear"
    box_run '-?'
    drive msgbox NorlaInstaller 60 >/dev/null
    shot help
    expect "second, interactive" "$(run_alone '')" "exit 1618"
    expect "in front" "$(drive front)" "$INFO"
    log_mark
    expect "second, unattended" "$(run_alone '/passive /accept-license')" "exit 1618"
    expect "log" "$(log_new)" "Beendet mit Code 1618"
    box_run_end first-in-front 'Aufruf: NorlaInstaller.exe [Schalter]' 0
    drive click "$INFO" $IDCANCEL
    wait $first
    expect "first, cancelled" "$(tail -1 "$out/first-run.txt")" "exit 1602"
}
