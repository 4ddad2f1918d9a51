#!/bin/bash
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh             the normal build (build/)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer with clang, plus a
#                               short run of every libFuzzer target (build-sanitize/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" packages.txt test-packages.txt
jobs=$(nproc)

if [ "${1:-}" = "--sanitize" ]; then
    # GStreamer and fontconfig keep global allocations until exit: leaks are not checked here.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    dir="$top/build-sanitize"
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DZAROVIA_SANITIZE=ON >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 900)
    # The fuzzers in a build of their own: coverage everywhere and the lower fuzzing caps.
    fuzz="$top/build-fuzz"
    cmake -S "$top" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DZAROVIA_SANITIZE=ON -DZAROVIA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$fuzz" -j"$jobs" --target zarovia_fuzzers
    "$top/scripts/fuzz-smoke.sh" "$fuzz" "${FUZZ_SECONDS:-15}"
    exit 0
fi

dir="$top/build"
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAROVIA_WERROR=OFF >/dev/null
cmake --build "$dir" -j"$jobs"
(cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 600)
