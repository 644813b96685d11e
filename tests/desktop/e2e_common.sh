# What every end-to-end script of this folder starts with: the program folder,
# a work folder that goes at the end with every process started, the tally of
# failures and a poll. Sourced as: . e2e_common.sh <program folder> <work prefix>
bin=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/$2.XXXXXX")
failures=0
pids=()

cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Polls a condition every 100 ms for at most $1 seconds.
wait_for() {
    local seconds=$1; shift
    local end=$((SECONDS + seconds))
    while ((SECONDS < end)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Xvfb picks a free display itself and says which once it is ready, so runs
# side by side never share one; -noreset keeps it from resetting (and turning
# a starting program away) each time its last client leaves.
start_xvfb() {
    exec {display_fd}<> <(:)
    Xvfb -displayfd "$display_fd" -screen 0 1366x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    read -r -t 20 -u "$display_fd" display_number || { echo "FAIL: Xvfb did not start"; exit 1; }
    export DISPLAY=":$display_number"
}

# A user of their own for each case: home, settings and a private run-time folder.
new_user() {
    export HOME="$work/$1"
    export XDG_RUNTIME_DIR="$work/$1/run" XDG_CONFIG_HOME="$work/$1/config"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}

# The main window, found by its caption ($caption, set by the script).
window_viewable() { xwininfo -name "$caption" 2>/dev/null | grep -q IsViewable; }
window_hidden() { ! window_viewable; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }

# trayer as an XEmbed notification host; its pid in $tray.
start_tray() {
    trayer --edge bottom --widthtype pixel --width 200 --heighttype pixel --height 26 >/dev/null 2>&1 &
    tray=$!
    pids+=($tray)
    sleep 0.5
}
stop_tray() { kill "$tray" 2>/dev/null; wait "$tray" 2>/dev/null; }

# Runs the program in the background; its pid in $program.
launch() {
    "$bin/quorvane" "$@" >>"$work/log" 2>&1 &
    program=$!
    pids+=($program)
}
exit_code() { wait "$1"; echo $?; }
