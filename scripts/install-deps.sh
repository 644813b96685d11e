#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again.
set -euo pipefail

packages=(
    build-essential g++ cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libudev-dev
    umockdev libumockdev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format clang-tidy
    xvfb trayer xdotool x11-utils x11-apps openbox
    weston qt6-wayland
    xfce4-panel xfconf dbus-daemon libglib2.0-bin
    python3-pyatspi at-spi2-core
    dpkg-dev file lintian desktop-file-utils appstream util-linux
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
