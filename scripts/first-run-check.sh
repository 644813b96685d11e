#!/usr/bin/env bash
# A new user's first try: the README's first command, exactly as written there,
# in a fresh clone (so it builds from nothing) under Xvfb with a notification
# host. The program must open its window (the virtual keyboard is attached, so
# it opens once the keyboard has been read) and end with 0 on "/Kill".
# Prints the seconds from the command's start to the window on screen.
# Usage: scripts/first-run-check.sh [revision]   (default: HEAD)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
revision=${1:-HEAD}
# The build inside the command gets this long before the check gives up.
limit=${FIRST_RUN_LIMIT:-1500}

work=$(mktemp -d "${TMPDIR:-/tmp}/qfirst.XXXXXX")
started=()
cleanup() {
    # Each background job is the leader of its own process group.
    for p in "${started[@]}"; do kill -- "-$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

git clone -q --no-local "$repo" "$work/clone"
git -C "$work/clone" checkout -q "$revision"

# The first line of that README.md's first code block (indented or fenced).
command=$(awk '
    /^```/ { if (fenced) exit; fenced = 1; next }
    fenced || /^    [^ ]/ { sub(/^    /, ""); print; exit }' "$work/clone/README.md")
[ -n "$command" ] || { echo "first-run: README.md has no code block"; exit 1; }

exec {display_fd}<> <(:)
setsid Xvfb -displayfd "$display_fd" -screen 0 1366x768x24 -nolisten tcp -noreset \
    >/dev/null 2>&1 &
started+=($!)
read -r -t 20 -u "$display_fd" display_number || { echo "first-run: Xvfb did not start"; exit 1; }
export DISPLAY=":$display_number"

# A user who has never run the program.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export XDG_CACHE_HOME="$work/home/.cache" LC_ALL=C LANG=C
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QUELLIX_DEVICE QUELLIX_VIRTUAL_STATE QUELLIX_RECORD

setsid trayer --edge bottom --widthtype pixel --width 200 --heighttype pixel --height 26 \
    >/dev/null 2>&1 &
started+=($!)

caption="Quorvane Keyboard Settings"
window_viewable() { xwininfo -name "$caption" 2>/dev/null | grep -q IsViewable; }

echo "first-run: $command"
start=$SECONDS
(cd "$work/clone" && exec setsid bash -c "$command") >"$work/first-run.log" 2>&1 &
job=$!
started+=($job)
while ! window_viewable; do
    if ! kill -0 "$job" 2>/dev/null; then
        code=0
        wait "$job" || code=$?
        tail -n 30 "$work/first-run.log"
        echo "FAIL first-run: the command ended with $code and no window was seen"
        exit 1
    fi
    if ((SECONDS - start > limit)); then
        tail -n 30 "$work/first-run.log"
        echo "FAIL first-run: no window after $limit s"
        exit 1
    fi
    sleep 0.2
done
echo "first-run: the window is on screen $((SECONDS - start)) s after the command started"

code=0
(cd "$work/clone" && timeout 60 build/default/bin/quorvane /Kill) || code=$?
[ "$code" -eq 0 ] || { echo "FAIL first-run: /Kill ended with $code"; exit 1; }
for _ in $(seq 300); do
    kill -0 "$job" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$job" 2>/dev/null; then
    echo "FAIL first-run: /Kill left the program running"
    exit 1
fi
code=0
wait "$job" || code=$?
[ "$code" -eq 0 ] || { tail -n 30 "$work/first-run.log"; echo "FAIL first-run: the program ended with $code"; exit 1; }
echo "first-run: ok"
