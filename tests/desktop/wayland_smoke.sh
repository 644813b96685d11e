#!/usr/bin/env bash
# The desktop program as a Wayland client of a headless weston. What is on
# screen is read from weston's own scene graph (its debug protocol): the
# window counts as shown when weston has a view of a top-level with the
# program's caption and pid (weston maps a top-level only once it has a
# buffer). Checked: a start shows the window at its size, declared fixed, and
# with see-through pixels (rounded corners); "/Start" stays hidden and a
# second start shows it; "/Kill" ends it with 0.
# Usage: wayland_smoke.sh <program folder>
set -u
. "$(dirname "$0")/e2e_common.sh" "$1" qwl

# No X server and no session bus: Wayland only, and no notification host.
unset DISPLAY DBUS_SESSION_BUS_ADDRESS QUELLIX_RECORD QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE
export LC_ALL=C LANG=C QT_QPA_PLATFORM=wayland
# weston's runtime folder is its own, so the program's holds only its files.
mkdir -m 700 -p "$work/weston-run"
XDG_RUNTIME_DIR="$work/weston-run" weston --backend=headless-backend.so --use-pixman \
    --width=1366 --height=768 --idle-time=0 --debug --socket=quorvane-test \
    >"$work/weston.log" 2>&1 &
export WAYLAND_DISPLAY="$work/weston-run/quorvane-test"
pids+=($!)
weston_ready() { timeout 5 weston-debug scene-graph 2>/dev/null | grep -q '^Output 0'; }
wait_for 20 weston_ready || { echo "FAIL: weston did not start"; cat "$work/weston.log"; exit 1; }

caption="Quorvane Keyboard Settings"
# The view of the main window of process $1 in weston's scene graph, or nothing.
window_view() {
    timeout 5 weston-debug scene-graph 2>/dev/null |
        awk -v c="'$caption'" -v p="PID $1," '/^\tView /{v = index($0, c) > 0 && index($0, p) > 0} v'
}
window_shown() { window_view "$1" | grep -q 'position:'; }
window_gone() { ! window_shown "$1"; }

# The running instance listens on a socket in its runtime folder.
instance_ready() { [ -n "$(find "$XDG_RUNTIME_DIR" -type s 2>/dev/null)" ]; }
kill_instance() {
    timeout 20 "$bin/quorvane" /kill >>"$work/log" 2>&1
    local code=$?
    [ "$code" -eq 0 ] && pass "/Kill ends with 0" || fail "/Kill ended with $code"
    if wait_for 20 ended "$1"; then
        code=$(exit_code "$1")
        [ "$code" -eq 0 ] && pass "the instance ends with 0" || fail "the instance ended with $code"
    else
        fail "/Kill left the instance running"
    fi
}

# Size of the skin's background picture: the window's fixed size.
skin_size() {
    local main
    main=$(tr -d '\r' <"$bin/Skins/Main.ini" | awk -F= '/^\[SCREEN\]/{s=1; next} /^\[/{s=0} s && $1 == "Main" {print $2}')
    # JPEG: the size is in the first SOF marker.
    od -An -v -tu1 "$bin/Skins/$main" | tr -s ' ' '\n' | awk '
        NF { b[n++] = $1 }
        END {
            i = 2
            while (i + 9 < n) {
                m = b[i + 1]
                if (m >= 192 && m <= 195) { print b[i + 7] * 256 + b[i + 8], b[i + 5] * 256 + b[i + 6]; exit }
                i += 2 + b[i + 2] * 256 + b[i + 3]
            }
        }'
}

# ---- 1. Without a notification host a start shows the window. The client's
# side of the protocol is logged to see the size it declares.
new_user plain
WAYLAND_DEBUG=client "$bin/quorvane" >"$work/protocol.log" 2>&1 &
first=$!
pids+=($first)
if wait_for 30 window_shown "$first"; then
    pass "a start shows the window"
    view=$(window_view "$first")
    read -r w h < <(skin_size)
    # "position: (x1, y1) -> (x2, y2)"
    read -r vw vh < <(echo "$view" | awk -F'[(), ]+' '/position:/{print $5 - $2, $6 - $3; exit}')
    [ "$vw" = "$w" ] && [ "$vh" = "$h" ] && pass "at its own size ${w}x$h" ||
        fail "the window is ${vw}x$vh, the skin ${w}x$h"
    # min = max: what tiling compositors (sway) float instead of tiling.
    grep -q "set_min_size($w, $h)" "$work/protocol.log" && grep -q "set_max_size($w, $h)" "$work/protocol.log" &&
        pass "declared as fixed size" || fail "no fixed size declared: $(grep -E 'set_m(in|ax)_size' "$work/protocol.log")"
    # An opaque window would declare its opaque region (the mask, or all).
    echo "$view" | grep -q '\[not opaque\]' && pass "with see-through pixels" ||
        fail "the window declares itself opaque: $(echo "$view" | grep -i opaque)"
else
    fail "a start showed no window"
fi
running "$first" || fail "the program ended: $(tail -3 "$work/log")"
kill_instance "$first"
wait_for 10 window_gone "$first" || fail "the window stayed after the end"

# ---- 2. "/Start" stays hidden, also when the keyboard arrives; a second
# start shows the window (with no keyboard it would show a notice instead).
new_user hidden
export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
launch /Start
first=$program
wait_for 30 instance_ready || fail "the /Start instance opened no channel"
# A window would show right after start-up; a short watch is enough.
! wait_for 2 window_shown "$first" && pass "/Start stays hidden" || fail "/Start showed the window"
timeout 20 "$bin/quorvane" >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "a second start ends with 0" || fail "a second start ended with $code"
wait_for 30 window_shown "$first" && pass "a second start shows the window of /Start" ||
    fail "after /Start a second start showed no window"
kill_instance "$first"

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/log"
    exit 1
fi
echo "all passed"
