#!/usr/bin/env bash
# The Windows build and its tests under Wine. Qt for Windows comes from the cache, built there
# first when it is missing (scripts/windows-qt.sh, half an hour or more); the project is
# cross-built with it and mingw-w64; then, on one X display (Xvfb) and in one fresh Wine
# prefix in the build directory:
#   - ctest in the Windows build: the serial object's and the console logic's tests, the
#     window's tests on Qt's windows platform (a line server holds their pseudo-terminals),
#     the zip, the import tables of the shipped programs, controller_check.exe against the
#     simulated controller, and dravik.exe end to end (tests/windows/);
#   - the COM-port tests of the serial object against a pseudo-terminal that Wine sees as
#     COM33, with a peer on the terminal's Linux side.
# Non-interactive. Exits non-zero on any failure.
#
#   scripts/test-wine.sh [BUILD_DIR]     (default build-win; the simulated controller for the
#                                         checker's test comes from build/, DRAVIK_HOST_BUILD)
set -euo pipefail
cd "$(dirname "$0")/.."

# One X server for the whole stage: Wine draws its windows there.
if [ -z "${DRAVIK_WINE_DISPLAY:-}" ]; then
    exec env DRAVIK_WINE_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

build=${1:-build-win}
host_build=${DRAVIK_HOST_BUILD:-build}
jobs=${JOBS:-$(nproc)}
com=COM33

find_wine_tool() {  # NAME: from PATH, else where Debian's wine64 package puts it
    command -v "$1" 2>/dev/null || { [ -x "/usr/lib/wine/$1" ] && echo "/usr/lib/wine/$1"; } ||
        { echo "test-wine: $1 not found (Debian packages wine64, g++-mingw-w64-x86-64-posix)" >&2
          exit 1; }
}
wine=$(find_wine_tool wine64)
wineserver=$(find_wine_tool wineserver)

stage_started=$(date +%s)
echo "== Qt for Windows"
scripts/windows-qt.sh
qt=$(scripts/windows-qt.sh --prefix)

echo "== the simulated controller for this machine ($host_build)"
cmake -S . -B "$host_build" -G Ninja >/dev/null
cmake --build "$host_build" --target controller_sim -j "$jobs"

mkdir -p "$build"
build=$(cd "$build" && pwd)
host_build=$(cd "$host_build" && pwd)
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers

peer_pid=
cleanup() {
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null || true
    "$wineserver" -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "== Wine prefix $WINEPREFIX"
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One server for the whole run: every test start would otherwise pay for its own.
"$wineserver" -p >"$build/wineserver.log" 2>&1
timeout 300 "$wine" wineboot -i >/dev/null 2>&1

echo "== cross-build ($build)"
# The icon is drawn at build time by the Windows build of the icon tool, run under Wine.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DDRAVIK_HOST_SIMULATOR="$host_build/tools/simulator/controller_sim" \
    --no-warn-unused-cli >/dev/null
cmake --build "$build" -j "$jobs"

echo "== tests under Wine"
ctest --test-dir "$build" -j "$jobs" --output-on-failure
# A passing test's output is not shown: say here how many cases each executable ran, and
# which needed a second run.
grep -h '^wine-gtest:' "$build/Testing/Temporary/LastTest.log" || true

echo "== COM-port tests on a pseudo-terminal as $com"
# The peer owns the terminal's Linux side and plays the other end of the conversation that
# tests/serial/test_win32_port.cpp describes. It prints the terminal's path, then ends with
# its verdict once its standard input is closed.
peer_script=$(cat <<'EOF'
import os, select, sys, time, tty

master, slave = os.openpty()
tty.setraw(slave)  # no echo before the Windows side has configured the line
print(os.ttyname(slave), flush=True)

def fail(message):
    print("peer: " + message, file=sys.stderr)
    sys.exit(1)

def read_exact(n, timeout=60):
    data = b""
    deadline = time.monotonic() + timeout
    while len(data) < n:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([master], [], [], left)[0]:
            fail("timed out with %d of %d bytes" % (len(data), n))
        data += os.read(master, n - len(data))
    return data

def write_all(data):
    while data:
        data = data[os.write(master, data):]

def expect(command):
    got = read_exact(3)
    if got != command:
        fail("expected %r, got %r" % (command, got))

burst = 25600
expect(b"\x01D\x00")
write_all(b"\x01D\x05")
expect(b"\x01E\x00")
write_all(b"\x01")
time.sleep(0.02)
write_all(b"E\x00")
expect(b"\x01F\x00")
write_all(bytes((i * 7 + 3) % 256 for i in range(burst)))
block = read_exact(burst)
good = block == bytes((i * 11 + 5) % 256 for i in range(burst))
write_all(b"\xAA" if good else b"\x55")
if not good:
    fail("the long write arrived changed")
sys.stdin.read()  # read nothing more from the line until the Windows side is done
EOF
)
coproc PEER { exec python3 -c "$peer_script"; }
peer_pid=$PEER_PID
peer_in=${PEER[1]}
read -r -t 30 pts <&"${PEER[0]}"
[ -c "$pts" ] || { echo "test-wine: the peer made no terminal" >&2; exit 1; }
ln -sfn "$pts" "$WINEPREFIX/dosdevices/${com,,}"

status=0
# A Windows side that ends before it starts is run once more against the same, still waiting,
# peer; one that ends part-way leaves the peer mid-conversation and fails.
DRAVIK_TEST_COM_PORT=$com timeout 300 scripts/wine-gtest.sh "$wine" \
    "$build/tests/serial/serial_tests.exe" --gtest_filter='Win32Port*' || status=$?
exec {peer_in}>&-
peer_status=0
wait "$peer_pid" || peer_status=$?
peer_pid=
if [ "$status" -ne 0 ] || [ "$peer_status" -ne 0 ]; then
    echo "test-wine: COM-port tests failed (Windows side $status, peer $peer_status)" >&2
    exit 1
fi
echo "== all Wine tests passed ($(($(date +%s) - stage_started)) s)"
