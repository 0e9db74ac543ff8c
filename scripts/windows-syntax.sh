#!/usr/bin/env bash
# Compiles the window and the program start for Windows in syntax-only mode, so that their
# Windows parts (the *_win32.cpp files) at least parse and type-check: mingw-w64 against this
# machine's Qt headers, with the defines a MinGW build of these targets gets from Qt's CMake
# package. No objects, no link, no moc; the headers keep this machine's Qt configuration
# (README, Windows).
#
#   scripts/windows-syntax.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || {
    echo "windows-syntax: $cxx not found (Debian package g++-mingw-w64-x86-64-posix)" >&2
    exit 1
}
qt=$(qtpaths6 --query QT_INSTALL_HEADERS)
mkspecs=$(qtpaths6 --query QT_HOST_DATA)/mkspecs

flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Werror
    # The Linux headers' export and visibility attributes mean nothing to a Windows target.
    -Wno-attributes
    -DWIN32 -DWIN64 -D_WIN64 -D_ENABLE_EXTENDED_ALIGNED_STORAGE -DMINGW_HAS_SECURE_API=1
    -DUNICODE -D_UNICODE -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NO_DEBUG
    -I. -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets"
    -isystem "$mkspecs/win32-g++")

# What a Windows build of the window and the program compiles: all but the POSIX backends.
sources=()
for source in console/window/*.cpp app/*.cpp; do
    [[ $source == *_posix.cpp ]] || sources+=("$source")
done
printf '%s\0' "${sources[@]}" | xargs -0 -n 1 -P "${JOBS:-$(nproc)}" "$cxx" "${flags[@]}" || {
    echo "windows-syntax: the Windows build of the window or the program does not compile" >&2
    exit 1
}
echo "windows-syntax: ${#sources[@]} files parse and type-check for Windows"
