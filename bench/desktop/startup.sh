#!/usr/bin/env bash
# Start-up figures of the desktop program as real processes under Xvfb with
# trayer as the notification host, each against the plain Qt baseline
# (bench_plain_window: the same eleven pictures, a tray icon, a window):
#   - process start to the tray icon being embedded;
#   - the open action (a second start) to the main window being viewable,
#     against the baseline's start to its window being viewable.
# Usage: bench/desktop/startup.sh <program folder of a release build> [runs]
set -eu
bin=$(cd "$1" && pwd)
runs=${2:-10}
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

now_ms() { date +%s%3N; }
icon_of() { xwininfo -root -tree 2>/dev/null | awk '/"panel"/{p=1} p' | grep -q "$1"; }
viewable() { xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; }
wait_until() { local end=$(( $(now_ms) + 20000 )); until "$@"; do (( $(now_ms) < end )) || return 1; sleep 0.002; done; }

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2)}'; }

: >"$work/q-icon"; : >"$work/b-icon"; : >"$work/q-open"; : >"$work/b-open"
for run in $(seq "$runs"); do
    export HOME="$work/home$run" XDG_RUNTIME_DIR="$work/run$run" XDG_CONFIG_HOME="$work/home$run/c"
    mkdir -p "$HOME" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export QUELLIX_VIRTUAL_STATE="$HOME/state"

    t0=$(now_ms); "$bin/quorvane" /Start >/dev/null 2>&1 & q=$!
    wait_until icon_of '("quorvane" "Quorvane")'; echo $(( $(now_ms) - t0 )) >>"$work/q-icon"
    sleep 1
    t0=$(now_ms); "$bin/quorvane" >/dev/null 2>&1
    wait_until viewable "Quorvane Keyboard Settings"; echo $(( $(now_ms) - t0 )) >>"$work/q-open"
    kill "$q"; wait "$q" || true

    t0=$(now_ms); "$bin/bench_plain_window" >/dev/null 2>&1 & b=$!
    wait_until icon_of '("bench_plain_window"'; echo $(( $(now_ms) - t0 )) >>"$work/b-icon"
    kill "$b"; wait "$b" || true
    t0=$(now_ms); "$bin/bench_plain_window" --show >/dev/null 2>&1 & b=$!
    wait_until viewable "Plain picture window"; echo $(( $(now_ms) - t0 )) >>"$work/b-open"
    kill "$b"; wait "$b" || true
done
printf '%-44s %8s %8s\n' figure "median" "ratio"
qi=$(median <"$work/q-icon"); bi=$(median <"$work/b-icon")
qo=$(median <"$work/q-open"); bo=$(median <"$work/b-open")
printf '%-44s %6s ms\n' "quorvane: start to tray icon" "$qi"
printf '%-44s %6s ms %8.2f\n' "baseline: start to tray icon" "$bi" "$(echo "$qi / $bi" | bc -l)"
printf '%-44s %6s ms\n' "quorvane: open action to window viewable" "$qo"
printf '%-44s %6s ms %8.2f\n' "baseline: start to window viewable" "$bo" "$(echo "$qo / $bo" | bc -l)"
