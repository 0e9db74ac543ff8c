#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers on)
# and runs each for a while, starting from its committed corpus. New inputs that libFuzzer
# finds go to a scratch corpus in the build folder, not into the repository; a crash leaves
# its input there too (copy a small one into tests/fuzz/corpus/<target>/ as a regression).
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET (default 60)] [TARGET...]
#   targets: reply settings number decoder answer tap (all by default)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(reply settings number decoder answer tap)
build=build-fuzz

cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
    scratch=$build/corpus/$target
    mkdir -p "$scratch" "$build/crashes/$target"
    echo "== $target: ${seconds}s"
    if ! "$build/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$target/" "$scratch" "tests/fuzz/corpus/$target" \
        2>"$build/$target.log"; then
        status=1
        echo "FAILED: see $build/$target.log and $build/crashes/$target/"
    fi
    # The run's figures: executions, speed, coverage and features, corpus size.
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
        "$build/$target.log" || true
    grep -E 'DONE' "$build/$target.log" | tail -1 || true
done
exit $status
