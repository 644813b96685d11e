#!/usr/bin/env bash
# The whole test suite: the debug build with every test, the core tests and the
# desktop program's in-process tests under address+undefined sanitizers (the
# latter in the same folder, so only the Qt layer is built again), the threaded
# device tests under the thread sanitizer, the names checked against
# CONTRIBUTING.md, and the Debian package built from a release build and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs" "$@"
}

run_preset default
run_preset asan
run_preset asan-desktop
run_preset tsan -L threads
scripts/package-test.sh
