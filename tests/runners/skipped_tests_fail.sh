#!/bin/sh
# SPDX-License-Identifier: MIT
# The test runners fail a run in which a test was skipped, did not run or is
# only a todo, and pass one in which every test ran and passed.
#   skipped_tests_fail.sh ctest SCRIPTS_DIR    (scripts/run-ctest.sh)
#   skipped_tests_fail.sh node SCRIPTS_DIR     (scripts/run-node-tests.sh)
set -eu
scripts=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
runs='add_test(NAME runs COMMAND true)'

# Per runner: the start of a case's file, its name, how the runner runs the
# case in folder $1, and one case a line: its name | what a failed run must
# name, empty when the run must pass | the lines (\n between them) of a
# project or a test file whose other tests pass.
case "$1" in
ctest) head='cmake_minimum_required(VERSION 3.25)\nproject(p NONE)\nenable_testing()\n' file=CMakeLists.txt
    run() { cmake -S "$1" -B "$1/build" >/dev/null && "$scripts/run-ctest.sh" "$1/build"; }
    cases="passing||$runs
skipped_by_status|skipped_by_status (notrun)|$runs\nadd_test(NAME skipped_by_status COMMAND sh -c \"exit 77\")\nset_tests_properties(skipped_by_status PROPERTIES SKIP_RETURN_CODE 77)
disabled|disabled (disabled)|$runs\nadd_test(NAME disabled COMMAND true)\nset_tests_properties(disabled PROPERTIES DISABLED ON)
skipped_inside|Box.IsMeasured|$runs\nadd_test(NAME filtered COMMAND echo \"[  SKIPPED ] Box.IsMeasured\")
no_tests|No tests were found|" ;;
node) head="import { test } from 'node:test';\n" file=case.test.mjs
    run() { "$scripts/run-node-tests.sh" "$1/case.tap" "$1/$file"; }
    cases="passing||test('runs', () => {});
skip|1 skipped|test('runs', () => {});\ntest('left out', { skip: true }, () => {});
todo|1 todo|test('runs', () => {});\ntest('left out', { todo: true }, () => {});" ;;
*) echo "usage: skipped_tests_fail.sh ctest|node SCRIPTS_DIR"; exit 2 ;;
esac

while IFS='|' read -r name what lines; do
    mkdir -p "$scratch/$name"
    printf "$head%b\n" "$lines" >"$scratch/$name/$file"
    if output=$(run "$scratch/$name" 2>&1 </dev/null); then failed=; else failed=fail; fi
    if [ "$failed" != "${what:+fail}" ] || ! echo "$output" | grep -qF -- "$what"; then
        echo "$name: the run should ${what:+have failed naming }${what:-have passed}; it said:"
        echo "$output" | tail -n 20
        exit 1
    fi
done <<END
$cases
END
