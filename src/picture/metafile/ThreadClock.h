#pragma once

#include <cstdint>
#include <ctime>

namespace zarovia::picture::metafile {

// The processor time the calling thread has used, in nanoseconds: what the caps on parsing and
// drawing measure, whatever else the machine runs.
inline std::int64_t threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// A cheap clock for deciding when to read the dearer one above.
inline std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace zarovia::picture::metafile
