#!/bin/sh
# SPDX-License-Identifier: MIT
# The README's promise on a bare Debian 12: the committed tree (git archive
# HEAD) in a fresh root made by mmdebstrap, then "apt-get install make" and
# "make test" there, twice at once: as root with the tree under /root, and
# as an ordinary user who has sudo. Run as root (it mounts and chroots).
# The host's own proxy and certificate settings for apt and npm are passed
# in, where it has any; both runs' output is kept in the scratch folder.
#   test-fresh.sh [SCRATCH_DIR]
set -eu
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-fresh.sh makes and enters Debian roots: run it as root" >&2; exit 1; }
scratch=${1:-$(mktemp -d "${TMPDIR:-/tmp}/velmor-fresh-XXXXXX")}
mkdir -p "$scratch"
git archive --format=tar --prefix=velmor/ HEAD > "$scratch/source.tar"

# apt: the host's proxies, certificate bundle and release-date checks, as
# mmdebstrap options, which it also leaves in the root's apt configuration.
set --
for option in $(apt-config dump | sed -n \
    's/^\(Acquire::\(https\?\|ftp\)::\(Proxy\|CaInfo\)[^ ]*\|Acquire::Check-\(Valid-Until\|Date\)\) "\(.*\)";$/\1=\5/p'); do
    set -- "$@" --aptopt="${option%%=*} \"${option#*=}\""
done

# npm and Node: the host's certificate bundle and proxies.
cafile=${NODE_EXTRA_CA_CERTS:-$(npm config get cafile 2>/dev/null || true)}
case "$cafile" in null | undefined) cafile="" ;; esac
passed=""
for name in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
    value=$(printenv "$name" || true)
    [ -z "$value" ] || passed="$passed $name=$value"
done
for name in proxy https-proxy registry; do
    value=$(npm config get "$name" 2>/dev/null || true)
    case "$value" in "" | null | undefined) ;; *) passed="$passed npm_config_$(echo "$name" | tr - _)=$value" ;; esac
done
if [ -n "$cafile" ]; then
    passed="$passed NODE_EXTRA_CA_CERTS=/usr/local/share/host-ca.crt npm_config_cafile=/usr/local/share/host-ca.crt"
fi

mirrors="deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main"

# Makes the root NAME with the extra packages INCLUDE and runs SCRIPT in it
# as root, with its own /proc, /sys, /dev and /dev/shm, which disappear with
# the mount namespace when it ends.
run_in_fresh_root() {
    name=$1 include=$2 script=$3
    shift 3
    root="$scratch/$name"
    rm -rf "$root"
    nice mmdebstrap --quiet --mode=root --variant=apt --include="$include" "$@" bookworm "$root" "$mirrors"
    [ -z "$cafile" ] || cp "$cafile" "$root/usr/local/share/host-ca.crt"
    tar -xf "$scratch/source.tar" -C "$root/tmp"
    unshare --mount --propagation private sh -eu -c '
        root=$1
        mount -t proc proc "$root/proc"
        mount -t sysfs sysfs "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
        exec nice chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 $2 sh -euxc "$3"
    ' sh "$root" "$passed" "$script"
}

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
run_in_fresh_root as-root ca-certificates "$as_root" "$@" > "$scratch/as-root.log" 2>&1 &
root_run=$!
run_in_fresh_root as-user ca-certificates,sudo,passwd "$as_user" "$@" > "$scratch/as-user.log" 2>&1 &
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
