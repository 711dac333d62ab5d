#!/bin/sh
# SPDX-License-Identifier: MIT
# The test runners fail a run in which a test was skipped, did not run or is
# only a todo, and pass one in which every test ran and passed.
#   skipped_tests_fail.sh ctest SCRIPTS_DIR    (scripts/run-ctest.sh)
#   skipped_tests_fail.sh node SCRIPTS_DIR     (scripts/run-node-tests.sh)
set -eu
mode=$1
scripts=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
failed=0
runs='add_test(NAME runs COMMAND true)'

# One case a line: its name | what a failed run must name, empty when the
# run must pass | the lines (\n between them) of a project or a test file
# whose other tests pass.
case "$mode" in
ctest) cases="passing||$runs
skipped_by_status|skipped_by_status (notrun)|$runs\nadd_test(NAME skipped_by_status COMMAND sh -c \"exit 77\")\nset_tests_properties(skipped_by_status PROPERTIES SKIP_RETURN_CODE 77)
disabled|disabled (disabled)|$runs\nadd_test(NAME disabled COMMAND true)\nset_tests_properties(disabled PROPERTIES DISABLED ON)
skipped_inside|Box.IsMeasured|$runs\nadd_test(NAME filtered COMMAND echo \"[  SKIPPED ] Box.IsMeasured\")
no_tests|No tests were found|" ;;
node) cases="passing||test('runs', () => {});
skip|1 skipped|test('runs', () => {});\ntest('left out', { skip: true }, () => {});
todo|1 todo|test('runs', () => {});\ntest('left out', { todo: true }, () => {});" ;;
*) echo "usage: skipped_tests_fail.sh ctest|node SCRIPTS_DIR"; exit 2 ;;
esac

while IFS='|' read -r name what lines; do
    dir=$scratch/$name
    mkdir -p "$dir"
    if [ "$mode" = ctest ]; then
        printf 'cmake_minimum_required(VERSION 3.25)\nproject(p NONE)\nenable_testing()\n%b\n' "$lines" >"$dir/CMakeLists.txt"
        cmake -S "$dir" -B "$dir/build" >/dev/null </dev/null
        set -- "$scripts/run-ctest.sh" "$dir/build"
    else
        printf "import { test } from 'node:test';\n%b\n" "$lines" >"$dir/case.test.mjs"
        set -- "$scripts/run-node-tests.sh" "$dir/case.tap" "$dir/case.test.mjs"
    fi
    if output=$("$@" 2>&1 </dev/null); then got=pass; else got=fail; fi
    expected=${what:+fail}
    if [ "$got" != "${expected:-pass}" ] || ! echo "$output" | grep -qF -- "$what"; then
        echo "$name: expected the run to ${expected:-pass}${what:+ naming $what}; it said:"
        echo "$output" | tail -n 20
        failed=1
    fi
done <<END
$cases
END
exit "$failed"
