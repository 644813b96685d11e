#!/usr/bin/env bash
# The tray icon on real notification hosts, as real processes under Xvfb and
# a private session bus. xfce4-panel's StatusNotifier host: the item is
# registered with the watcher under its themed icon name, its Activate opens
# the window, its menu (read and clicked over dbusmenu) speaks the current
# language, a language chosen there changes the texts at once and is kept
# for the next start, and Exit ends the program with 0. trayer's XEmbed
# tray: a single click does nothing, a double click opens the window.
# Usage: tray_sni_e2e.sh <program folder>
set -u

# Never the desktop's own bus: the test runs on a bus of its own.
if [ -z "${QUORVANE_TRAY_E2E_BUS:-}" ]; then
    exec env QUORVANE_TRAY_E2E_BUS=1 dbus-run-session -- "$0" "$@"
fi

. "$(dirname "$0")/e2e_common.sh" "$1" qtray
start_xvfb

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/home/run"
export XDG_CACHE_HOME="$work/home/cache" XDG_DATA_HOME="$work/home/data"
mkdir -p "$XDG_CONFIG_HOME" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# UTF-8 for the menu labels gdbus prints; the program takes it as English.
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QUELLIX_DEVICE=virtual NO_AT_BRIDGE=1
unset QUELLIX_VIRTUAL_STATE QUELLIX_RECORD

# A language text from the program folder's files ("0409", "040C", ...).
text() { grep -m1 "^$2=" "$bin/Lang$1.ini" | cut -d= -f2- | tr -d '\r'; }

# ---- D-Bus helpers ------------------------------------------------------------
watcher_get() {
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
host_registered() { watcher_get IsStatusNotifierHostRegistered | grep -q true; }
bus_pid() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.GetConnectionUnixProcessID "$1" 2>/dev/null |
        grep -oE '[0-9]+' | tail -1
}
# The bus name and object path of the watcher's item that belongs to $program.
find_item() {
    local entry name
    for entry in $(watcher_get RegisteredStatusNotifierItems | grep -oE "'[^']+'" | tr -d "'"); do
        name=${entry%%/*}
        if [ "$(bus_pid "$name")" = "$program" ]; then
            item=$name
            item_path=/${entry#*/}
            [ "$item_path" = "/$entry" ] && item_path=/StatusNotifierItem
            return 0
        fi
    done
    return 1
}
item_get() {
    gdbus call --session -d "$item" -o "$item_path" \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1" 2>/dev/null
}
icon_name_is() { item_get IconName | grep -q "'$1'"; }
menu_path() { item_get Menu | grep -oE "'/[^']*'" | tr -d "'"; }
# "<id> <label>" for every entry of the item's menu, submenus included.
menu_entries() {
    gdbus call --session -d "$item" -o "$(menu_path)" -m com.canonical.dbusmenu.GetLayout \
        0 "int32 -1" "['label']" 2>/dev/null |
        grep -oE "\(([0-9]+), \{[^}]*'label': <'[^']*'>" |
        sed -E "s/^\(([0-9]+), .*'label': <'(.*)'>$/\1 \2/"
}
menu_labels() { menu_entries | cut -d' ' -f2- | paste -sd'|'; }
menu_labels_are() { [ "$(menu_labels)" = "$1" ]; }
menu_id() { menu_entries | awk -v l="$1" '{ id = $1; $1 = ""; if (substr($0, 2) == l) print id }' | head -1; }
menu_click() {
    gdbus call --session -d "$item" -o "$(menu_path)" -m com.canonical.dbusmenu.Event \
        "$(menu_id "$1")" clicked "<int32 0>" "uint32 0" >/dev/null
}
activate() {
    gdbus call --session -d "$item" -o "$item_path" -m org.kde.StatusNotifierItem.Activate 0 0 \
        >/dev/null
}

# ---- Window and process helpers -------------------------------------------------
window_viewable() { xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; }
window_hidden() { ! window_viewable "$1"; }
# $status: the exit status of $1 once it ended within 20 s, else "running".
await_exit() {
    if wait_for 20 ended "$1"; then
        wait "$1"
        status=$?
    else
        status=running
    fi
}
# What a menu shows in a language: Open|About|Language|<the seven>|Exit.
expected_labels() {
    local names="English|Français|Español|Português|한국어|简体中文|繁體中文"
    echo "$(text "$1" IDS_POP_UP_MENU_OPEN)|$(text "$1" IDS_POP_UP_MENU_ABOUT)|$(text "$1" IDS_POP_UP_MENU_LANGUAGE)|$names|$(text "$1" IDS_POP_UP_MENU_EXIT)"
}

english_caption=$(text 0409 IDS_MAIN_CAPTION)
french_caption=$(text 040C IDS_MAIN_CAPTION)

# ---- 1. xfce4-panel with one systray plugin: a StatusNotifier host. -------------
panel_config="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$panel_config"
cat >"$panel_config/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
xfce4-panel --disable-wm-check >"$work/panel.log" 2>&1 &
panel=$!
pids+=($panel)
wait_for 30 host_registered || { echo "FAIL: xfce4-panel registered no StatusNotifier host"; exit 1; }

# "/Start" keeps the window hidden when the keyboard arrives.
launch /Start
if wait_for 20 find_item; then
    pass "the item is registered with the StatusNotifier watcher"
else
    fail "no item of the program at the watcher"
fi
if wait_for 10 icon_name_is quorvane-connected; then
    pass "the item's icon goes by its themed name"
else
    fail "IconName is $(item_get IconName)"
fi
item_get IconPixmap | grep -q "64, 64" && pass "the item carries the icon's pixels too" ||
    fail "no 64x64 IconPixmap"

window_hidden "$english_caption" || fail "the window showed after /Start"
activate
wait_for 10 window_viewable "$english_caption" && pass "Activate opens the window" ||
    fail "Activate left the window closed"

english=$(expected_labels 0409)
wait_for 10 menu_labels_are "$english" && pass "the menu speaks English" ||
    fail "menu: $(menu_labels), expected $english"

# A language chosen in the tray menu: every text changes at once.
menu_click "Français"
french=$(expected_labels 040C)
wait_for 10 menu_labels_are "$french" && pass "choosing Français turns the menu French" ||
    fail "menu after Français: $(menu_labels)"
wait_for 10 window_viewable "$french_caption" && pass "the window's caption turns French" ||
    fail "the window's caption did not change"
tooltip_is() { item_get ToolTip | grep -qF "'$1'"; }
wait_for 10 tooltip_is "$(text 040C IDS_KEYBOARD_TRAY_DESC)" && pass "the item's tooltip turns French" ||
    fail "tooltip: $(item_get ToolTip)"

menu_click "$(text 040C IDS_POP_UP_MENU_EXIT)"
await_exit "$program"
[ "$status" = 0 ] && pass "Exit in the menu ends the program with 0" ||
    fail "Exit in the menu: status $status"

# The next start keeps the chosen language.
launch /Start
wait_for 20 find_item || fail "no item after the second start"
wait_for 10 menu_labels_are "$french" && pass "a later start speaks the chosen language" ||
    fail "menu after restart: $(menu_labels)"
activate
wait_for 10 window_viewable "$french_caption" && pass "Activate opens the French window" ||
    fail "no French window after restart"
menu_click "English"
wait_for 10 menu_labels_are "$english" || fail "menu after English: $(menu_labels)"
menu_click "$(text 0409 IDS_POP_UP_MENU_EXIT)"
await_exit "$program"
[ "$status" = 0 ] || fail "Exit did not end the second program with 0: $status"

kill "$panel" 2>/dev/null
wait "$panel" 2>/dev/null

# ---- 2. trayer: an XEmbed tray, no StatusNotifier host. ------------------------
trayer --edge bottom --widthtype pixel --width 200 --heighttype pixel --height 26 >/dev/null 2>&1 &
pids+=($!)
icon_window() {
    xwininfo -root -tree 2>/dev/null | awk '/"panel"/{p=1} p' |
        grep '("quorvane" "Quorvane")' | awk '{print $1}' | head -1
}
icon_embedded() { [ -n "$(icon_window)" ]; }
launch /Start
if wait_for 20 icon_embedded; then
    icon=$(icon_window)
    window_hidden "$english_caption" || fail "the window showed after /Start with trayer"
    xdotool mousemove --window "$icon" 4 4 click 1
    # Nothing is to happen: look for a second that it does not.
    if wait_for 1 window_viewable "$english_caption"; then
        fail "a single click on the XEmbed icon opened the window"
    else
        pass "a single click on the XEmbed icon does nothing"
    fi
    xdotool mousemove --window "$icon" 4 4 click --repeat 2 --delay 80 1
    wait_for 10 window_viewable "$english_caption" &&
        pass "a double click on the XEmbed icon opens the window" ||
        fail "a double click on the XEmbed icon left the window closed"
else
    fail "no XEmbed icon in trayer"
fi
kill -TERM "$program"
await_exit "$program"
[ "$status" = 0 ] || fail "SIGTERM did not end the XEmbed program with 0: $status"

if ((failures > 0)); then
    echo "--- program log"
    cat "$work/log"
    echo "$failures failure(s)"
    exit 1
fi
echo "all passed"
