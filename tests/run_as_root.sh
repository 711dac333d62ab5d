#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a test program as root: directly when the tests run as root, through
# sudo (never asking for a password) when they run as a user, who has sudo
# for make's packages anyway. It fails, saying why, where neither can be
# done, and when the program ran no test.
#   run_as_root.sh PROGRAM [ARGUMENT...]
set -eu
[ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null ||
    { echo "these cases need root: run the tests as root, or as a user whom sudo lets in without a password"; exit 1; }
output=$(if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi) || { echo "$output"; exit 1; }
echo "$output"
# A filter that matches nothing passes without checking anything.
echo "$output" | grep -q '^\[  PASSED  \] [1-9]' || { echo "no test ran"; exit 1; }
