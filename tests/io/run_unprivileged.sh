#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a test program as the unprivileged user "nobody" when started as root,
# so that missing permissions really stop a read or a write. Exits with 77
# (skipped) where that cannot be done; a non-root run tests this anyway.
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the ordinary run of the tests covers permissions"
    exit 77
fi
drop="setpriv --reuid=65534 --regid=65534 --clear-groups"
if ! command -v setpriv >/dev/null 2>&1 || ! $drop test -x "$1"; then
    echo "cannot run $1 as nobody"
    exit 77
fi
exec $drop env HOME=/tmp TMPDIR=/tmp "$@"
