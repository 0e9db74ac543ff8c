#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang-14 libclang-rt-14-dev
    libgtest-dev qt6-base-dev libgl-dev
    fonts-liberation2 xvfb xauth x11-apps
    desktop-file-utils
    lintian help2man
    qt6-serialport-dev libserialport-dev
    g++-mingw-w64-x86-64-posix wine64 python3
    # The Windows stage: Qt for Windows built from Debian's source, Wine's own fonts (MS Sans
    # Serif), and clicks, screenshots and the clipboard on its X display.
    dpkg-dev perl fonts-wine xdotool imagemagick xclip
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
