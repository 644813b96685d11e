#!/usr/bin/env bash
# The desktop program as real processes under Xvfb, with trayer as an XEmbed
# notification host: start-up, tray icon, the instance rules, real clicks and
# key presses in the key assignment dialog.
# Usage: desktop_e2e.sh <program folder>
set -u
. "$(dirname "$0")/e2e_common.sh" "$1" qe2e
start_xvfb

export LC_ALL=C LANG=C
unset QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE QUELLIX_RECORD
caption="Quorvane Keyboard Settings"

# A fresh user for each case: settings, instance lock, documents.

tray_icon_added() {
    xwininfo -root -tree 2>/dev/null | awk '/"panel"/{p=1} p' | grep -q '("quorvane" "Quorvane")'
}
tray_icon_gone() { ! tray_icon_added; }
# The icon's pixels: it shows whether the keyboard is there, which the program
# decides once the keyboard's arrival is handled through to the open decision.
# With a pid: the icon of that process.
tray_icon_picture() {
    local id
    for id in $(xwininfo -root -tree 2>/dev/null |
        awk '/"panel"/{p=1} p && /\("quorvane" "Quorvane"\)/{print $1}'); do
        if [ -z "${1:-}" ] || [ "$(xdotool getwindowpid "$id" 2>/dev/null)" = "$1" ]; then
            xwd -id "$id" -silent 2>/dev/null | md5sum | cut -d' ' -f1
            return
        fi
    done
    return 1
}
icon_shows_keyboard() {
    local now
    now=$(tray_icon_picture "${1:-}") && [ -n "$now" ] && [ "$now" != "$no_keyboard_icon" ]
}
# Positive signs that start-up got somewhere: the instance channel (the window
# is made and marked), and the profile cache files every reload writes (the
# keyboard has been read).
channel_open() { [ -S "$XDG_RUNTIME_DIR/instance-$1.sock" ]; }
keyboard_read() { compgen -G "$HOME/Documents/Quorvane_09A/\$Profile*" >/dev/null; }
# The pids of the program windows on screen.
visible_window_pids() {
    local id
    for id in $(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null); do
        xdotool getwindowpid "$id" 2>/dev/null
    done
}



# ---- 1. Fresh start without a keyboard: an icon, no window; /Kill ends it.
start_tray
new_user fresh
launch
if wait_for 20 tray_icon_added; then pass "a fresh start adds a tray icon"; else fail "no tray icon"; fi
wait_for 20 channel_open "$program" || fail "the instance channel did not open"
if window_hidden; then pass "a fresh start shows no window"; else fail "a fresh start showed the window"; fi
no_keyboard_icon=$(tray_icon_picture)
[ -n "$no_keyboard_icon" ] || fail "the tray icon's picture cannot be read"
first=$program
timeout 20 "$bin/quorvane" /kill >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "/Kill ends with 0" || fail "/Kill ended with $code"
if wait_for 20 ended "$first"; then
    code=$(exit_code "$first")
    [ "$code" -eq 0 ] && pass "/Kill ends the running instance with 0" || fail "running instance ended with $code"
else
    fail "/Kill left the running instance running"
fi
wait_for 10 tray_icon_gone && pass "the icon goes with the program" || fail "the icon stayed"

# A copy of the executable alone, without the desktop module beside it: with no
# instance to hand over to, it says what is missing.
mkdir -p "$work/alone" && cp "$bin/quorvane" "$work/alone/"
timeout 20 "$work/alone/quorvane" >"$work/alone/log" 2>&1
code=$?
if [ "$code" -eq 1 ] && grep -q '^quorvane: quorvane_desktop\.so cannot be loaded (.*): build the target quorvane' "$work/alone/log"; then
    pass "without its module the program says so"
else
    fail "without its module: code $code, $(cat "$work/alone/log")"
fi

# ---- 2. /Start with the virtual keyboard stays hidden; a second start shows it.
new_user keyboard
export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
launch /Start
first=$program
wait_for 20 tray_icon_added || fail "no tray icon with the virtual keyboard"
wait_for 30 keyboard_read || fail "the keyboard was not read"
wait_for 30 icon_shows_keyboard || fail "the tray icon does not show the keyboard"
window_hidden && pass "/Start stays hidden when the keyboard arrives" || fail "/Start showed the window"
timeout 20 "$bin/quorvane" >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "a second start ends with 0" || fail "a second start ended with $code"
if wait_for 20 window_viewable; then pass "a second start shows the running window"; else fail "the window did not show"; fi
running "$first" && pass "the first instance keeps running" || fail "the first instance ended"

# A real click on Cancel hides the window.
if window_viewable; then
    read -r cx cy < <(awk -F'[=,]' '/^CONTROL_CANCEL=/{print $2 + $4 / 2, $3 + $5 / 2}' "$bin/Skins/Main.ini")
    id=$(xdotool search --name "^$caption\$" | head -1)
    xdotool mousemove --window "$id" "$cx" "$cy" click 1
    wait_for 10 window_hidden && pass "a click on Cancel hides the window" || fail "Cancel did not hide"
    running "$first" && pass "Cancel keeps the program running" || fail "Cancel ended the program"
fi
# The handover needs neither the module nor Qt: the lone copy opens the window too.
if window_hidden; then
    timeout 20 "$work/alone/quorvane" >>"$work/log" 2>&1
    code=$?
    [ "$code" -eq 0 ] && pass "a second start without the module ends with 0" || fail "a second start without the module ended with $code"
    wait_for 20 window_viewable && pass "a second start without the module shows the window" || fail "a second start without the module showed nothing"
fi
kill -TERM "$first"
if wait_for 20 ended "$first"; then
    code=$(exit_code "$first")
    [ "$code" -eq 0 ] && pass "SIGTERM runs the exit action and ends with 0" || fail "SIGTERM ended with $code"
else
    fail "SIGTERM left the program running"
fi
unset QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE

# ---- 2b. A second start the moment the first has its channel: the first may
# still be making its window and core; the open waits for them.
new_user early
export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
launch /Start
first=$program
end=$((SECONDS + 20))
until channel_open "$first" || ended "$first" || ((SECONDS >= end)); do sleep 0.001; done
timeout 20 "$bin/quorvane" >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "a second start during the first's start ends with 0" || fail "an early second start ended with $code"
if wait_for 30 window_viewable; then pass "an early second start shows the window"; else fail "an early second start showed nothing"; fi
running "$first" && pass "the first instance keeps running after an early open" || fail "the first instance ended"
timeout 20 "$bin/quorvane" /Kill >>"$work/log" 2>&1
wait_for 20 ended "$first" || fail "/Kill left the first instance running"
unset QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE
stop_tray

# ---- 3. No notification area: the window shows (unless /Start).
new_user notray
launch
first=$program
wait_for 20 window_viewable && pass "without a tray host the window shows" || fail "without a tray host nothing shows"
kill -TERM "$first"; wait_for 20 ended "$first" || fail "no-tray program did not end"
new_user notray-start
launch /Start
first=$program
wait_for 20 channel_open "$first" || fail "no-tray /Start: the instance channel did not open"
sleep 2
if running "$first"; then
    window_hidden && pass "/Start without a tray host stays hidden" || fail "/Start without a tray host showed the window"
    kill -TERM "$first"
    if wait_for 20 ended "$first"; then
        code=$(exit_code "$first")
        [ "$code" -eq 0 ] && pass "no-tray /Start ends with 0 on SIGTERM" || fail "no-tray /Start ended with $code"
    else
        fail "no-tray /Start program did not end"
    fi
else
    fail "/Start without a tray host ended by itself ($(exit_code "$first"))"
fi

# ---- 4. A start that cannot run: exit 1, one line naming what is missing and
# how to get it, and no window while it runs.
# Runs the program of folder $1 until it ends, watching for its window.
failed_start() {
    local folder=$1 expected=$2 what=$3 seen=0 code
    QUELLIX_DEVICE=virtual "$folder/quorvane" >"$work/failed.log" 2>&1 &
    local pid=$!
    pids+=($pid)
    local end=$((SECONDS + 20))
    while running "$pid" && ((SECONDS < end)); do
        window_viewable && seen=1
        sleep 0.05
    done
    if running "$pid"; then
        fail "$what: the program kept running"
        return
    fi
    code=$(exit_code "$pid")
    [ "$code" -eq 1 ] && pass "$what ends with 1" || fail "$what ended with $code"
    [ "$(cat "$work/failed.log")" = "$expected" ] && pass "and says what is missing" ||
        fail "$what printed: $(head -3 "$work/failed.log")"
    [ "$seen" -eq 0 ] || fail "$what: a window showed"
}
copy="$work/program"
cp -r "$bin" "$copy"
rm -f "$copy/Skins/main_over.jpg" "$copy/Skins/main_over@2x.jpg"
new_user noskin
failed_start "$copy" \
    "quorvane: Skins/main_over.jpg is missing: build the target quorvane_skin, or reinstall the package" \
    "a missing skin picture"

nolib="$work/nolib"
cp -r "$bin" "$nolib"
rm -f "$nolib/libquellix.so"
new_user nolib
failed_start "$nolib" \
    "quorvane: libquellix.so is missing: build the target quellix, or reinstall the package" \
    "a missing libquellix.so"

# ---- 4c. Two sessions of one user, each its own run-time folder: an older
# instance in A; in B a second start shows B's window and "/Kill" ends B; A is
# untouched.
# (A home each as well, so that B's own reload can be waited for.)
start_tray
export QUELLIX_DEVICE=virtual
new_user session-a
launch /Start
older=$program
wait_for 20 channel_open "$older" || fail "session A: the instance channel did not open"
new_user session-b
launch /Start
ours=$program
if wait_for 20 channel_open "$ours"; then
    pass "a start in session B runs beside A's instance"
else
    fail "a start in session B did not run ($(running "$ours" && echo running || exit_code "$ours"))"
fi
wait_for 30 keyboard_read || fail "session B: the keyboard was not read"
wait_for 30 icon_shows_keyboard "$ours" || fail "session B: the tray icon does not show the keyboard"
timeout 20 "$bin/quorvane" >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "a second start in B ends with 0" || fail "a second start in B ended with $code"
if wait_for 20 eval '[ "$(visible_window_pids)" = "$ours" ]'; then
    pass "a second start in B shows B's window"
else
    fail "windows on screen after a second start in B: pids $(visible_window_pids | tr '\n' ' ')(A $older, B $ours)"
fi
timeout 20 "$bin/quorvane" /Kill >>"$work/log" 2>&1
code=$?
[ "$code" -eq 0 ] && pass "/Kill in B ends with 0" || fail "/Kill in B ended with $code"
if wait_for 20 ended "$ours"; then
    code=$(exit_code "$ours")
    [ "$code" -eq 0 ] && pass "/Kill in B ends B's instance with 0" || fail "B's instance ended with $code"
else
    fail "/Kill in B left B's instance running"
fi
if running "$older" && [ -z "$(visible_window_pids)" ]; then
    pass "A's instance is untouched"
else
    fail "A's instance: $(running "$older" && echo "running, windows $(visible_window_pids)" || echo ended)"
fi
kill -TERM "$older"
wait_for 20 ended "$older" || fail "A's instance did not end"
unset QUELLIX_DEVICE
stop_tray

# ---- 5. Key assignments with real clicks and key presses: key A sends B, and
# a two-key macro recorded on the macro page plays on G1.
start_tray
new_user assign
export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
dialog_caption="Key Assignment"
dialog_viewable() { xwininfo -name "$dialog_caption" 2>/dev/null | grep -q IsViewable; }
dialog_hidden() { ! dialog_viewable; }
# Clicks the middle of a control of a layout file in the window $3.
click_control() {
    local x y
    read -r x y < <(awk -F'[=,]' -v k="$1" '$1 == k {print $2 + $4 / 2, $3 + $5 / 2}' "$bin/Skins/$2")
    xdotool mousemove --window "$3" "$x" "$y" click 1
}
# The arrival opens the window once the keyboard has been read.
launch
first=$program
if wait_for 20 window_viewable; then
    main=$(xdotool search --name "^$caption\$" | head -1)
    click_control KEY_01E Main.ini "$main"
    if wait_for 10 dialog_viewable; then
        pass "a click on key A opens the assignment dialog"
        dialog=$(xdotool search --name "^$dialog_caption\$" | head -1)
        xdotool key b
        click_control CONTROL_APPLY Composite.ini "$dialog"
        click_control CONTROL_OK Composite.ini "$dialog"
        wait_for 10 dialog_hidden && pass "OK closes the dialog" || fail "OK left the dialog open"
    else
        fail "key A opened no dialog"
    fi
    click_control FUNC_G1 Main.ini "$main"
    if wait_for 10 dialog_viewable; then
        dialog=$(xdotool search --name "^$dialog_caption\$" | head -1)
        click_control CONTROL_MACRO Composite.ini "$dialog"
        click_control FUNC_MACRO_ADD Composite.ini "$dialog"
        click_control FUNC_MACRO_RECORD Composite.ini "$dialog"
        xdotool key a b
        click_control FUNC_MACRO_RECORD Composite.ini "$dialog"
        click_control CONTROL_OK Composite.ini "$dialog"
        wait_for 10 dialog_hidden || fail "OK left the macro dialog open"
    else
        fail "G1 opened no dialog"
    fi
    # The main window's Apply, then OK, which hides the window once written.
    click_control CONTROL2_APPLY Main.ini "$main"
    click_control CONTROL_OK Main.ini "$main"
    wait_for 20 window_hidden || fail "the main window's OK did not hide it"
else
    fail "the keyboard's arrival did not open the window"
fi
kill -TERM "$first"
wait_for 20 ended "$first" || fail "the assigning program did not end"
# The virtual keyboard's memories, saved when the program ended.
keys=$(timeout 20 "$bin/quorvanectl" keys 2>&1)
if echo "$keys" | grep -Eq '^A +A +key:B +B$'; then
    pass "the keyboard's key table sends B for A"
else
    fail "key A on the keyboard: $(echo "$keys" | grep -E '^A ')"
fi
macros=$(timeout 20 "$bin/quorvanectl" macro list --json 2>&1)
if echo "$macros" | grep -q '"steps": \["down:A:50", "up:A:50", "down:B:50", "up:B:0"\]'; then
    pass "the keyboard's macro area holds the recorded macro"
else
    fail "the keyboard's macros: $macros"
fi
unset QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE
stop_tray

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/log"
    exit 1
fi
