#!/bin/bash
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh             the normal build (build/)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer with clang, plus a
#                               short run of every libFuzzer target (build-sanitize/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" packages.txt test-packages.txt
jobs=$(nproc)

# No include runs from a lower layer to a higher one; the check's own rules are tested first.
"$top/scripts/check-layers.sh" --self-test
"$top/scripts/check-layers.sh"

# Benchmarks are not tests: they are left out here. Debug information is left out to keep the
# build short; build RelWithDebInfo yourself to debug.
# Under CI every warning is an error.
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DZAROVIA_BUILD_BENCH=OFF -DBUILD_TESTING=ON
        -DZAROVIA_WERROR=$werror)

if [ "${1:-}" = "--sanitize" ]; then
    # GStreamer and fontconfig keep global allocations until exit: leaks are not checked here.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # One build for both: the tests under the sanitizers, and the fuzzers with every library
    # instrumented for coverage. No unity build here, so that a file that misses an include of
    # its own fails to compile.
    dir="$top/build-sanitize"
    cmake -S "$top" -B "$dir" "${common[@]}" -DCMAKE_UNITY_BUILD=OFF -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
        -DZAROVIA_SANITIZE=ON -DZAROVIA_FUZZ=ON >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 900)
    "$top/scripts/fuzz-smoke.sh" "$dir" "${FUZZ_SECONDS:-15}"
    exit 0
fi

dir="$top/build"
cmake -S "$top" -B "$dir" "${common[@]}" -DCMAKE_UNITY_BUILD=ON -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build "$dir" -j"$jobs"
# Most tests spend their time waiting (slow reads, timers, media played in real time): one test
# more than there are processors keeps them busy. Tests that play media or drive a desktop in
# real time still never run beside one another (tests/CMakeLists.txt).
(cd "$dir" && ctest --output-on-failure -j"$((jobs + 1))" --timeout 600)
