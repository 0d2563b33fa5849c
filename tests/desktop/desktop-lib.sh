# Shared by the desktop tests: a private X server (Xvfb), the built program
# started in a work folder of its own, and xdotool helpers in the window's
# coordinates. Source it, then call start_display and start_program.
set -euo pipefail
program_args=()
work=$(mktemp -d /tmp/echodelve-desktop.XXXXXX)
cleanup() {
    [ -n "${app:-}" ] && kill -CONT "$app" 2>/dev/null && kill "$app" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "${0##*/}: $*" >&2
    exit 1
}

start_display() {
    # Xvfb writes its display number once it is ready.
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
    unset WAYLAND_DISPLAY
}

# find_window TITLE_PATTERN: the first window whose title matches, within 20 s.
# Polled rather than `search --sync`: a search fails outright (BadWindow)
# when any window, a program's own passing ones included, goes while it looks.
find_window() {
    local found
    for _ in $(seq 200); do
        found=$(xdotool search --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    fail "no window titled $1 appeared"
}

# start_program PROGRAM FOLDER [PREFIX...]: runs a copy of PROGRAM (so its
# scratch folder is $work/bin/temp) in FOLDER with the arguments in
# program_args, optionally behind a command such as env; waits for its
# window and sets X, Y from its geometry.
start_program() {
    local program=$1 folder=$2
    shift 2
    mkdir -p "$work/bin"
    cp "$program" "$work/bin/echodelve"
    [ -d "$(dirname "$program")/data" ] && cp -r "$(dirname "$program")/data" "$work/bin/"
    (cd "$folder" && exec "$@" "$work/bin/echodelve" "${program_args[@]}") >"$work/program.log" 2>&1 &
    app=$!
    window=$(find_window '^Echo Delve$')
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
}

# click X Y [REPEAT]: window-relative, left button.
click() {
    xdotool mousemove --sync $((X + $1)) $((Y + $2))
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
# "&OK" label button at rest, the close glyph, the menu glyph.
file_list_first=(45 53)
file_list_second=(45 64)
ok_button=(255 278)
close_glyph=(340 8)
menu_glyph=(12 7)
