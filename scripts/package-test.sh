#!/usr/bin/env bash
# Builds the Debian package from the release build of the "package" preset and
# checks it: its file list, the udev rule, the desktop, autostart and metainfo
# files, the maintainer scripts, lintian (no error, no warning that is not
# overridden), and quorvanectl run from the unpacked package against the
# virtual keyboard. Arguments go to the configure step (e.g. a compiler launcher).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=build/package
jobs=$(nproc)
app_id=org.quorvane.Quorvane

fail() {
    echo "package-test: FAILED: $*" >&2
    exit 1
}

cmake --preset package "$@" >/dev/null
cmake --build --preset package -j "$jobs"
rm -rf "$build/package"
cpack --preset package >/dev/null
debs=("$build"/package/quorvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
echo "package-test: $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

# ---- File list: exactly what the build made, in its place -------------------------
# The desktop program and what belongs to it come once its target exists.
with_program=no
# Captured first: under pipefail, grep -q leaving early would fail ninja's write.
targets=$(ninja -C "$build" -t targets all)
grep -q '^quorvane: ' <<<"$targets" && with_program=yes
{
    echo usr/bin/quorvanectl
    echo usr/lib/quorvane/quorvanectl
    echo usr/lib/quorvane/libquellix.so
    for f in data/lang/Lang*.ini; do echo "usr/lib/quorvane/$(basename "$f")"; done
    (cd "$build/bin" && find Skins -type f) | sed 's|^|usr/lib/quorvane/|'
    if [ -d data/help ]; then
        (cd data/help && find . -type f) | sed 's|^\./|usr/lib/quorvane/Help/|'
    fi
    echo usr/lib/udev/rules.d/70-quorvane.rules
    echo usr/share/doc/quorvane/copyright
    echo usr/share/doc/quorvane/changelog.gz
    echo usr/share/man/man1/quorvanectl.1.gz
    for size in 16 22 24 32 48 64 128 256; do
        echo "usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
    for size in 16 22 24 32 48 64; do
        for name in quorvane quorvane-connected quorvane-signal; do
            echo "usr/share/icons/hicolor/${size}x${size}/status/$name.png"
        done
    done
    if [ $with_program = yes ]; then
        echo usr/bin/quorvane
        echo usr/lib/quorvane/quorvane
        echo usr/lib/quorvane/quorvane_desktop.so
        echo usr/share/man/man1/quorvane.1.gz
        echo "usr/share/applications/$app_id.desktop"
        echo "etc/xdg/autostart/$app_id.desktop"
        echo "usr/share/metainfo/$app_id.metainfo.xml"
    fi
} | sort >"$work/expected"
(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/actual"
diff -u "$work/expected" "$work/actual" || fail "the package's files differ from the expected list (- missing, + unexpected)"

for program in quorvanectl $([ $with_program = yes ] && echo quorvane); do
    [ "$(readlink "$root/usr/bin/$program")" = "../lib/quorvane/$program" ] ||
        fail "/usr/bin/$program is not a relative link to the program folder"
done
find "$root/usr/lib/quorvane" -perm /022 | grep . && fail "group- or world-writable files in the program folder"

# ---- The udev rule ---------------------------------------------------------------
rule=$root/usr/lib/udev/rules.d/70-quorvane.rules
# The boot keyboard interface (the typed keys) is passed over before access is given.
rule_lines='SUBSYSTEM!="hidraw", GOTO="quorvane_end"
ATTRS{bInterfaceClass}=="03", ATTRS{bInterfaceProtocol}=="01", GOTO="quorvane_end"
ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="5004", TAG+="uaccess"
LABEL="quorvane_end"'
[ "$(grep -v '^#' "$rule" | grep -v '^$')" = "$rule_lines" ] || fail "the udev rule reads: $(cat "$rule")"

# ---- Desktop entry, autostart entry, metainfo ---------------------------------------
if [ $with_program = yes ]; then
    desktop=$root/usr/share/applications/$app_id.desktop
    autostart=$root/etc/xdg/autostart/$app_id.desktop
    metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
    dpkg-deb -f "$deb" Depends | grep -c 'libqt6' >/dev/null || fail "no Qt dependency computed for quorvane"
    grep -qx "/etc/xdg/autostart/$app_id.desktop" "$work/control/conffiles" ||
        fail "the autostart entry is no conffile"
else
    echo "package-test: no quorvane program in this build: checking the desktop files from the source"
    desktop=packaging/$app_id.desktop
    autostart=packaging/$app_id.autostart.desktop
    metainfo=packaging/$app_id.metainfo.xml
fi
desktop-file-validate "$desktop" || fail "desktop entry"
desktop-file-validate "$autostart" || fail "autostart entry"
grep -qx 'Exec=quorvane /Start' "$autostart" || fail "the autostart entry does not start with /Start"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "the desktop entry's icon $icon is not in the package"
appstreamcli validate --no-net "$metainfo" || fail "metainfo"
grep -q '<modalias>usb:v0C45p5004\*</modalias>' "$metainfo" || fail "the metainfo names no keyboard modalias"
dpkg-deb -f "$deb" Depends | grep -c 'libudev1' >/dev/null || fail "no libudev dependency computed"
dpkg-deb -f "$deb" Recommends | grep -q 'fonts-noto-cjk' || fail "no CJK font recommended for the Chinese texts"

# ---- Maintainer scripts: never fail, also where udev is missing or broken ----------------
mkdir -p "$work/fakebin"
printf '#!/bin/sh\nexit 1\n' >"$work/fakebin/udevadm"
chmod +x "$work/fakebin/udevadm"
for script in postinst postrm; do
    [ -x "$work/control/$script" ] || fail "no executable $script"
done
PATH=$work/fakebin:$PATH /bin/sh "$work/control/postinst" configure || fail "postinst fails when udevadm does"
PATH=/nonexistent /bin/sh "$work/control/postinst" configure || fail "postinst fails without udevadm"
PATH=$work/fakebin:$PATH /bin/sh "$work/control/postrm" remove || fail "postrm fails when udevadm does"

# ---- lintian ----------------------------------------------------------------------------
lintian --fail-on error,warning --display-info "$deb" | tee "$work/lintian.txt" || fail "lintian"
echo "package-test: lintian: $(grep -c '^[EW]:' "$work/lintian.txt" || true) errors or warnings, $(grep -c '^I:' "$work/lintian.txt" || true) infos"

# ---- The unpacked package runs -------------------------------------------------------------
home=$work/home
mkdir -p "$home"
run_installed() {
    env -u QUORVANE_QUIET_ROOT HOME="$home" XDG_CONFIG_HOME="$home/.config" LC_ALL=C LANG=C \
        QUORVANE_QUIET_ROOT=1 "$@"
}
out=$(run_installed env QUELLIX_DEVICE=virtual "$root/usr/bin/quorvanectl" status) ||
    fail "quorvanectl status from the unpacked package: $out"
grep -qx 'keyboards: 1' <<<"$out" || fail "quorvanectl status said: $out"
run_installed "$root/usr/bin/quorvanectl" --help | grep -c '^  4  ' >/dev/null || fail "quorvanectl --help has no exit code 4"
if [ $with_program = yes ]; then
    run_installed env QT_QPA_PLATFORM=offscreen "$root/usr/bin/quorvane" --help |
        grep -c '^Usage: quorvane' >/dev/null || fail "quorvane --help prints no usage"
fi

# A keyboard node this user may not open (root without the capabilities that
# open anything): the cause, the fix and exit code 4, from the installed layout.
touch "$work/hidraw0"
chmod 000 "$work/hidraw0"
unprivileged=()
[ "$(id -u)" -eq 0 ] && unprivileged=(setpriv --bounding-set -dac_override,-dac_read_search)
set +e
err=$(run_installed env QUELLIX_DEVICE="hidraw:$work/hidraw0" "${unprivileged[@]}" \
    "$root/usr/bin/quorvanectl" status 2>&1 >/dev/null)
code=$?
set -e
[ $code -eq 4 ] || fail "a node that may not be opened gave exit $code: $err"
grep -q "udev rule is missing" <<<"$err" || fail "no cause and fix for a node that may not be opened: $err"

# ---- Figures ------------------------------------------------------------------------------
# Median wall time of 21 runs, in microseconds.
median_us() {
    local times=() start end
    for _ in $(seq 21); do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 11p
}
size=$(dpkg-deb -f "$deb" Installed-Size)
status_us=$(median_us run_installed env QUELLIX_DEVICE=virtual "$root/usr/bin/quorvanectl" status)
help_us=$(median_us run_installed "$root/usr/bin/quorvanectl" --help)
echo "package-test: installed size ${size} KiB ($(stat -c %s "$deb") bytes packed)"
echo "package-test: from the unpacked package, median of 21 runs: quorvanectl status" \
    "(virtual keyboard) ${status_us} us, quorvanectl --help ${help_us} us"
echo "package-test: passed"
