#pragma once

#include <atomic>
#include <cstdint>

// One memory budget for everything decoded from a file. The viewer's base is about 50 MiB;
// the budgets below are chosen so that the shown picture, the one being loaded, the read-ahead
// cache and one document or metafile together stay under 1 GiB whatever a file claims, which
// a 4 GB laptop survives. A decoder checks the size a header declares against its budget
// before it allocates anything of that size.
namespace zarovia::picture {

inline constexpr std::int64_t kMiB = 1024 * 1024;

// One decoded picture held for the screen or the printer (any decoder): 8192 x 8192 ARGB32.
inline constexpr std::int64_t kPictureBudgetBytes = 256 * kMiB;
// Working memory one decode may take beyond the picture it makes (a progressive JPEG keeps
// every coefficient until its last scan: 4:2:0 pictures up to about 130 megapixels, 4:4:4
// up to about 65).
inline constexpr std::int64_t kDecodeWorkingBudgetBytes = 384 * kMiB;
// The largest picture file read whole (a 100 MB uncompressed bitmap fits; its pixels must
// still fit kPictureBudgetBytes).
inline constexpr std::int64_t kMaxPictureFileBytes = 256 * kMiB;
// All pictures of one rich-text document together, decoded at the size they are shown.
inline constexpr std::int64_t kDocumentPicturesBudgetBytes = 128 * kMiB;
// A metafile's parsed drawing steps and its drawing caches together.
inline constexpr std::int64_t kMetafileBudgetBytes = 192 * kMiB;
// The read-ahead cache: file bytes and decoded pixels of every entry, pending ones included.
inline constexpr std::int64_t kReadAheadBudgetBytes = 160 * kMiB;

// Bytes of a width x height raster at `bytesPerPixel`, or -1 when a side is not positive or the
// product would overflow. Compare the result with a budget before allocating.
constexpr std::int64_t rasterBytes(std::int64_t width, std::int64_t height, int bytesPerPixel) {
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return -1;
    const std::int64_t limit = INT64_MAX / bytesPerPixel;
    if (width > limit / height) return -1;
    return width * height * bytesPerPixel;
}

// True when a width x height raster at `bytesPerPixel` fits `budget` bytes.
constexpr bool fitsBudget(std::int64_t width, std::int64_t height, int bytesPerPixel,
                          std::int64_t budget) {
    const std::int64_t bytes = rasterBytes(width, height, bytesPerPixel);
    return bytes >= 0 && bytes <= budget;
}

// A running total against one budget, for data that arrives piece by piece (the pictures of
// one document, the entries of a cache). Thread-safe.
class BudgetAccount {
public:
    explicit BudgetAccount(std::int64_t budget) : budget_(budget) {}
    BudgetAccount(const BudgetAccount&) = delete;
    BudgetAccount& operator=(const BudgetAccount&) = delete;

    // Takes `bytes` from the budget; false (and nothing taken) when they do not fit.
    bool reserve(std::int64_t bytes) {
        if (bytes < 0) return false;
        std::int64_t used = used_.load(std::memory_order_relaxed);
        do {
            if (bytes > budget_ - used) return false;
        } while (!used_.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
        notePeak(used + bytes);
        return true;
    }
    // Gives back what an earlier reserve() took.
    void release(std::int64_t bytes) { used_.fetch_sub(bytes, std::memory_order_relaxed); }
    std::int64_t used() const { return used_.load(std::memory_order_relaxed); }
    std::int64_t budget() const { return budget_; }
    std::int64_t available() const { return budget_ - used(); }
    // The most ever taken at once, for tests and benchmarks that check what a file cost.
    std::int64_t peak() const { return peak_.load(std::memory_order_relaxed); }

private:
    void notePeak(std::int64_t now) {
        std::int64_t seen = peak_.load(std::memory_order_relaxed);
        while (now > seen && !peak_.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
        }
    }

    const std::int64_t budget_;
    std::atomic<std::int64_t> used_{0};
    std::atomic<std::int64_t> peak_{0};
};

}  // namespace zarovia::picture
