#!/bin/sh
# every-language.sh <screenshots program> <folder>: the program's windows in
# each of the seven languages at 100 %, and in English and Spanish (the
# longest texts) at 200 %, one folder each.
set -eu
program=$1
out=$2
for locale in C fr_FR.UTF-8 es_ES.UTF-8 pt_BR.UTF-8 ko_KR.UTF-8 zh_CN.UTF-8 zh_TW.UTF-8; do
    "$program" --out "$out/$locale-100" --locale "$locale" >/dev/null
done
for locale in C es_ES.UTF-8; do
    "$program" --out "$out/$locale-200" --locale "$locale" --scale 2 >/dev/null
done
echo "$out"
