#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>

// One memory budget for everything decoded from a file: no file, whatever its header claims,
// may take the viewer past kViewerMemoryBytes, which a 4 GB laptop survives. The budget is
// shared out below, one share for each part of the viewer that may hold memory at the same
// time, and every cap a decoder, reader or cache checks is taken from its share. A decoder
// checks the size a header declares against its cap before it allocates anything of that size.
namespace zarovia::picture {

inline constexpr std::int64_t kMiB = 1024 * 1024;

// What the viewer may hold in all.
inline constexpr std::int64_t kViewerMemoryBytes = 1024 * kMiB;

// The parts of the viewer that hold memory at the same time, in the order of kMemoryShares.
enum class MemoryShare {
    // The program itself: code, Qt, fonts, the window and its controls, the title picture
    // (measured at about 50 MiB with a picture shown).
    ViewerBase,
    // The picture on the screen: one decoded picture, 8192 x 8192 ARGB32 (a metafile's prepared
    // pixels count here too).
    ShownPicture,
    // The picture being loaded while the shown one stays up: one more of the same size.
    LoadingPicture,
    // What the one decode for the window holds beyond the picture it makes: the file's bytes
    // read whole (bitmaps, icons, metafiles; a 24-bit 8192 x 8192 bitmap fits) or libjpeg's own
    // buffers (a progressive JPEG keeps every coefficient until its last scan: 4:2:0 pictures
    // up to about 70 megapixels, 4:4:4 up to about 35).
    DecodeWorking,
    // The read-ahead cache: file bytes and decoded pixels of every entry, pending ones
    // included, and the working memory of the one decode it runs beside the window's.
    ReadAhead,
    // All pictures of one rich-text document together, decoded at the size they are shown.
    DocumentPictures,
    // A metafile's parsed drawing steps and its drawing caches together.
    Metafile,
};

// The shares' sizes, in the order of MemoryShare.
inline constexpr std::int64_t kMemoryShares[] = {
    56 * kMiB,   // ViewerBase
    256 * kMiB,  // ShownPicture
    256 * kMiB,  // LoadingPicture
    200 * kMiB,  // DecodeWorking
    88 * kMiB,   // ReadAhead
    64 * kMiB,   // DocumentPictures
    104 * kMiB,  // Metafile
};

constexpr std::int64_t memoryShare(MemoryShare share) {
    return kMemoryShares[static_cast<int>(share)];
}

constexpr std::int64_t sumOfMemoryShares() {
    std::int64_t sum = 0;
    for (const std::int64_t bytes : kMemoryShares) sum += bytes;
    return sum;
}

static_assert(std::size(kMemoryShares) == static_cast<std::size_t>(MemoryShare::Metafile) + 1,
              "one size for every share");
static_assert(sumOfMemoryShares() <= kViewerMemoryBytes, "the shares must fit the viewer's memory");

// The caps, each taken from its share.

// One decoded picture held for the screen or the printer (any decoder). The shown and the
// loading picture have a share each, and either may be the largest there is.
inline constexpr std::int64_t kPictureBudgetBytes = memoryShare(MemoryShare::ShownPicture);
static_assert(memoryShare(MemoryShare::LoadingPicture) >= kPictureBudgetBytes);
// Working memory one decode may take beyond the picture it makes (libjpeg's buffers).
inline constexpr std::int64_t kDecodeWorkingBudgetBytes = memoryShare(MemoryShare::DecodeWorking);
// The largest picture file read whole; the same share, since a decoder reading a file whole
// holds no libjpeg buffers (its pixels must still fit kPictureBudgetBytes).
inline constexpr std::int64_t kMaxPictureFileBytes = memoryShare(MemoryShare::DecodeWorking);
// All pictures of one rich-text document together, decoded at the size they are shown.
inline constexpr std::int64_t kDocumentPicturesBudgetBytes =
    memoryShare(MemoryShare::DocumentPictures);
// A metafile's parsed drawing steps and its drawing caches together.
inline constexpr std::int64_t kMetafileBudgetBytes = memoryShare(MemoryShare::Metafile);
// The working memory of a decode the read-ahead cache runs: a picture whose preparation needs
// more is read (file and header) but decoded only when it is shown, and a file larger than
// this is not read ahead at all.
inline constexpr std::int64_t kMaxReadAheadWorkingBytes = 24 * kMiB;
// What the read-ahead cache holds: file bytes and decoded pixels of every entry, pending ones
// included. The rest of its share is the working memory above.
inline constexpr std::int64_t kReadAheadBudgetBytes =
    memoryShare(MemoryShare::ReadAhead) - kMaxReadAheadWorkingBytes;

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
