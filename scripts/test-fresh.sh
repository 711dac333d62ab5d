#!/bin/sh
# SPDX-License-Identifier: MIT
# The README's promise on a bare Debian 12: the committed tree (git archive
# HEAD) in a fresh root made by mmdebstrap, then "apt-get install make" and
# "make test" there, twice at once: as root with the tree under /root, and
# as an ordinary user who has sudo. Run as root (it mounts and chroots).
# The host's own proxy and certificate settings for apt and npm are passed
# in (scripts/fresh-root.sh); both runs' output is kept in the scratch folder.
#   test-fresh.sh [SCRATCH_DIR]
set -eu
cd "$(dirname "$0")/.."
. scripts/fresh-root.sh
fresh_root_prepare "$@"

as_root='
    mv /tmp/velmor /root/velmor
    chmod 0700 /root
    cd /root/velmor
    apt-get update -qq
    apt-get install -y -qq make
    HOME=/root make test'

as_user='
    useradd --create-home --shell /bin/bash developer
    echo "developer ALL=(ALL) NOPASSWD: ALL" > /etc/sudoers.d/developer
    mv /tmp/velmor /home/developer/velmor
    chown -R developer:developer /home/developer/velmor
    exec runuser -u developer -- env HOME=/home/developer sh -euxc "
        sudo apt-get update -qq
        sudo apt-get install -y -qq make
        cd ~/velmor
        make test"'

started=$(date +%s)
run_in_fresh_root as-root apt ca-certificates "$as_root" > "$scratch/as-root.log" 2>&1 &
root_run=$!
run_in_fresh_root as-user apt ca-certificates,sudo,passwd "$as_user" > "$scratch/as-user.log" 2>&1 &
user_run=$!
root_status=0 user_status=0
wait "$root_run" || root_status=$?
wait "$user_run" || user_status=$?
elapsed=$(($(date +%s) - started))

for run in as-root:$root_status as-user:$user_status; do
    echo "== make test ${run%%:*} in a fresh Debian 12 root: exit status ${run#*:} (log: $scratch/${run%%:*}.log)"
    tail -n 15 "$scratch/${run%%:*}.log"
done
echo "== wall time: $((elapsed / 60)) min $((elapsed % 60)) s"
[ "$root_status" -eq 0 ] && [ "$user_status" -eq 0 ]
