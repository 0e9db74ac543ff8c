#!/usr/bin/env bash
# controller_check.exe under Wine against the simulated controller of this machine on a
# pseudo-terminal that Wine sees as a COM port: the port is listed by --list-ports, and every
# check passes, exit 0, "Left as found".
#
#   checker_test.sh WINE controller_check.exe controller_sim     (WINEPREFIX from the caller)
set -euo pipefail
wine=$1 checker=$2 simulator=$3
com=COM34
link=$WINEPREFIX/dosdevices/${com,,}
out=$(mktemp)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    rm -f "$link" "$out"
}
trap cleanup EXIT

# The simulator prints the terminal's path first, then every frame it sees.
coproc SIM { exec "$simulator"; }
sim_pid=$SIM_PID
read -r -t 30 pts <&"${SIM[0]}" || { echo "checker_test: the simulator made no terminal" >&2; exit 1; }
ln -sfn "$pts" "$link"

status=0
timeout 60 "$wine" "$checker" --list-ports >"$out" 2>&1 || status=$?
cat "$out"
[ "$status" -eq 0 ] || { echo "checker_test: --list-ports exit status $status" >&2; exit 1; }
grep -q "^  $com " "$out" || { echo "checker_test: --list-ports does not list $com" >&2; exit 1; }

timeout 240 "$wine" "$checker" --device "$com" --yes >"$out" 2>&1 || status=$?
cat "$out"
failed=0
[ "$status" -eq 0 ] || { echo "checker_test: exit status $status, not 0" >&2; failed=1; }
grep -q 'Left as found: ' "$out" || { echo "checker_test: no 'Left as found'" >&2; failed=1; }
grep -Eq '^\s*(FAIL|SKIP)\s' "$out" && { echo "checker_test: a check did not pass" >&2; failed=1; }
grep -Eq '[0-9]+ checks: [0-9]+ passed, 0 failed, 0 skipped' "$out" ||
    { echo "checker_test: the summary is not all passed" >&2; failed=1; }
exit "$failed"
