#!/usr/bin/env bash
# Builds and passes every test: the normal build, the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the serial and end-to-end tests under
# ThreadSanitizer, and the Windows build under Wine (Qt for Windows built into the cache
# first when it is missing). GUI tests run on Qt's offscreen platform, the Windows ones on
# Qt's windows platform under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# A build folder that scripts/run.sh configured first had the tests and benchmarks off.
everything=(-DBUILD_TESTING=ON -DDRAVIK_BUILD_BENCHMARKS=ON -DDRAVIK_MAN_PAGES=ON)

build() {  # build DIR [cmake options...] [-- targets...]
    local dir=$1 options=() targets=()
    shift
    while (($#)) && [[ $1 != -- ]]; do options+=("$1"); shift; done
    (($#)) && shift && targets=(--target "$@")
    cmake -S . -B "$dir" -G Ninja "${everything[@]}" "${options[@]}" >/dev/null
    cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

echo "== normal build"
build build
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
build build-asan -DDRAVIK_SANITIZE=address
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== ThreadSanitizer (serial and end-to-end)"
build build-tsan -DDRAVIK_SANITIZE=thread -- serial_tests reliability_serial_tests e2e_tests controller_sim
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build-tsan -j "$jobs" -L 'serial|e2e' --output-on-failure

echo "== Windows: Qt for Windows, the cross-build, the zip and its tests under Wine"
scripts/test-wine.sh build-win
