#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages given as arguments that are not installed yet;
# does nothing, quickly, when all of them are there. A package of another
# architecture (qt6-base-dev:arm64) first adds that architecture to dpkg.
set -eu
missing=""
for package in "$@"; do
    if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
for package in $missing; do
    case "$package" in
        *:*)
            arch=${package#*:}
            if [ "$arch" != "$(dpkg --print-architecture)" ] &&
                ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
                echo "Adding the architecture $arch to dpkg"
                $sudo dpkg --add-architecture "$arch"
            fi
            ;;
    esac
done
# Another apt run (an unattended upgrade, a parallel make) may hold the lock
# for a while; wait for it rather than fail.
lock_wait="-o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086
$sudo apt-get $lock_wait update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get $lock_wait install -y -qq --no-install-recommends $missing
