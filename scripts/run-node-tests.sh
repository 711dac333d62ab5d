#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs Node's test runner on TEST_FILE and fails when any test failed, was
# skipped or was left as a todo: Node counts those as passes. The TAP report
# goes to the console and is kept in REPORT.
#   run-node-tests.sh REPORT TEST_FILE...
set -eu
report=$1
shift
rm -f "$report"
status=0
node --test --test-reporter=tap --test-reporter-destination=stdout \
    --test-reporter=tap --test-reporter-destination="$report" "$@" || status=$?
[ -f "$report" ] || { echo "node wrote no report to $report"; exit 1; }
count() { sed -n "s/^# $1 \([0-9]*\)\$/\1/p" "$report" | tail -n 1; }
tests=$(count tests)
skipped=$(count skipped)
todo=$(count todo)
if [ -z "$tests" ] || [ "$tests" -eq 0 ]; then
    echo "no test ran (see $report)"
    exit 1
fi
if [ "${skipped:-1}" -ne 0 ] || [ "${todo:-1}" -ne 0 ]; then
    echo "Every test must run: $skipped skipped, $todo todo (see $report):"
    grep -E '# (SKIP|TODO)' "$report" || true
    exit 1
fi
exit "$status"
