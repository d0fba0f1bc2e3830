#!/usr/bin/env bash
# The installation, from a temporary prefix.
#   install_test.sh files BUILD_DIR     the installed files match installed_files.txt, and the
#                                       desktop entries, metainfo and user unit pass their
#                                       validators (exit 77, skipped, when a validator is missing)
#   install_test.sh run BUILD_DIR       the installed service runs on the virtual mouse and the
#                                       installed window starts and answers on the bus, in a
#                                       private session
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvante-install-XXXXXX")
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    # A tray program the service started from this prefix and left behind on a failure.
    for p in $(tray_left); do kill -KILL "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "cmake --install"; }

# Process ids of the tray programs running from this test's prefix.
tray_left() {
    local exe
    for exe in /proc/[0-9]*/exe; do
        if [[ $(readlink "$exe" 2>/dev/null) == "${prefix:-/nonexistent}/lib/korvante/traylet" ]]; then
            exe=${exe#/proc/}
            echo "${exe%/exe}"
        fi
    done
}

# Polls a command for up to ten seconds.
wait_for() {
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

check_files() {
    mapfile -t patterns < <(grep -v -e '^#' -e '^$' "$here/installed_files.txt")
    mapfile -t files < <(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
    local f p matched bad=0
    for f in "${files[@]}"; do
        matched=0
        for p in "${patterns[@]}"; do [[ $f == $p ]] && matched=1 && break; done
        [[ $matched == 1 ]] || { echo "installed but not listed: $f" >&2; bad=1; }
    done
    for p in "${patterns[@]}"; do
        matched=0
        for f in "${files[@]}"; do [[ $f == $p ]] && matched=1 && break; done
        [[ $matched == 1 ]] || { echo "listed but not installed: $p" >&2; bad=1; }
    done
    [[ $bad == 0 ]] || fail "the installed files differ from installed_files.txt"
    for program in hidagent cfgpanel traylet mousesim korvante-msg korvantectl; do
        [[ -x $prefix/bin/$program && -e $prefix/share/man/man1/$program.1.gz ]] || fail "$program or its man page"
    done
    grep -q "^ExecStart=$prefix/bin/hidagent\$" "$prefix/lib/systemd/user/korvante-hidagent.service" \
        || fail "the unit does not start the installed hidagent"

    local skipped=()
    if command -v desktop-file-validate >/dev/null; then
        for d in "$prefix"/share/applications/*.desktop "$prefix"/etc/xdg/autostart/*.desktop; do
            desktop-file-validate "$d" || fail "desktop-file-validate $d"
        done
    else
        skipped+=("desktop-file-validate (package desktop-file-utils) is not installed")
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml || fail "appstreamcli validate"
    else
        skipped+=("appstreamcli (package appstream) is not installed")
    fi
    if command -v systemd-analyze >/dev/null; then
        # Checks the unit's syntax and that its program exists. Without a user manager's
        # environment (containers) systemd-analyze may refuse to run at all: then say so.
        unit=$prefix/lib/systemd/user/korvante-hidagent.service
        mkdir -m 0700 "$tmp/verify-run"
        if out=$(XDG_RUNTIME_DIR=$tmp/verify-run systemd-analyze --user --man=no verify "$unit" 2>&1); then
            [[ -z $out ]] || { echo "$out" >&2; fail "systemd-analyze verify"; }
        elif grep -q -e "$(basename "$unit")" <<<"$out"; then
            echo "$out" >&2; fail "systemd-analyze verify"
        else
            skipped+=("systemd-analyze cannot verify user units on this machine: $out")
        fi
    else
        skipped+=("systemd-analyze (package systemd) is not installed")
    fi
    if [[ ${#skipped[@]} -gt 0 ]]; then
        printf 'SKIPPED: %s\n' "${skipped[@]}"
        exit 77
    fi
}

run_suite() {
    # A private session: nothing here reaches the user's settings, bus or display.
    mkdir -m 0700 "$tmp/config" "$tmp/run"
    export XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run QT_QPA_PLATFORM=offscreen KORVANTE_TRANSPORT=sim
    unset DISPLAY WAYLAND_DISPLAY
    local bin=$prefix/bin
    local ini="$XDG_CONFIG_HOME/Brakmor KORVANTE/GamingMouse/Mouse.ini"

    "$bin/mousesim" serve --memory "$tmp/memory.bin" 2>"$tmp/mousesim.log" &
    pids+=($!)
    wait_for "$bin/mousesim" stats || fail "mousesim does not answer: $(cat "$tmp/mousesim.log")"

    "$bin/hidagent" 2>"$tmp/hidagent.log" &
    local agent=$! started=$SECONDS
    pids+=($agent)
    wait_for "$bin/korvante-msg" find KORVANTEHidAgent || fail "hidagent does not answer: $(cat "$tmp/hidagent.log")"
    # The service found the tray program beside itself.
    wait_for "$bin/korvante-msg" find KORVANTEMouseTraylet || fail "no tray program: $(cat "$tmp/hidagent.log")"
    # The default Mouse.ini beside the installed program was copied, and the link to the mouse is up.
    wait_for grep -q '^Device=1' "$ini" || fail "hidagent has no mouse: $(cat "$tmp/hidagent.log")"

    # The window says nothing when a data file is missing, so where strace may trace, the files it
    # opened show that it found its strings and skins beside the installed program.
    local panel_cmd=("$bin/cfgpanel") trace=$tmp/cfgpanel.trace
    if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
        panel_cmd=(strace -f -qq -e trace=openat -e status=successful -o "$trace" "$bin/cfgpanel")
    else
        echo "NOTE: strace cannot run here; the window's data files are checked by the file list only"
    fi
    "${panel_cmd[@]}" 2>"$tmp/cfgpanel.log" &
    local panel=$!
    pids+=($panel)
    wait_for "$bin/korvante-msg" find KORVANTE || fail "cfgpanel does not answer: $(cat "$tmp/cfgpanel.log")"
    "$bin/korvante-msg" post KORVANTE 16
    wait_for sh -c "! kill -0 $panel" || fail "cfgpanel does not close on WM_CLOSE"
    if grep -i -e 'skin' -e 'strings' "$tmp/cfgpanel.log"; then fail "cfgpanel misses its data files"; fi
    if [[ -f $trace ]]; then
        local data=$prefix/lib/korvante
        for opened in "$data/Strings.xml" "$data/skins/skin_main.ini" "$data/skins/[a-z_]*\.png"; do
            grep -q "openat(.*\"$opened\"" "$trace" || fail "cfgpanel did not open $opened"
        done
    fi

    # The service starts the tray program once more five seconds after the mouse arrives; a copy
    # started while it is closing would outlive it, so it is closed after that.
    while (( SECONDS - started < 7 )); do sleep 0.5; done
    "$bin/korvante-msg" post KORVANTEHidAgent 16
    local status=0
    wait "$agent" || status=$?
    [[ $status == 0 ]] || fail "hidagent ended with $status: $(cat "$tmp/hidagent.log")"
    # The service closed the tray program on its way out (a copy left over is ended here, by
    # its process id, since it runs from this test's prefix).
    local left
    for _ in $(seq 50); do
        left=$(tray_left)
        [[ -z $left ]] && break
        sleep 0.1
    done
    if [[ -n $left ]]; then kill -KILL $left; fail "the tray program outlived the service"; fi
}

case "$mode" in
    files) check_files ;;
    run) run_suite ;;
    *) fail "unknown mode $mode" ;;
esac
echo "ok"
