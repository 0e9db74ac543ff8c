#!/usr/bin/env bash
# Builds the benchmarks and prints their tables: the serial port object against Qt Serial
# Port and libserialport on pseudo-terminals, the latency the tap (controller_tap) adds
# to an exchange, and the whole program against a minimal Qt Widgets window under a virtual X
# server. Run it on an otherwise idle machine.
#
#   scripts/bench.sh [serial_bench options...]   (e.g. --replies 1000 --flood-mib 64)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target serial_bench tap_bench dravik startup_bench \
    startup_baseline startup_text_baseline startup_form_probe

status=0
"$build/bench/serial/serial_bench" "$@" || status=1
echo
"$build/bench/tap/tap_bench" --exchanges 2000 || status=1
echo
xvfb-run -a "$build/bench/startup/startup_bench" --runs 9 \
    --program "$build/app/dravik" --baseline "$build/bench/startup/startup_baseline" \
    --text-baseline "$build/bench/startup/startup_text_baseline" \
    --probe "$build/bench/startup/startup_form_probe" 2> >(grep -v XDG_RUNTIME_DIR >&2) ||
    status=1
exit $status
