#include "picture/jpeg/DecodeThreads.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace zarovia::picture::jpeg {

namespace {

constexpr int kMostThreads = 8;

// 0: not overridden.
std::atomic<int> overriddenThreads{0};
std::atomic<long long> overriddenMinPixels{-1};

thread_local bool oneThreadHere = false;

int threadsFromEnvironment() {
    if (const char* value = std::getenv("ZAROVIA_DECODE_THREADS"); value != nullptr) {
        char* end = nullptr;
        const long threads = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && threads >= 1)
            return static_cast<int>(std::min<long>(threads, kMostThreads));
    }
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

}  // namespace

int decodeThreads() {
    if (oneThreadHere) return 1;
    if (const int threads = overriddenThreads.load(); threads > 0) return threads;
    static const int fromEnvironment = threadsFromEnvironment();
    return fromEnvironment;
}

long long minBandedPixels() {
    const long long minPixels = overriddenMinPixels.load();
    return minPixels >= 0 ? minPixels : kMinBandedPixels;
}

OneDecodeThreadHere::OneDecodeThreadHere() : previous_(oneThreadHere) {
    oneThreadHere = true;
}

OneDecodeThreadHere::~OneDecodeThreadHere() {
    oneThreadHere = previous_;
}

DecodeThreadsOverride::DecodeThreadsOverride(int threads, long long minPixels)
    : previousThreads_(overriddenThreads.exchange(std::clamp(threads, 1, kMostThreads))),
      previousMinPixels_(overriddenMinPixels.exchange(std::max(minPixels, 0LL))) {}

DecodeThreadsOverride::~DecodeThreadsOverride() {
    overriddenThreads.store(previousThreads_);
    overriddenMinPixels.store(previousMinPixels_);
}

}  // namespace zarovia::picture::jpeg
