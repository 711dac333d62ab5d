#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs ctest in BUILD_DIR and fails when any test failed, was skipped, was
# disabled or did not run, or when a test program skipped a case of its own:
# a test that never runs checks nothing, and ctest counts a skip as a pass.
#   run-ctest.sh BUILD_DIR [CTEST_OPTION...]
set -eu
build=$(cd "$1" && pwd)
shift
results="$build/ctest-results.xml"
log="$build/Testing/Temporary/LastTest.log"
rm -f "$results" "$log"
status=0
(cd "$build" && ctest --output-on-failure --no-tests=error --output-junit "$results" "$@") || status=$?
[ -f "$results" ] && [ -f "$log" ] || { echo "ctest left no results in $build"; exit 1; }

# ctest's own verdicts: a skip (by return code or output) and a missing
# program are "notrun", a test switched off is "disabled". A build may switch
# off tests that cannot run on its kind of machine (an emulated arm64 build)
# only by naming each, with the reason, in disabled-here.tsv.
allowed="$build/disabled-here.tsv"
idle=$(sed -n 's/.*<testcase name="\([^"]*\)".* status="\(notrun\|disabled\)".*/\1 (\2)/p' "$results")
if [ -s "$allowed" ]; then
    echo "Switched off in this build, for reasons that hold only here:"
    sed 's/\t/: /; s/^/    /' "$allowed"
    idle=$(echo "$idle" | awk -F '\t' -v list="$allowed" '
        BEGIN { while ((getline line < list) > 0) { split(line, f, "\t"); named[f[1] " (disabled)"] = 1 } }
        NF && !($0 in named)')
fi
# A GoogleTest program run with a filter reports its skipped cases in its
# output only, which ctest keeps in the log.
skipped=$(grep '^\[  SKIPPED \] [A-Za-z_]' "$log" | sort -u || true)
if [ -n "$idle$skipped" ]; then
    echo "Every test must run; these did not:"
    [ -z "$idle" ] || echo "$idle" | sed 's/^/    /'
    [ -z "$skipped" ] || echo "$skipped" | sed 's/^/    /'
    exit 1
fi
exit "$status"
