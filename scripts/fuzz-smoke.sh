#!/bin/bash
# Runs every libFuzzer target of a fuzz build for a few seconds from its seed corpus.
#   scripts/fuzz-smoke.sh BUILD_DIR SECONDS
# Every run, this one and longer ones (fuzz/README.md), uses the same limits: an input that
# takes the process past 1 GiB, asks for more than 1 GiB at once, or runs for 5 s is a finding
# (the viewer's own budgets stay under them), not a pass.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
seconds=${2:-20}
limits=(-rss_limit_mb=1024 -malloc_limit_mb=1024 -timeout=5)
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
    if ! "$fuzzer" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
        "$work/$name" "$seeds" > "$work/$name.log" 2>&1; then
        tail -n 60 "$work/$name.log"
        echo "fuzzer $name failed" >&2
        exit 1
    fi
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work/$name.log" || true
done
