#include "picture/colour/IccChunks.h"

#include "picture/colour/ColourProfile.h"

#include <array>
#include <cstring>

namespace zarovia::picture::colour {

namespace {

constexpr char kIccSignature[] = "ICC_PROFILE";  // 12 bytes with its terminating zero
constexpr std::size_t kSignatureSize = sizeof kIccSignature;
constexpr std::size_t kChunkHeaderSize = kSignatureSize + 2;  // sequence number, count

bool isIccChunk(const App2Segment& segment) {
    return segment.data != nullptr && segment.size >= kChunkHeaderSize &&
           std::memcmp(segment.data, kIccSignature, kSignatureSize) == 0;
}

}  // namespace

QByteArray reassembleIccProfile(const std::vector<App2Segment>& segments) {
    // Where each sequence number's piece is; a count is at most 255.
    std::array<const App2Segment*, 256> bySequence{};
    int count = 0;
    std::size_t total = 0;
    for (const App2Segment& segment : segments) {
        if (!isIccChunk(segment)) continue;
        const int sequence = segment.data[kSignatureSize];
        const int chunkCount = segment.data[kSignatureSize + 1];
        if (chunkCount == 0 || sequence == 0 || sequence > chunkCount) return {};
        if (count != 0 && chunkCount != count) return {};
        count = chunkCount;
        if (bySequence[sequence] != nullptr) return {};
        bySequence[sequence] = &segment;
        total += segment.size - kChunkHeaderSize;
        if (total > kMaxIccProfileBytes) return {};
    }
    if (count == 0 || total == 0) return {};
    for (int sequence = 1; sequence <= count; ++sequence)
        if (bySequence[sequence] == nullptr) return {};

    QByteArray profile;
    profile.reserve(static_cast<qsizetype>(total));
    for (int sequence = 1; sequence <= count; ++sequence) {
        const App2Segment& chunk = *bySequence[sequence];
        profile.append(reinterpret_cast<const char*>(chunk.data + kChunkHeaderSize),
                       static_cast<qsizetype>(chunk.size - kChunkHeaderSize));
    }
    return profile;
}

}  // namespace zarovia::picture::colour
