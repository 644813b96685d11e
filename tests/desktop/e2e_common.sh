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
