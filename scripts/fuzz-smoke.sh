#!/bin/bash
# Runs every libFuzzer target of a fuzz build for a few seconds from its seed corpus.
#   scripts/fuzz-smoke.sh BUILD_DIR SECONDS
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
seconds=${2:-20}
# fontconfig, behind the metafile and document fuzzers, keeps its caches until exit.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in "$dir"/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer" _fuzz)
    mkdir -p "$work/$name"
    # Every fuzzer starts from its seeds, fuzz/corpus/<name>: without them it only finds how
    # to get past the first header check.
    seeds="$top/fuzz/corpus/$name"
    if [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
        echo "fuzzer $name has no seeds in fuzz/corpus/$name" >&2
        exit 1
    fi
    echo "fuzzing $name for ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        "$work/$name" "$seeds" > "$work/$name.log" 2>&1; then
        tail -n 60 "$work/$name.log"
        echo "fuzzer $name failed" >&2
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work/$name.log" || true
done
