#!/bin/sh
# SPDX-License-Identifier: MIT
# Unpacks the two Debian packages into scratch roots with dpkg -x and checks
# that each holds its own files where a desktop, a shell and a distribution
# look for them, and depends on what it needs: velmor (the command-line tool)
# on nothing but the C and C++ libraries and the ACL and extended-attribute
# libraries it keeps a replaced file's access with, velmor-machine (the
# window) on Qt and its fonts.
#   check-package.sh VELMOR.deb VELMOR-MACHINE.deb
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM

[ "$#" -eq 2 ] && [ -f "$1" ] && [ -f "$2" ] || { echo "usage: check-package.sh VELMOR.deb VELMOR-MACHINE.deb"; exit 2; }
failed=0
fail() {
    echo "$*"
    failed=1
}

# Unpacks DEB, checks it is the package NAME and holds exactly FILES (with
# the folders above them) and nothing else.
check_contents() {
    deb=$1 name=$2 files=$3
    root="$scratch/$name"
    dpkg-deb -x "$deb" "$root"
    [ "$(dpkg-deb -f "$deb" Package)" = "$name" ] || fail "$(basename "$deb") is not the package $name"
    for file in $files; do
        [ -e "$root/$file" ] || fail "missing from $name: /$file"
    done
    unexpected=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort | while read -r file; do
        echo " $files " | tr '\n' ' ' | grep -q " $file " || echo "/$file"
    done)
    [ -z "$unexpected" ] || fail "$name holds files that belong elsewhere: $unexpected"
}

cli_files="usr/bin/velmor
usr/share/man/man1/velmor.1.gz
usr/share/bash-completion/completions/velmor
usr/share/doc/velmor/copyright
usr/share/doc/velmor/changelog.gz"
window_files="usr/bin/velmor-machine
usr/share/man/man1/velmor-machine.1.gz
usr/share/applications/velmor-machine.desktop
usr/share/metainfo/invalid.velmor.machine.metainfo.xml
usr/share/doc/velmor-machine/copyright
usr/share/doc/velmor-machine/changelog.gz"
for size in 16 32 48 64 128 256; do
    window_files="$window_files
usr/share/icons/hicolor/${size}x${size}/apps/velmor-machine.png"
done
check_contents "$1" velmor "$cli_files"
check_contents "$2" velmor-machine "$window_files"

desktop="$scratch/velmor-machine/usr/share/applications/velmor-machine.desktop"
if [ -e "$desktop" ]; then
    grep -qx 'Exec=velmor-machine' "$desktop" || fail "the desktop entry does not start velmor-machine"
    grep -qx 'Icon=velmor-machine' "$desktop" || fail "the desktop entry does not name the icon"
fi
if [ -x "$scratch/velmor/usr/bin/velmor" ]; then
    "$scratch/velmor/usr/bin/velmor" --version >/dev/null || fail "the packaged velmor does not run"
fi

# The command-line tool must install without Qt, Mesa or X.
cli_depends=$(dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort)
for package in $cli_depends; do
    case "$package" in
    libacl1 | libattr1 | libc6 | libgcc-s1 | libstdc++6) ;;
    *) fail "velmor depends on $package, beyond the C and C++, ACL and attribute libraries" ;;
    esac
done
for package in libc6 libstdc++6; do
    echo "$cli_depends" | grep -qx "$package" || fail "velmor does not depend on $package"
done
window_depends=$(dpkg-deb -f "$2" Depends)
for package in libqt6widgets6 fonts-liberation2; do
    echo "$window_depends" | grep -q "$package" || fail "velmor-machine does not depend on $package"
done

[ "$failed" -eq 0 ] && echo "$(basename "$1") and $(basename "$2"): every file in place"
exit "$failed"
