#!/bin/sh
# SPDX-License-Identifier: MIT
# The source package on a bare Debian 12, as a distribution builds it: the
# committed tree in a fresh root made by mmdebstrap's buildd variant, its
# build dependencies from debian/control alone (apt-get build-dep), then
# dpkg-buildpackage with the tests, lintian on the .changes, the packages
# installed with apt and autopkgtest on them. Run as root (it mounts and
# chroots); the output is kept in the scratch folder.
#   package-fresh.sh [SCRATCH_DIR]
set -eu
cd "$(dirname "$0")/.."
. scripts/fresh-root.sh
fresh_root_prepare "$@"

script='
    mkdir /root/build
    mv /tmp/velmor /root/build/velmor
    cd /root/build/velmor
    apt-get update -qq
    apt-get build-dep -y -qq ./
    dpkg-buildpackage -us -uc
    cd ..
    lintian --display-info --fail-on error,warning velmor_*.changes
    apt-get install -y -qq ./velmor_*.deb ./velmor-machine_*.deb
    cd velmor
    autopkgtest -B . -- null'

started=$(date +%s)
status=0
run_in_fresh_root package buildd ca-certificates,lintian,autopkgtest "$script" > "$scratch/package.log" 2>&1 ||
    status=$?
elapsed=$(($(date +%s) - started))
echo "== the source package in a fresh Debian 12 root: exit status $status (log: $scratch/package.log)"
tail -n 25 "$scratch/package.log"
echo "== wall time: $((elapsed / 60)) min $((elapsed % 60)) s"
exit "$status"
