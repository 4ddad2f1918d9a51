#pragma once

namespace zarovia::picture::jpeg {

// How many threads decode one baseline JPEG with restart markers, each a horizontal band of it:
// ZAROVIA_DECODE_THREADS (1 to 8) when it is set, else two when the machine has two cores or
// more. 1 keeps every picture on one thread.
int decodeThreads();

// The smallest picture (coded pixels) decoded in bands: below it a second thread costs more
// than it saves.
inline constexpr long long kMinBandedPixels = 1024LL * 1024;

// For tests, benchmarks and the fuzz target: while it lives, decodeThreads() is `threads` and
// pictures of at least `minPixels` coded pixels are decoded in bands. Not for use while decodes
// run on other threads.
class DecodeThreadsOverride {
public:
    explicit DecodeThreadsOverride(int threads, long long minPixels = kMinBandedPixels);
    ~DecodeThreadsOverride();
    DecodeThreadsOverride(const DecodeThreadsOverride&) = delete;
    DecodeThreadsOverride& operator=(const DecodeThreadsOverride&) = delete;

private:
    int previousThreads_;
    long long previousMinPixels_;
};

// While it lives, the decodes of the thread that made it keep to one thread (decodeThreads() is
// 1 there): a picture read ahead on speculation leaves the other core to the picture the user
// may ask for meanwhile.
class OneDecodeThreadHere {
public:
    OneDecodeThreadHere();
    ~OneDecodeThreadHere();
    OneDecodeThreadHere(const OneDecodeThreadHere&) = delete;
    OneDecodeThreadHere& operator=(const OneDecodeThreadHere&) = delete;

private:
    bool previous_;
};

// The smallest picture decoded in bands now (kMinBandedPixels unless overridden).
long long minBandedPixels();

}  // namespace zarovia::picture::jpeg
