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

# Runs RUNNER with ARGUMENTS and expects EXPECTED ("pass" or "fail") and,
# when failing, that its output names WHAT.
expect() {
    expected=$1 what=$2
    shift 2
    if output=$("$@" 2>&1); then got=pass; else got=fail; fi
    if [ "$got" != "$expected" ]; then
        echo "expected the run to $expected with $what, it did not:"
        echo "$output" | tail -n 20
        failed=1
    elif [ "$got" = fail ] && ! echo "$output" | grep -q -- "$what"; then
        echo "the failed run does not name $what:"
        echo "$output" | tail -n 20
        failed=1
    fi
}

case "$mode" in
ctest)
    # One project per way a test can be left out; each also has a test that passes.
    project() {
        mkdir -p "$scratch/$1"
        printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(p NONE)' 'enable_testing()' \
            'add_test(NAME runs COMMAND true)' "$2" > "$scratch/$1/CMakeLists.txt"
        cmake -S "$scratch/$1" -B "$scratch/$1/build" >/dev/null
    }
    project passing ''
    project skipped_by_status 'add_test(NAME skipped_by_status COMMAND sh -c "exit 77")
set_tests_properties(skipped_by_status PROPERTIES SKIP_RETURN_CODE 77)'
    project disabled 'add_test(NAME disabled COMMAND true)
set_tests_properties(disabled PROPERTIES DISABLED ON)'
    # A GoogleTest program run with a filter passes while skipping a case.
    project skipped_inside 'add_test(NAME filtered COMMAND echo "[  SKIPPED ] Box.IsMeasured")'
    project no_tests ''
    printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(p NONE)' 'enable_testing()' \
        > "$scratch/no_tests/CMakeLists.txt"
    cmake -S "$scratch/no_tests" -B "$scratch/no_tests/build" >/dev/null
    expect pass "" "$scripts/run-ctest.sh" "$scratch/passing/build"
    expect fail "skipped_by_status (notrun)" "$scripts/run-ctest.sh" "$scratch/skipped_by_status/build"
    expect fail "disabled (disabled)" "$scripts/run-ctest.sh" "$scratch/disabled/build"
    expect fail "Box.IsMeasured" "$scripts/run-ctest.sh" "$scratch/skipped_inside/build"
    expect fail "No tests were found" "$scripts/run-ctest.sh" "$scratch/no_tests/build"
    ;;
node)
    cat > "$scratch/passing.test.mjs" <<'END'
import { test } from 'node:test';
test('runs', () => {});
END
    for kind in skip todo; do
        cat "$scratch/passing.test.mjs" - > "$scratch/$kind.test.mjs" <<END
test('left out', { $kind: true }, () => {});
END
    done
    expect pass "" "$scripts/run-node-tests.sh" "$scratch/passing.tap" "$scratch/passing.test.mjs"
    expect fail "1 skipped" "$scripts/run-node-tests.sh" "$scratch/skip.tap" "$scratch/skip.test.mjs"
    expect fail "1 todo" "$scripts/run-node-tests.sh" "$scratch/todo.tap" "$scratch/todo.test.mjs"
    ;;
*)
    echo "usage: skipped_tests_fail.sh ctest|node SCRIPTS_DIR"
    exit 2
    ;;
esac
exit "$failed"
