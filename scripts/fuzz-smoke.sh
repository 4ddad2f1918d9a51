#!/bin/bash
# Runs every libFuzzer target of a fuzz build for a few seconds from its seed corpus.
#   scripts/fuzz-smoke.sh BUILD_DIR SECONDS
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
seconds=${2:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in "$dir"/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer" _fuzz)
    mkdir -p "$work/$name"
    seeds=()
    [ -d "$top/fuzz/corpus/$name" ] && seeds+=("$top/fuzz/corpus/$name")
    echo "fuzzing $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        "$work/$name" "${seeds[@]}" 2>&1 | tail -n 3
done
