# Shared by the desktop tests: a private X server (Xvfb), the built program
# started in a work folder of its own, and xdotool helpers in the window's
# coordinates. Source it, then call start_display and start_program.
set -euo pipefail
program_args=()
work=$(mktemp -d /tmp/echodelve-desktop.XXXXXX)
# Ends whatever the test started (every copy of the program, the X server,
# listeners), paused or not, then removes the work folder.
cleanup() {
    local started
    started=$(jobs -p)
    if [ -n "$started" ]; then
        # shellcheck disable=SC2086 # one process id a word
        kill -CONT $started 2>/dev/null
        # shellcheck disable=SC2086
        kill $started 2>/dev/null
    fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# fail MESSAGE: says why, with what the program and the X server wrote (the
# work folder goes with the test), and ends the test.
fail() {
    echo "${0##*/}: $*" >&2
    if [ -n "${app:-}" ] && ! kill -0 "$app" 2>/dev/null; then
        local status=0
        wait "$app" 2>/dev/null || status=$?
        echo "${0##*/}: the program had ended (status $status)" >&2
        app=
    fi
    [ -n "${xvfb:-}" ] && ! kill -0 "$xvfb" 2>/dev/null && echo "${0##*/}: the X server had ended" >&2
    local log
    for log in program xvfb; do
        if [ -s "$work/$log.log" ]; then
            echo "--- $log.log (last 40 lines)" >&2
            tail -n 40 "$work/$log.log" >&2
        fi
    done
    exit 1
}

# start_display: a private X server for the test. Without -noreset, Xvfb
# resets itself whenever its last client goes (the program killed between two
# starts, a one-off xdotool or the accessibility bus launcher), and a client
# connecting during the reset is refused: Qt then aborts, as it cannot run
# without its display.
start_display() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -noreset -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    exec 3>&-
    # Xvfb writes its display number once it is ready; a cold first start can
    # take a while, and without a display nothing can run.
    for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "the X server did not start within 30 s"
    export DISPLAY=":$(head -n 1 "$work/display")"
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
    unset WAYLAND_DISPLAY
}

# find_window TITLE_PATTERN [PID]: the first window whose title matches (of
# process PID, if given), within 20 s. Polled rather than `search --sync`: a
# search fails outright (BadWindow) when any window, a program's own passing
# ones included, goes while it looks.
find_window() {
    local found of=()
    [ -n "${2:-}" ] && of=(--all --pid "$2")
    for _ in $(seq 200); do
        found=$(xdotool search "${of[@]}" --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$found" ] && { echo "$found"; return 0; }
        [ -n "${app:-}" ] && ! kill -0 "$app" 2>/dev/null && break
        sleep 0.1
    done
    fail "no window titled $1 appeared"
}

# start_program PROGRAM FOLDER [PREFIX...]: runs a copy of PROGRAM (its
# scratch folders lie in $work/echodelve) in FOLDER with the arguments in
# program_args, optionally behind a command such as env; waits for its
# window and sets X, Y from its geometry.
start_program() {
    local program=$1 folder=$2
    shift 2
    if [ ! -e "$work/bin/echodelve" ]; then  # a copy may be running: it stays
        mkdir -p "$work/bin"
        cp "$program" "$work/bin/echodelve"
        [ -d "$(dirname "$program")/data" ] && cp -r "$(dirname "$program")/data" "$work/bin/"
    fi
    (cd "$folder" && exec "$@" "$work/bin/echodelve" "${program_args[@]}") >"$work/program.log" 2>&1 &
    app=$!
    # In this shell, not a subshell, so a failure can tell how the program ended.
    find_window '^Echo Delve$' "$app" >"$work/window"
    window=$(cat "$work/window")
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
}

# click X Y [REPEAT]: window-relative, left button.
click() {
    # A step beside the point first: xdotool's --sync waits for a motion, and
    # with the pointer already on the point none comes (it gives up after 15 s).
    xdotool mousemove $((X + $1 + 1)) $((Y + $2)) mousemove --sync $((X + $1)) $((Y + $2))
    xdotool click --repeat "${3:-1}" --delay 120 1
}

# on_slow_medium SHIM MILLISECONDS: sets `slowed`, the prefix for start_program
# that preloads SHIM so that each output file the program commits takes that
# long, as on a slow medium, and its long runs give the test time to act.
on_slow_medium() {
    slowed=(env LD_PRELOAD="$1" ECHODELVE_SLOW_MEDIUM_MS="$2"
            ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
}

# pause_program / resume_program, and run_until [BURSTS] CONDITION...: lets
# the paused program run in bursts of 20 ms until CONDITION holds (it stays
# paused after). Input given meanwhile reaches it the next time a running
# procedure lets events run, as when a person acts in the middle of a run,
# while the run itself moves on only as far as the test needs.
pause_program() { kill -STOP "$app"; }
resume_program() { kill -CONT "$app"; }
run_until() {
    local bursts=250
    [[ $1 =~ ^[0-9]+$ ]] && { bursts=$1; shift; }
    for _ in $(seq "$bursts"); do
        resume_program
        sleep 0.02
        pause_program
        "$@" && return 0
    done
    return 1
}
run_for() { run_until "$1" false || true; }

# The program's windows on screen (the main window, the progress window, a menu).
windows_shown() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }
windows_at_least() { [ "$(windows_shown)" -ge "$1" ]; }
windows_at_most() { [ "$(windows_shown)" -le "$1" ]; }

files_in() { find "$1" -maxdepth 1 -type f | wc -l; }
files_at_least() { [ "$(files_in "$1")" -ge "$2" ]; }

# wait_until SECONDS COMMAND...: polls every 10 ms.
wait_until() {
    local limit=$(($1 * 100))
    shift
    for _ in $(seq "$limit"); do
        "$@" && return 0
        sleep 0.01
    done
    return 1
}

# wait_listed PROBE: until the status line shows a listing's summary.
status_has_text() { "$1" "$work/probe.png" $((X + 2)) $((Y + 316)) 200 14 5 >/dev/null; }
wait_listed() { wait_until 60 status_has_text "$1" || fail "the archive was not listed"; }

# fake_file_browser: the desktop's file browser, as the program asks for it,
# notes each folder it is asked to show in $work/opened.
fake_file_browser() {
    mkdir -p "$work/fakebin"
    printf '#!/bin/sh\necho "$@" >>"%s/opened"\n' "$work" >"$work/fakebin/xdg-open"
    chmod +x "$work/fakebin/xdg-open"
    export PATH="$work/fakebin:$PATH"
}

# Where things are, in the window's pixels: the browse panel's file list, its
# drive list, its "&OK" label button at rest, the close glyph, the menu glyph.
file_list_first=(45 53)
file_list_second=(45 64)
drive_list=(249 233)
ok_button=(255 278)
close_glyph=(340 8)
menu_glyph=(12 7)
