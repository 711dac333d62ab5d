#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs every fuzzer built in $1 for $2 seconds each, on a copy of its checked-in
# seed corpus joined by what earlier runs found (kept in $1/corpus).
set -eu
build_dir=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
for fuzzer in cipher_fuzz windows1252_fuzz exact_text_fuzz; do
    binary="$build_dir/fuzz/$fuzzer"
    [ -x "$binary" ] || continue
    name=${fuzzer%_fuzz}
    # The cipher fuzzer repeats its input into texts of up to 64 KiB: a
    # short input is enough.
    case $name in cipher) max_len=256 ;; *) max_len=4096 ;; esac
    # Qt and the font library keep caches for the life of the process, which
    # a leak check takes for leaks (and which make a per-input check slow);
    # memory errors are still caught.
    case $name in exact_text) leaks=0 ;; *) leaks=1 ;; esac
    work="$build_dir/corpus/$name"
    mkdir -p "$work" "$build_dir/artifacts"
    echo "== $fuzzer: $seconds s"
    if ! QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="detect_leaks=$leaks" "$binary" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -detect_leaks="$leaks" \
            -artifact_prefix="$build_dir/artifacts/$name-" -print_final_stats=1 \
            "$work" "$here/corpus/$name" 2>"$build_dir/$name.log"; then
        tail -n 40 "$build_dir/$name.log"
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+ *DONE)' "$build_dir/$name.log" || true
done
exit $status
