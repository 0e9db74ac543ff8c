#!/usr/bin/env bash
# Runs a cross-built GoogleTest executable under Wine (ctest's command for the cross-build's
# tests, and the COM-port run in scripts/test-wine.sh). Now and then a Wine process ends at once,
# before the program has run, and looks like a failing test. So a run counts only once
# GoogleTest's report is complete: a run that ends without it is repeated once, and says so on
# standard error. A run that reported, passed or failed, stands as it is.
#
#   scripts/wine-gtest.sh WINE PROGRAM.exe [GOOGLETEST OPTIONS...]   (no --gtest_output)
set -uo pipefail

wine=$1
program=$2
shift
name=$(basename "$program")
reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
report=$reports/report.xml
# GoogleTest writes the report as the run ends; Wine's drive Z: is the Linux root.
export GTEST_OUTPUT="xml:Z:$report"

for attempt in 1 2; do
    rm -f "$report"
    status=0
    "$wine" "$@" || status=$?
    if [ -f "$report" ] && grep -q '</testsuites>' "$report"; then
        totals=$(grep -m 1 -o '<testsuites tests="[0-9]*" failures="[0-9]*"' "$report")
        echo "wine-gtest: $name reported${totals#<testsuites} (status $status)"
        exit "$status"
    fi
    if [ "$attempt" -eq 1 ]; then
        echo "wine-gtest: $name ended (status $status) before it reported a result;" \
            "running it once more" >&2
    fi
done
echo "wine-gtest: $name ended (status $status) again before it reported a result" >&2
exit $((status != 0 ? status : 1))
