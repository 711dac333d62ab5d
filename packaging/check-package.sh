#!/bin/sh
# SPDX-License-Identifier: MIT
# Unpacks the Debian package into a scratch root with dpkg -x and checks that
# the programs, the manual pages, the desktop entry, the icons, the AppStream
# metadata, the bash completion and the licence are where a desktop, a shell
# and a distribution look for them.
#   check-package.sh PACKAGE.deb
#   check-package.sh --build BUILD_DIR     (makes the package first)
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

if [ "$1" = "--build" ]; then
    (cd "$2" && cpack -G DEB -B "$scratch/out" >/dev/null)
    deb=$(ls "$scratch"/out/*.deb)
else
    deb=$1
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
failed=0
expect() {
    if [ ! -e "$root/$1" ]; then
        echo "missing from the package: /$1"
        failed=1
    fi
}
expect usr/bin/velmor
expect usr/bin/velmor-machine
expect usr/share/man/man1/velmor.1.gz
expect usr/share/man/man1/velmor-machine.1.gz
expect usr/share/applications/velmor-machine.desktop
expect usr/share/metainfo/invalid.velmor.machine.metainfo.xml
expect usr/share/bash-completion/completions/velmor
expect usr/share/doc/velmor/copyright
expect usr/share/doc/velmor/changelog.gz
for size in 16 32 48 64 128 256; do
    expect "usr/share/icons/hicolor/${size}x${size}/apps/velmor-machine.png"
done

desktop="$root/usr/share/applications/velmor-machine.desktop"
if [ -e "$desktop" ]; then
    grep -qx 'Exec=velmor-machine' "$desktop" || { echo "the desktop entry does not start velmor-machine"; failed=1; }
    grep -qx 'Icon=velmor-machine' "$desktop" || { echo "the desktop entry does not name the icon"; failed=1; }
fi
if [ -x "$root/usr/bin/velmor" ]; then
    "$root/usr/bin/velmor" --version >/dev/null || { echo "the packaged velmor does not run"; failed=1; }
fi
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 fonts-liberation2; do
    echo "$depends" | grep -q "$package" || { echo "the package does not depend on $package"; failed=1; }
done

[ "$failed" -eq 0 ] && echo "$(basename "$deb"): every file in place"
exit "$failed"
