#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a test program as the unprivileged user "nobody" when started as root,
# so that missing permissions really stop a read or a write; run by anyone
# else, the program runs as that user, whom permissions stop as well. The
# program is copied into a scratch folder nobody can reach, wherever the
# tree lies (a checkout under /root is closed to everyone else), and it must
# run at least one test.
#   run_unprivileged.sh PROGRAM [ARGUMENT...]
set -eu
program=$1
shift
if [ "$(id -u)" -ne 0 ]; then
    output=$("$program" "$@") || { echo "$output"; exit 1; }
else
    command -v setpriv >/dev/null 2>&1 || { echo "setpriv (util-linux) is missing: cannot run as nobody"; exit 1; }
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT INT TERM
    chmod 0755 "$scratch"
    cp "$program" "$scratch/"
    nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
    [ "$($nobody id -u)" = 65534 ] || { echo "setpriv cannot switch to nobody"; exit 1; }
    output=$(cd "$scratch" && $nobody env HOME=/tmp TMPDIR=/tmp "./$(basename "$program")" "$@") || {
        echo "$output"
        exit 1
    }
fi
echo "$output"
# A filter that matches nothing passes without checking anything.
echo "$output" | grep -q '^\[  PASSED  \] [1-9]' || { echo "no test ran"; exit 1; }
