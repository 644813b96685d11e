#!/usr/bin/env bash
# The desktop program under a real window manager (openbox in Xvfb, trayer as
# the notification host): quick clicks never leave the window stuck to the
# pointer, a drag still moves it, and the window manager's close hides the
# window to the tray, or ends the program when there is no tray.
# Usage: wm_e2e.sh <program folder>
set -u
. "$(dirname "$0")/e2e_common.sh" "$1" qwm
start_xvfb
export LC_ALL=C LANG=C
unset QUELLIX_RECORD

# openbox with its stock configuration (Alt+F4 closes the active window).
mkdir -p "$work/wm-config"
XDG_CONFIG_HOME="$work/wm-config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 20 wm_running || { echo "FAIL: openbox did not start"; cat "$work/openbox.log"; exit 1; }

caption="Quorvane Keyboard Settings"
# A user of its own with the virtual keyboard.
keyboard_user() {
    new_user "$1"
    export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
}
tray_icon_added() {
    xwininfo -root -tree 2>/dev/null | awk '/"panel"/{p=1} p' | grep -q '("quorvane" "Quorvane")'
}

window_id() { xdotool search --name "^$caption\$" | head -1; }
# "x y" of the window's top left corner on the screen.
window_pos() {
    xwininfo -id "$1" 2>/dev/null |
        awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}'
}
moved_from() { [ "$(window_pos "$1")" != "$2" ]; }
# The window is still at $2 after the pointer went elsewhere: a window stuck
# to the pointer follows it at once, so a short watch is enough.
stays_at() {
    local id=$1 pos=$2 x y
    read -r x y <<<"$pos"
    xdotool mousemove $((x + 300)) $((y + 200)) mousemove $((x + 340)) $((y + 260))
    ! wait_for 2 moved_from "$id" "$pos"
}
# Centre of a control of the main layout, in window coordinates.
control_centre() {
    awk -F'[=,]' -v k="$1" '$1 == k {print int($2 + $4 / 2), int($3 + $5 / 2)}' "$bin/Skins/Main.ini"
}
# A point of the window's own surface: inside the shape (away from the rounded
# edges) and on no control of the layout.
background_point() {
    local w h
    read -r w h < <(xwininfo -id "$1" | awk '/Width:/{w=$NF} /Height:/{h=$NF} END{print w, h}')
    awk -F'[=,]' -v w="$w" -v h="$h" '
        /^\[/ { section = $0; next }
        section == "[BUTTONINFO]" && NF >= 5 { n++; x[n] = $2; y[n] = $3; cw[n] = $4; ch[n] = $5 }
        END {
            for (py = 40; py < h - 40; py += 8)
                for (px = 40; px < w - 40; px += 8) {
                    free = 1
                    for (i = 1; i <= n && free; i++)
                        if (px >= x[i] - 4 && px < x[i] + cw[i] + 4 && py >= y[i] - 4 && py < y[i] + ch[i] + 4)
                            free = 0
                    if (free) { print px, py; exit }
                }
        }' "$bin/Skins/Main.ini"
}
lamp_setting() {
    local file
    file=$(find "$HOME" -name wskb.ini 2>/dev/null | head -1)
    [ -n "$file" ] && tr -d '\r\0' <"$file" | awk -F= '$1 == "DengCheck" {print $2}'
}
lamp_is() { [ "$(lamp_setting)" = "$1" ]; }

# ---- 1. Quick clicks on the window's surface and on the lamp switch, then a drag.
start_tray
wait_for 20 xdotool search --class trayer >/dev/null || fail "trayer did not start"
keyboard_user clicks
launch
first=$program
# With a tray the arrival of the keyboard opens the window.
if wait_for 30 window_viewable; then
    id=$(window_id)
    xdotool windowactivate --sync "$id" 2>/dev/null
    start=$(window_pos "$id")
    read -r bx by < <(background_point "$id")
    if [ -z "${bx:-}" ]; then
        fail "no free point on the window's surface"
    else
        stuck=0
        for _ in 1 2 3 4 5; do
            xdotool mousemove --window "$id" "$bx" "$by" click 1
            stays_at "$id" "$start" || { stuck=$((stuck + 1)); break; }
        done
        [ "$stuck" -eq 0 ] && pass "quick clicks on the window's surface leave it where it was" ||
            fail "a quick click stuck the window to the pointer (now at $(window_pos "$id"), was $start)"
        # Put it back for what follows, whatever happened.
        xdotool key Escape mousemove --window "$id" "$bx" "$by" click 1
        read -r sx sy <<<"$start"
        xdotool windowmove "$id" "$sx" "$sy"
    fi

    read -r lx ly < <(control_centre CONTROL_DengStaPic)
    before=$(lamp_setting)
    [ "$before" = 1 ] && want=0 || want=1
    xdotool mousemove --window "$id" "$lx" "$ly" click 1 click 1 click 1
    if stays_at "$id" "$start"; then
        pass "quick clicks on the lamp switch leave the window where it was"
    else
        fail "a click on the lamp switch stuck the window to the pointer"
        xdotool key Escape
    fi
    wait_for 10 lamp_is "$want" && pass "three clicks toggled the lamp" ||
        fail "the lamp did not follow three clicks (setting '$(lamp_setting)', was '$before')"

    # A real drag still moves the window: press, move in small steps until the
    # window manager has taken over (it grabs the pointer when it gets the
    # request, which may be a few motions later), release.
    start=$(window_pos "$id")
    xdotool mousemove --window "$id" "$bx" "$by" mousedown 1
    step() { xdotool mousemove_relative -- 6 4; moved_from "$id" "$start"; }
    wait_for 10 step
    xdotool mousemove_relative -- 20 10 mouseup 1
    dragged=$(window_pos "$id")
    read -r sx sy <<<"$start"
    read -r dx dy <<<"$dragged"
    if [ $((dx - sx)) -gt 0 ] && [ $((dy - sy)) -gt 0 ]; then
        pass "a drag moves the window ($start -> $dragged)"
    else
        fail "a drag did not move the window ($start -> $dragged)"
    fi
    stays_at "$id" "$dragged" && pass "and the release ends the move" || fail "the window kept following the pointer after the drag"
else
    fail "the window did not show"
fi

# ---- 2. The window manager's close (Alt+F4) with a tray: hidden, still running.
if window_viewable; then
    id=$(window_id)
    xdotool windowactivate --sync "$id" 2>/dev/null
    xdotool key --clearmodifiers alt+F4
    wait_for 10 window_hidden && pass "Alt+F4 with a tray hides the window" || fail "Alt+F4 left the window shown"
    running "$first" && pass "and keeps the program running" || fail "Alt+F4 ended the program although a tray exists"
    tray_icon_added && pass "with its tray icon" || fail "the tray icon went"
    timeout 20 "$bin/quorvane" >>"$work/log" 2>&1
    wait_for 20 window_viewable && pass "a second start shows it again" || fail "a second start did not show it again"
fi
timeout 20 "$bin/quorvane" /kill >>"$work/log" 2>&1
if wait_for 20 ended "$first"; then
    code=$(exit_code "$first")
    [ "$code" -eq 0 ] && pass "/Kill ends it with 0" || fail "/Kill: exit status $code"
else
    fail "/Kill left the program running"
fi
stop_tray

# ---- 3. Without a tray Alt+F4 ends the program.
keyboard_user notray
launch
first=$program
if wait_for 30 window_viewable; then
    id=$(window_id)
    xdotool windowactivate --sync "$id" 2>/dev/null
    xdotool key --clearmodifiers alt+F4
    if wait_for 20 ended "$first"; then
        code=$(exit_code "$first")
        [ "$code" -eq 0 ] && pass "Alt+F4 without a tray ends the program with 0" || fail "Alt+F4 without a tray: exit status $code"
    else
        fail "Alt+F4 without a tray left the program running"
    fi
else
    fail "without a tray the window did not show"
fi

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/log"
    exit 1
fi
echo "all passed"
