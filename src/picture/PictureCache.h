#pragma once

#include "picture/MemoryBudget.h"
#include "picture/Picture.h"
#include "platform/FileSource.h"
#include "platform/WorkerPool.h"

#include <QByteArray>
#include <QSize>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace zarovia::picture {

// A picture loaded for the screen, or why it could not be.
struct LoadedPicture {
    // The picture; null when the file could not be read or decoded.
    Picture picture;
    // The failure, rethrown by the window inside its guard. With a picture too, the file loaded
    // but its display decode ended in a fatal error (a damaged JPEG): what was decoded shows.
    std::exception_ptr failure;
    // Answered from what was read ahead.
    bool fromCache = false;
};

// Reads and decodes pictures on the worker pool and keeps those read ahead, keyed by path and
// the file's stamp, so a file changed since it was read is read again. The cache holds at most
// `budgetBytes` of file bytes and decoded pixels, entries still being read included; the oldest
// entries go first. A read ahead that failed is forgotten: the show reads the file itself and
// reports the failure then, never earlier. Nothing here ever blocks the calling thread.
class PictureCache {
public:
    enum class Use {
        Certain,      // it is about to be shown: always prepare it
        Speculative,  // it may be shown next: skip what needs much working memory
    };

    PictureCache(std::shared_ptr<const FileSource> files, std::shared_ptr<WorkerPool> workers,
                 std::int64_t budgetBytes = kReadAheadBudgetBytes);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    using Done = std::function<void(LoadedPicture)>;
    // Receives the first look of a progressive JPEG (a picture of the same kind and natural size
    // drawing the first scans), on a worker thread.
    using FirstLook = std::function<void(Picture preview)>;
    // Asked on the worker before each costly step; false drops the load (the user moved on).
    using Wanted = std::function<bool()>;

    // Loads `path` and prepares it for its display size when fitted into `clientSize` (logical
    // pixels) on a screen of `devicePixelRatio` (a JPEG decodes at its display scale). `done`
    // runs on the thread of `context` unless `context` is gone by then.
    void load(const QByteArray& path, QSize clientSize, qreal devicePixelRatio, QObject* context,
              Done done, FirstLook firstLook = {}, Wanted wanted = {});

    // The picture at `path` when a read ahead for a certain show (Use::Certain: the picture
    // named on the command line) finished no longer than `freshForMs` ago and has it ready to
    // draw at its display size in `clientSize`; else nothing, and load() asks the workers.
    // Runs on the calling thread without touching the file (the age stands in for the stamp
    // check) and never decodes, so that the window's first paint can show the picture.
    std::optional<LoadedPicture> readyNow(const QByteArray& path, QSize clientSize,
                                          qreal devicePixelRatio, int freshForMs) const;

    // Starts reading `path` ahead and preparing it for a client area of `clientSize` (device
    // pixels); does nothing when it is cached or under way already.
    void prefetch(const QByteArray& path, QSize clientSize, Use use = Use::Speculative);

    // A speculative read ahead of a picture whose preparation needs more working memory than
    // this is read (file and header) but decoded only when it is shown; one whose file is
    // larger than this is not read ahead at all.
    static constexpr std::int64_t kMaxReadAheadWorkingBytes = picture::kMaxReadAheadWorkingBytes;

    const std::shared_ptr<WorkerPool>& workers() const { return workers_; }
    const std::shared_ptr<const FileSource>& files() const { return files_; }

    // For tests and benchmarks.
    int hits() const;
    std::int64_t heldBytes() const;
    int entryCount() const;
    bool holds(const QByteArray& path) const;

    struct Shared;

private:
    std::shared_ptr<const FileSource> files_;
    std::shared_ptr<WorkerPool> workers_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace zarovia::picture
