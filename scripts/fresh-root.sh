# SPDX-License-Identifier: MIT
# Sourced by test-fresh.sh and package-fresh.sh: a scratch folder with the
# committed tree (git archive HEAD) and fresh Debian 12 roots made by
# mmdebstrap, with the host's proxy and certificate settings for apt and npm
# passed in, where it has any. Run from the top of the tree, as root.

# Sets scratch (SCRATCH_DIR, or a new folder), puts source.tar in it, and
# gathers the host's settings.
fresh_root_prepare() {
    [ "$(id -u)" -eq 0 ] || { echo "$(basename "$0") makes and enters Debian roots: run it as root" >&2; exit 1; }
    scratch=${1:-$(mktemp -d "${TMPDIR:-/tmp}/velmor-fresh-XXXXXX")}
    mkdir -p "$scratch"
    git archive --format=tar --prefix=velmor/ HEAD > "$scratch/source.tar"

    # apt: the host's proxies, certificate bundle and release-date checks,
    # one a line, as mmdebstrap options, which it also leaves in the root's
    # apt configuration.
    apt-config dump | sed -n \
        's/^\(Acquire::\(https\?\|ftp\)::\(Proxy\|CaInfo\)[^ ]*\|Acquire::Check-\(Valid-Until\|Date\)\) "\(.*\)";$/\1 "\5"/p' \
        > "$scratch/apt-options"

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
}

# Makes the root NAME of mmdebstrap's VARIANT with the extra packages INCLUDE,
# unpacks the tree in its /tmp/velmor and runs SCRIPT in it as root, with its
# own /proc, /sys, /dev and /dev/shm, which disappear with the mount
# namespace when it ends.
run_in_fresh_root() {
    name=$1 variant=$2 include=$3 script=$4
    set --
    while IFS= read -r option; do set -- "$@" --aptopt="$option"; done < "$scratch/apt-options"
    root="$scratch/$name"
    rm -rf "$root"
    nice mmdebstrap --quiet --mode=root --variant="$variant" --include="$include" "$@" bookworm "$root" \
        "deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main"
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
