#!/usr/bin/env bash
# Start-up and tray figures of the desktop program as real processes under
# Xvfb with trayer as the notification host, each against the plain Qt
# baseline (bench_plain_window: the same eleven pictures, a tray icon, a
# window) in the same run:
#   - process start to the tray icon being embedded;
#   - resident memory in the tray, 6 s after the start;
#   - resident memory once the window was shown and hidden again (Cancel);
#   - the open action (a second start) to the main window being viewable,
#     against the baseline's start to its window being viewable.
# Usage: bench/desktop/startup.sh <program folder of a release build> [runs]
set -eu
bin=$(cd "$1" && pwd)
runs=${2:-7}
settle_s=6
work=$(mktemp -d "${TMPDIR:-/tmp}/qstart.XXXXXX")
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1366x768x24 -nolisten tcp -noreset >/dev/null 2>&1 & pids+=($!)
read -r -t 20 -u "$display_fd" display_number
export DISPLAY=":$display_number"
trayer --edge bottom --widthtype pixel --width 200 >/dev/null 2>&1 & pids+=($!)
sleep 0.5
export LC_ALL=C QUELLIX_DEVICE=virtual
caption="Quorvane Keyboard Settings"

now_ms() { date +%s%3N; }
icon_of() { xwininfo -root -tree 2>/dev/null | awk '/"panel"/{p=1} p' | grep -q "$1"; }
viewable() { xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; }
hidden() { ! viewable "$1"; }
wait_until() { local end=$(( $(now_ms) + 20000 )); until "$@"; do (( $(now_ms) < end )) || return 1; sleep 0.002; done; }
# Sleeps until $1 s after the moment $2 (ms).
sleep_until() { local left=$(( $2 + $1 * 1000 - $(now_ms) )); (( left <= 0 )) || sleep "$(echo "$left / 1000" | bc -l)"; }
# Resident and anonymous resident memory of a process, in KiB: "rss anon".
memory_of() { awk '/^VmRSS:/{r=$2} /^RssAnon:/{a=$2} END {print r, a}' "/proc/$1/status"; }
click_cancel() {
    local cx cy id
    read -r cx cy < <(awk -F'[=,]' '/^CONTROL_CANCEL=/{print $2 + $4 / 2, $3 + $5 / 2}' "$bin/Skins/Main.ini")
    id=$(xdotool search --name "^$caption\$" | head -1)
    xdotool mousemove --window "$id" "$cx" "$cy" click 1
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2)}'; }

for f in q-icon b-icon q-open b-open q-tray q-tray-anon b-tray b-tray-anon q-shown q-hidden q-hidden-anon; do
    : >"$work/$f"
done
for run in $(seq "$runs"); do
    export HOME="$work/home$run" XDG_RUNTIME_DIR="$work/run$run" XDG_CONFIG_HOME="$work/home$run/c"
    mkdir -p "$HOME" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export QUELLIX_VIRTUAL_STATE="$HOME/state"

    t0=$(now_ms); "$bin/quorvane" /Start >/dev/null 2>&1 & q=$!
    wait_until icon_of '("quorvane" "Quorvane")'; echo $(( $(now_ms) - t0 )) >>"$work/q-icon"
    sleep_until "$settle_s" "$t0"
    read -r rss anon < <(memory_of "$q"); echo "$rss" >>"$work/q-tray"; echo "$anon" >>"$work/q-tray-anon"
    t0=$(now_ms); "$bin/quorvane" >/dev/null 2>&1
    wait_until viewable "$caption"; echo $(( $(now_ms) - t0 )) >>"$work/q-open"
    sleep 1
    read -r rss anon < <(memory_of "$q"); echo "$rss" >>"$work/q-shown"
    click_cancel; wait_until hidden "$caption"
    sleep 2
    read -r rss anon < <(memory_of "$q"); echo "$rss" >>"$work/q-hidden"; echo "$anon" >>"$work/q-hidden-anon"
    kill "$q"; wait "$q" || true

    t0=$(now_ms); "$bin/bench_plain_window" >/dev/null 2>&1 & b=$!
    wait_until icon_of '("bench_plain_window"'; echo $(( $(now_ms) - t0 )) >>"$work/b-icon"
    sleep_until "$settle_s" "$t0"
    read -r rss anon < <(memory_of "$b"); echo "$rss" >>"$work/b-tray"; echo "$anon" >>"$work/b-tray-anon"
    kill "$b"; wait "$b" || true
    t0=$(now_ms); "$bin/bench_plain_window" --show >/dev/null 2>&1 & b=$!
    wait_until viewable "Plain picture window"; echo $(( $(now_ms) - t0 )) >>"$work/b-open"
    kill "$b"; wait "$b" || true
done
mib() { echo "$1 / 1024" | bc -l; }
ratio() { echo "$1 / $2" | bc -l; }
qi=$(median <"$work/q-icon"); bi=$(median <"$work/b-icon")
qo=$(median <"$work/q-open"); bo=$(median <"$work/b-open")
qt=$(median <"$work/q-tray"); qta=$(median <"$work/q-tray-anon")
bt=$(median <"$work/b-tray"); bta=$(median <"$work/b-tray-anon")
qs=$(median <"$work/q-shown"); qh=$(median <"$work/q-hidden"); qha=$(median <"$work/q-hidden-anon")
printf '%-52s %10s %8s\n' "figure (median of $runs)" value ratio
printf '%-52s %7s ms\n' "quorvane: start to tray icon" "$qi"
printf '%-52s %7s ms %8.2f\n' "baseline: start to tray icon" "$bi" "$(ratio "$qi" "$bi")"
printf '%-52s %6.1f MiB (%.1f anon)\n' "quorvane: resident in the tray after ${settle_s} s" "$(mib "$qt")" "$(mib "$qta")"
printf '%-52s %6.1f MiB (%.1f anon) %8.2f\n' "baseline: resident in the tray after ${settle_s} s" "$(mib "$bt")" \
    "$(mib "$bta")" "$(ratio "$qt" "$bt")"
printf '%-52s %6.1f MiB\n' "quorvane: resident while the window is shown" "$(mib "$qs")"
printf '%-52s %6.1f MiB (%.1f anon) %8.2f\n' "quorvane: resident shown then hidden (vs its tray)" "$(mib "$qh")" \
    "$(mib "$qha")" "$(ratio "$qh" "$qt")"
printf '%-52s %7s ms\n' "quorvane: open action to window viewable" "$qo"
printf '%-52s %7s ms %8.2f\n' "baseline: start to window viewable" "$bo" "$(ratio "$qo" "$bo")"
