#!/usr/bin/env bash
# Installs the Debian packages that are missing for what comes next:
#   scripts/deps.sh run    building and starting the console and the simulated controller
#   scripts/deps.sh [test] everything: the tests, the sanitizer, Windows and package checks
set -euo pipefail

# The console (Qt Widgets and the window's font) and controller_sim.
run_packages=(
    cmake ninja-build g++
    qt6-base-dev libgl-dev
    fonts-liberation2
)
# Everything the tests, the benchmarks and the packaging need besides.
test_packages=(
    "${run_packages[@]}"
    clang-14 libclang-rt-14-dev
    libgtest-dev
    xvfb xauth x11-apps
    desktop-file-utils
    lintian help2man groff-base
    qt6-serialport-dev libserialport-dev
    g++-mingw-w64-x86-64-posix wine64 python3
    # The Windows stage: Qt for Windows built from Debian's source, Wine's own fonts (MS Sans
    # Serif), and clicks, screenshots and the clipboard on its X display.
    dpkg-dev perl fonts-wine xdotool imagemagick xclip
)

case "${1:-test}" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    *)
        echo "deps.sh: unknown set $1 (run or test)" >&2
        exit 2
        ;;
esac

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
