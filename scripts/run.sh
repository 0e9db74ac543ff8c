#!/usr/bin/env bash
# Builds what is missing, starts the simulated controller on a pseudo-terminal and opens the
# console pointed at it; the controller sends its replies byte after byte at its own line
# speed (9600, the console's first speed, until Set speed), as a real one does. Closing the
# console's window stops the simulator.
#
#   scripts/run.sh                    simulator + console
#   scripts/run.sh --sim-only         the simulator alone, its line monitor on this terminal
#   scripts/run.sh --tap /dev/ttyUSB0 a real controller on that port, through the tap
#
# While it runs: build/run/controller_sim.log is the line monitor, and fault lines such as
#   echo "split 20" > build/run/control      (see build/tools/simulator/controller_sim --help)
# change the simulated controller's behaviour. With --tap, the console talks to the real
# device through controller_tap, which writes every frame both ways, decoded as the console
# reads it, to build/run/controller_tap.log. DRAVIK_BUILD_DIR chooses another build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

sim_only=0
tap_device=
case "${1:-}" in
    "") ;;
    --sim-only) sim_only=1 ;;
    --tap)
        tap_device=${2:-}
        if [[ -z $tap_device ]]; then
            echo "run.sh: --tap needs the serial device (such as /dev/ttyUSB0)" >&2
            exit 2
        fi
        ;;
    -h | --help)
        sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "run.sh: unknown argument $1 (try --help)" >&2
        exit 2
        ;;
esac

# Only what the console and the simulator need; scripts/test.sh brings the rest.
scripts/deps.sh run

build=${DRAVIK_BUILD_DIR:-build}
[[ $build = /* ]] || build=$root/$build
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -G Ninja -DBUILD_TESTING=OFF -DDRAVIK_BUILD_BENCHMARKS=OFF \
        -DDRAVIK_MAN_PAGES=OFF
fi
if [[ -n $tap_device ]]; then
    targets=(controller_tap dravik)
else
    targets=(controller_sim)
    ((sim_only)) || targets+=(dravik)
fi
cmake --build "$build" --target "${targets[@]}"

simulator=$build/tools/simulator/controller_sim
tap=$build/tools/tap/controller_tap
console=$build/app/dravik
run_dir=$build/run
link=$run_dir/ttySIM
mkdir -p "$run_dir"

if ((sim_only)); then
    echo "Simulated controller: open $link; control lines go to $run_dir/control"
    exec "$simulator" --link "$link" --control "$run_dir/control"
fi

sim_pid=  # the simulator's, or the tap's
stop_simulator() {
    if [[ -n $sim_pid ]] && kill -0 "$sim_pid" 2>/dev/null; then
        kill -TERM "$sim_pid"
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [[ -n $tap_device ]]; then
    log=$run_dir/controller_tap.log
    "$tap" --device "$tap_device" --link "$link" </dev/null >"$log" 2>&1 &
else
    log=$run_dir/controller_sim.log
    "$simulator" --link "$link" --control "$run_dir/control" </dev/null >"$log" 2>&1 &
fi
sim_pid=$!

# The link appears once the pseudo-terminal is ready.
for _ in $(seq 100); do
    [[ -L $link ]] && [[ "$(readlink "$link")" == "$(head -n 1 "$log")" ]] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run.sh: ${targets[0]} did not start:" >&2
        cat "$log" >&2
        exit 1
    fi
    sleep 0.1
done
if [[ ! -L $link ]]; then
    echo "run.sh: ${targets[0]}'s link $link did not appear" >&2
    exit 1
fi
if [[ -n $tap_device ]]; then
    echo "Tap in front of $tap_device on $(readlink "$link") (link $link)"
    echo "Both directions, decoded: tail -f $log"
else
    echo "Simulated controller on $(readlink "$link") (link $link)"
    echo "Line monitor: tail -f $log; faults: echo 'split 20' > $run_dir/control"
fi

# The console reads its settings beside its executable; a first run points it at the link.
settings=$(dirname "$console")/dravik.ini
if [[ ! -f $settings ]]; then
    printf '[Main]\nPort=%s\nSpeed=0\n5byte=1\n' "$link" >"$settings"
    echo "Wrote $settings (Port=$link)"
elif ! grep -qxF "Port=$link" "$settings"; then
    echo "Note: $settings names another port; choose $link in the console to reach the controller"
fi

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    echo "run.sh: no display; run it under xvfb-run or set QT_QPA_PLATFORM" >&2
fi
status=0
"$console" || status=$?
exit "$status"
