#!/bin/sh
# SPDX-License-Identifier: MIT
# Lets this machine run 64-bit ARM programs through qemu-user-static, as the
# arm64 build's tests need: programs the tests start, and programs in an arm64
# root, are handed to qemu by the kernel's binfmt_misc.
set -eu
conf=/usr/lib/binfmt.d/qemu-aarch64.conf
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-aarch64
[ -r "$conf" ] || { echo "$conf is missing: install the Debian package qemu-user-static" >&2; exit 1; }
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
if [ ! -e "$binfmt/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
fi

# Debian registers qemu with the flag O, for which the kernel opens the
# program on the lowest free descriptor and leaves it there: a program
# started with its standard input closed would read its own binary from it.
# Without O, qemu opens the program itself and the program's descriptors are
# the ones it was given, as on real hardware.
if [ -e "$entry" ] && grep -q '^flags: .*O' "$entry"; then
    echo "Registering qemu-aarch64 again without the flag O (open-binary)"
    echo -1 | $sudo tee "$entry" >/dev/null
fi
if [ ! -e "$entry" ]; then
    # The flags are the line's last field.
    awk -F: -v OFS=: '!/^#/ && NF { gsub(/O/, "", $NF); print }' "$conf" | $sudo tee "$binfmt/register" >/dev/null
fi
grep -qx enabled "$entry" || { echo "qemu-aarch64 is registered but disabled in $binfmt" >&2; exit 1; }
