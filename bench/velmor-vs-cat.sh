#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times `velmor encrypt -n 12` and `velmor decrypt -n 12` against `cat` on the
# same 256 MiB text, each as `COMMAND < in > out`, and reports the wall-time
# ratios and velmor's peak memory. Targets: ratio at most 1.5, peak at most
# 64 MiB. Exits 1 when a target is missed.
#
# Usage: bench/velmor-vs-cat.sh [BUILD_DIR]
#   BUILD_DIR defaults to build-bench; a Release build of velmor is made there.
#   ROUNDS (default 5) sets how many times each command runs; the best run
#   counts, and each run waits (up to a minute) for the cores to be idle, so
#   that other load on the machine disturbs the figures less.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
rounds=${ROUNDS:-5}
size_mib=256
max_ratio=1.5
max_peak_kib=$((64 * 1024))

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target velmor >/dev/null
velmor=$build/cli/velmor

work=$(mktemp -d "${TMPDIR:-/tmp}/velmor-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Lines of 76 characters, LF-terminated, as a large text file would have.
# base64 ends on SIGPIPE once head has enough.
{ base64 -w 76 /dev/urandom || true; } | head -c $((size_mib * 1024 * 1024)) >"$work/plain"
export VELMOR_BENCH_KEY='Bench Key 2024'

# Waits until the cores were at least 90% idle for half a second, or a
# minute has passed. Without /proc/stat it does not wait.
wait_for_idle() {
    [[ -r /proc/stat ]] || return 0
    local attempt busy1 total1 busy2 total2
    for ((attempt = 0; attempt < 120; attempt++)); do
        read -r busy1 total1 < <(awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9 }' /proc/stat)
        sleep 0.5
        read -r busy2 total2 < <(awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9 }' /proc/stat)
        if (((busy2 - busy1) * 10 <= total2 - total1)); then return 0; fi
    done
}

# measure INPUT COMMAND...: runs `COMMAND < INPUT > out` $rounds times and
# sets best_seconds (fastest wall time) and peak_kib (largest peak memory).
measure() {
    local input=$1
    shift
    best_seconds=""
    peak_kib=0
    local round start end seconds kib
    for ((round = 0; round < rounds; round++)); do
        rm -f "$work/out"
        sync  # no write-back of the previous round's output during this one
        wait_for_idle
        start=$EPOCHREALTIME
        /usr/bin/time -f %M -o "$work/peak" "$@" <"$input" >"$work/out"
        end=$EPOCHREALTIME
        seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
        kib=$(tail -n 1 "$work/peak")
        if [[ -z $best_seconds ]] || awk -v s="$seconds" -v b="$best_seconds" 'BEGIN { exit !(s < b) }'; then
            best_seconds=$seconds
        fi
        if ((kib > peak_kib)); then peak_kib=$kib; fi
    done
}

failed=0
report() {
    local name=$1 velmor_seconds=$2 cat_seconds=$3 velmor_peak=$4
    local ratio
    ratio=$(awk -v v="$velmor_seconds" -v c="$cat_seconds" 'BEGIN { printf "%.2f", v / c }')
    local verdict=ok
    if awk -v r="$ratio" -v m="$max_ratio" 'BEGIN { exit !(r > m) }' || ((velmor_peak > max_peak_kib)); then
        verdict="TARGET MISSED"
        failed=1
    fi
    printf '%-8s velmor %6.3f s   cat %6.3f s   ratio %5s (max %s)   peak %6.1f MiB (max %d)   %s\n' \
        "$name" "$velmor_seconds" "$cat_seconds" "$ratio" "$max_ratio" \
        "$(awk -v k="$velmor_peak" 'BEGIN { print k / 1024 }')" $((max_peak_kib / 1024)) "$verdict"
}

echo "velmor against cat, ${size_mib} MiB text, best of $rounds rounds, $(nproc) cores"

measure "$work/plain" "$velmor" encrypt -n 12 --password-env VELMOR_BENCH_KEY
encrypt_seconds=$best_seconds encrypt_peak=$peak_kib
cp "$work/out" "$work/cipher"
measure "$work/plain" cat
report encrypt "$encrypt_seconds" "$best_seconds" "$encrypt_peak"

measure "$work/cipher" "$velmor" decrypt -n 12 --password-env VELMOR_BENCH_KEY
decrypt_seconds=$best_seconds decrypt_peak=$peak_kib
if ! cmp -s "$work/out" "$work/plain"; then
    echo "decrypt did not give back the text" >&2
    exit 1
fi
measure "$work/cipher" cat
report decrypt "$decrypt_seconds" "$best_seconds" "$decrypt_peak"

exit $failed
