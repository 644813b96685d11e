#!/usr/bin/env bash
# Checks the names in src/ against CONTRIBUTING.md's style: clang-tidy with only
# readability-identifier-naming, on build/default's compile_commands.json.
#   scripts/lint-names.sh                 every source file of src/
#   scripts/lint-names.sh FILE...         only these (.cpp; headers through them)
#   scripts/lint-names.sh --fix [FILE...] renames what it reports, in place
# Exits non-zero when a name is off style.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
db=build/default/compile_commands.json
if [ ! -f "$db" ]; then
    echo "lint-names: $db missing; run: cmake --preset default" >&2
    exit 2
fi
fix=()
if [ "${1:-}" = "--fix" ]; then
    fix=(-fix)
    shift
fi
if [ $# -eq 0 ]; then
    mapfile -t files < <(python3 -c '
import json, sys
root = sys.argv[1] + "/src/"
print("\n".join(sorted({e["file"] for e in json.load(open(sys.argv[2])) if e["file"].startswith(root)})))
' "$root" "$db")
else
    files=()
    for f in "$@"; do files+=("$(realpath "$f")"); done
fi
log=$(mktemp)
# Anchored paths: run-clang-tidy takes its file arguments as patterns.
patterns=()
for f in "${files[@]}"; do patterns+=("^$(printf '%s' "$f" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"); done
run-clang-tidy -quiet -p build/default -j "$(nproc)" "${fix[@]}" \
    -checks='-*,readability-identifier-naming' -header-filter="^$root/src/" \
    "${patterns[@]}" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' | tee "$log" | grep -E 'warning:|error:' | sort -u || true
status=0
if grep -qE 'warning:|error:' "$log"; then
    status=1
fi
rm -f "$log"
exit "$status"
