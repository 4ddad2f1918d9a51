#pragma once

#include "picture/Picture.h"

#include <QByteArray>
#include <QSize>
#include <cstdint>
#include <future>
#include <map>
#include <mutex>

namespace zarovia::picture {

// Pictures read ahead on a worker thread, keyed by path, size and modification time, so a
// file changed since it was read ahead is read again. A read ahead that failed is forgotten:
// the show loads the file itself and reports the failure then, never earlier. Waiting for a
// read ahead that is under way never takes longer than loading the file anew would.
class PictureCache {
public:
    // `capacity`: how many finished or pending pictures are kept at most.
    explicit PictureCache(std::size_t capacity = 3);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    enum class Use {
        Certain,      // it is about to be shown: always prepare it
        Speculative,  // it may be shown next: skip preparing what needs much working memory
    };
    // Starts reading `path` ahead and preparing it for a client area of `clientSize` (device
    // pixels); does nothing when it is cached or under way already.
    void prefetch(const QByteArray& path, QSize clientSize, Use use = Use::Speculative);

    // The picture at `path`: from the cache when it was read ahead from the file as it is now,
    // otherwise loaded here. Throws Failure as loadPictureFile does.
    Picture load(const QByteArray& path);

    // A picture whose preparation needs more working memory than this is read ahead
    // (file and header) but decoded only when it is shown.
    static constexpr long long kMaxReadAheadWorkingBytes = 24LL * 1024 * 1024;

    // Number of loads answered from the cache (for tests and benchmarks).
    int hits() const { return hits_; }

private:
    struct Stamp {
        std::int64_t size = -1;
        std::int64_t mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Result {
        Picture picture;
        Stamp stamp;
        bool ok = false;
    };
    struct Entry {
        std::shared_future<Result> result;
        std::uint64_t age = 0;
    };

    static Result readAhead(const QByteArray& path, QSize clientSize, Use use);
    void evictOldest();

    std::size_t capacity_;
    std::map<QByteArray, Entry> entries_;
    std::uint64_t clock_ = 0;
    int hits_ = 0;
};

}  // namespace zarovia::picture
