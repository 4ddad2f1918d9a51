#include "picture/PictureCache.h"

#include "picture/Fitting.h"
#include "picture/PictureLoader.h"
#include "picture/jpeg/DecodeThreads.h"
#include "platform/Cancellation.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace zarovia::picture {

namespace cached {

struct Entry {
    std::optional<FileStamp> stamp;
    bool ready = false;
    bool ok = false;
    Picture picture;
    // What the entry counts against the budget: its file's size while it is being read, then
    // what the decoded picture holds.
    std::int64_t bytes = 0;
    std::uint64_t age = 0;
    // Loads that asked for this picture while it was being read; they run again when it is
    // ready (or dropped).
    std::vector<std::function<void()>> waiters;
    // While a picture about to be shown is still decoding: its first look, once there, and the
    // loads waiting for it, each told of it once.
    Picture firstLook;
    std::vector<PictureCache::FirstLook> lookWaiters;
    // Read ahead because it is about to be shown (the picture named on the command line), and
    // when it became ready.
    bool certain = false;
    std::chrono::steady_clock::time_point readyAt;
};

}  // namespace cached

using cached::Entry;

namespace {

// The display size of `natural` fitted into `client`, in device pixels.
QSize devicePixelsFor(QSize natural, QSize client, qreal ratio) {
    const Fit fit = fitPicture(natural, client);
    return (QSizeF(fit.displaySize) * ratio).toSize();
}

}  // namespace

struct PictureCache::Shared {
    std::shared_ptr<const FileSource> files;
    std::int64_t budget = 0;
    mutable std::mutex mutex;
    std::map<QByteArray, std::shared_ptr<Entry>> entries;
    std::int64_t held = 0;
    std::uint64_t clock = 0;
    int hits = 0;

    // All with `mutex` held.
    bool isCurrent(const QByteArray& path, const std::shared_ptr<Entry>& entry) const {
        const auto it = entries.find(path);
        return it != entries.end() && it->second == entry;
    }
    // Removes the entry; its waiters are handed back to run once the lock is released.
    void erase(std::map<QByteArray, std::shared_ptr<Entry>>::iterator it,
               std::vector<std::function<void()>>* waiters) {
        held -= it->second->bytes;
        for (auto& waiter : it->second->waiters) waiters->push_back(std::move(waiter));
        entries.erase(it);
    }
    // Drops the oldest entries other than `keep` until `incoming` more bytes fit. False when
    // they cannot fit at all.
    bool makeRoom(std::int64_t incoming, const Entry* keep,
                  std::vector<std::function<void()>>* waiters) {
        if (incoming > budget) return false;
        while (held + incoming > budget) {
            auto oldest = entries.end();
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                if (it->second.get() == keep) continue;
                if (oldest == entries.end() || it->second->age < oldest->second->age) oldest = it;
            }
            if (oldest == entries.end()) return false;
            erase(oldest, waiters);
        }
        return true;
    }
    // Sets what a ready entry holds, within the budget; an entry that cannot fit goes.
    void settle(const QByteArray& path, const std::shared_ptr<Entry>& entry, bool ok,
                Picture picture, std::int64_t bytes, std::vector<std::function<void()>>* waiters) {
        if (!isCurrent(path, entry)) return;
        for (auto& waiter : entry->waiters) waiters->push_back(std::move(waiter));
        entry->waiters.clear();
        held -= entry->bytes;
        entry->bytes = 0;
        entry->firstLook = Picture();
        entry->lookWaiters.clear();
        if (!ok) {
            // A failed read ahead is forgotten; the show reads the file and reports it.
            entries.erase(path);
            return;
        }
        if (!makeRoom(bytes, entry.get(), waiters)) {
            entries.erase(path);
            return;
        }
        entry->bytes = bytes;
        held += bytes;
        entry->ready = true;
        entry->readyAt = std::chrono::steady_clock::now();
        entry->ok = true;
        entry->picture = std::move(picture);
    }
};

namespace {

void runAll(std::vector<std::function<void()>>& waiters) {
    for (auto& waiter : waiters) waiter();
    waiters.clear();
}

struct LoadRequest {
    QByteArray path;
    QSize clientSize;
    qreal ratio = 1;
    QPointer<QObject> context;
    PictureCache::Done done;
    PictureCache::FirstLook firstLook;
    PictureCache::Wanted wanted;
    std::weak_ptr<WorkerPool> workers;
};

void deliver(const LoadRequest& request, LoadedPicture result) {
    if (!request.context) return;
    QMetaObject::invokeMethod(
        request.context.data(),
        [done = request.done, result = std::move(result)]() mutable { done(std::move(result)); },
        Qt::QueuedConnection);
}

// The bytes of a picture that may only be decoded on the window's thread: decoded there, then
// handed on.
void deliverForDecodingThere(const LoadRequest& request, QByteArray bytes, QByteArray extension) {
    if (!request.context) return;
    QMetaObject::invokeMethod(
        request.context.data(),
        [done = request.done, bytes = std::move(bytes), extension = std::move(extension)] {
            LoadedPicture result;
            try {
                result.picture = decodePictureBytes(bytes, extension);
            } catch (...) {
                result.failure = std::current_exception();
            }
            done(std::move(result));
        },
        Qt::QueuedConnection);
}

void runLoad(const std::shared_ptr<PictureCache::Shared>& shared, LoadRequest request);

void submit(const std::shared_ptr<PictureCache::Shared>& shared, LoadRequest request) {
    const std::shared_ptr<WorkerPool> workers = request.workers.lock();
    if (!workers) return;
    // The load stops at its next checkpoint once the window has moved on.
    PictureCache::Wanted wanted = request.wanted;
    workers->run([shared, request = std::move(request)]() mutable { runLoad(shared, request); },
                 WorkerPool::Priority::Shown, std::move(wanted));
}

enum class CacheAnswer {
    Miss,     // not there, or changed since: load it here
    Hit,      // there and current
    Waiting,  // being read ahead: the load runs again when it is ready
};

// Looks `request` up among the pictures read ahead (`stamp`: the file's now). A hit hands its
// picture over; a stale entry goes; a load waiting for a read ahead under way is shown that
// one's first look when there is one.
CacheAnswer askCache(const std::shared_ptr<PictureCache::Shared>& shared,
                     const LoadRequest& request, const std::optional<FileStamp>& stamp,
                     Picture* hit) {
    std::vector<std::function<void()>> waiters;
    std::unique_lock lock(shared->mutex);
    const auto it = shared->entries.find(request.path);
    if (it == shared->entries.end()) return CacheAnswer::Miss;
    Entry& entry = *it->second;
    if (!entry.ready) {
        entry.waiters.push_back([shared, request] { submit(shared, request); });
        if (!request.firstLook) return CacheAnswer::Waiting;
        if (entry.firstLook.isNull()) {
            entry.lookWaiters.push_back(request.firstLook);
            return CacheAnswer::Waiting;
        }
        const Picture look = entry.firstLook;
        lock.unlock();
        request.firstLook(look);
        return CacheAnswer::Waiting;
    }
    if (entry.ok && stamp && entry.stamp == stamp) {
        entry.age = ++shared->clock;
        ++shared->hits;
        *hit = entry.picture;
        return CacheAnswer::Hit;
    }
    shared->erase(it, &waiters);
    lock.unlock();
    runAll(waiters);
    return CacheAnswer::Miss;
}

// Keeps a picture loaded for the window, for Back and for a show of the same picture again,
// within the budget.
void keepLoaded(const std::shared_ptr<PictureCache::Shared>& shared, const QByteArray& path,
                const FileStamp& stamp, const Picture& picture) {
    std::vector<std::function<void()>> waiters;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->entries.count(path)) return;
        auto entry = std::make_shared<Entry>();
        entry->stamp = stamp;
        entry->age = ++shared->clock;
        shared->entries.emplace(path, entry);
        shared->settle(path, entry, true, picture, picture.residentBytes(), &waiters);
    }
    runAll(waiters);
}

// Reads and decodes the picture of `request` into `result`, and keeps it under the stamp of
// the descriptor its bytes came from. False when the load ends here: it failed (the failure
// delivered), the picture goes to the window's thread to be decoded, or it is no longer wanted.
bool loadHere(const std::shared_ptr<PictureCache::Shared>& shared, const LoadRequest& request,
              LoadedPicture& result) {
    try {
        PictureFileRead read = readPictureForViewer(shared->files, request.path);
        if (!read.loadedFromHead && !decodableOffGuiThread(request.path)) {
            deliverForDecodingThere(request, std::move(read.bytes), std::move(read.lowerExtension));
            return false;
        }
        if (request.wanted && !request.wanted()) return false;
        const FileStamp stamp = read.stamp;
        result.picture = decodePictureRead(std::move(read));
        keepLoaded(shared, request.path, stamp, result.picture);
        return true;
    } catch (const WorkCancelled&) {
        throw;
    } catch (...) {
        result.failure = std::current_exception();
        deliver(request, std::move(result));
        return false;
    }
}

// Prepares the picture for its display size (a JPEG decodes at its display scale, handing a
// progressive one's first look to the request; a metafile is drawn once at that size). A
// damaged picture shows what was decoded; its failure follows it into the error box.
void prepareForShow(const LoadRequest& request, LoadedPicture& result) {
    try {
        const QSize target =
            devicePixelsFor(result.picture.size(), request.clientSize, request.ratio);
        FirstLookSink sink;
        if (request.firstLook) {
            sink = [&request, &result](const QImage& look) {
                request.firstLook(previewPicture(result.picture, look));
            };
        }
        result.picture.prepareToShow(target, sink);
    } catch (const WorkCancelled&) {
        throw;
    } catch (...) {
        result.failure = std::current_exception();
    }
}

void runLoad(const std::shared_ptr<PictureCache::Shared>& shared, LoadRequest request) {
    const auto wanted = [&request] { return !request.wanted || request.wanted(); };
    if (!wanted()) return;
    const std::optional<FileStamp> stamp = shared->files->stamp(request.path);
    LoadedPicture result;
    switch (askCache(shared, request, stamp, &result.picture)) {
        case CacheAnswer::Waiting:
            return;
        case CacheAnswer::Hit:
            result.fromCache = true;
            break;
        case CacheAnswer::Miss:
            if (!loadHere(shared, request, result)) return;
            break;
    }
    if (!wanted()) return;
    prepareForShow(request, result);
    deliver(request, std::move(result));
}

// Keeps the first look of a picture still decoding and hands it to the loads waiting for it.
void publishFirstLook(PictureCache::Shared& shared, const QByteArray& path,
                      const std::shared_ptr<Entry>& entry, const Picture& look) {
    std::vector<PictureCache::FirstLook> waiting;
    {
        std::lock_guard lock(shared.mutex);
        if (!shared.isCurrent(path, entry) || entry->ready) return;
        entry->firstLook = look;
        waiting.swap(entry->lookWaiters);
    }
    for (const auto& waiter : waiting) waiter(look);
}

// Holds room for the file's bytes (`size`, as the path says now) while a read ahead reads and
// decodes it. False, with the entry gone, when a speculative read ahead would need too much or
// there is no room.
bool holdRoomForReading(PictureCache::Shared& shared, const QByteArray& path,
                        const std::shared_ptr<Entry>& entry, std::int64_t size,
                        PictureCache::Use use) {
    std::vector<std::function<void()>> waiters;
    bool held = false;
    {
        std::lock_guard lock(shared.mutex);
        if (!shared.isCurrent(path, entry)) return false;
        const bool speculative = use == PictureCache::Use::Speculative;
        if ((speculative && size > PictureCache::kMaxReadAheadWorkingBytes) ||
            !shared.makeRoom(size, entry.get(), &waiters)) {
            shared.erase(shared.entries.find(path), &waiters);
        } else {
            entry->bytes = size;
            shared.held += size;
            held = true;
        }
    }
    runAll(waiters);
    return held;
}

// Prepares a picture read ahead for `clientSize`: one about to be shown at once, handing its
// first look to the loads that come while it decodes; another only when its decode needs
// little working memory.
void prepareReadAhead(const std::shared_ptr<PictureCache::Shared>& shared, const QByteArray& path,
                      const std::shared_ptr<Entry>& entry, const Picture& picture, QSize clientSize,
                      PictureCache::Use use) {
    if (clientSize.isEmpty()) return;
    const QSize displaySize = fitPicture(picture.size(), clientSize).displaySize;
    if (use == PictureCache::Use::Certain) {
        picture.prepareWithFirstLook(displaySize, [&](const QImage& look) {
            publishFirstLook(*shared, path, entry, previewPicture(picture, look));
        });
    } else if (picture.prepareWorkingBytes() <= PictureCache::kMaxReadAheadWorkingBytes) {
        picture.prepare(displaySize);
    }
}

void runReadAhead(const std::shared_ptr<PictureCache::Shared>& shared, const QByteArray& path,
                  const std::shared_ptr<Entry>& entry, QSize clientSize, PictureCache::Use use) {
    // A picture read ahead on speculation is decoded on its own thread only.
    std::optional<jpeg::OneDecodeThreadHere> oneThread;
    if (use != PictureCache::Use::Certain) oneThread.emplace();
    // Kept under the stamp of the descriptor read, so that a file replaced after it was opened
    // counts as changed when the show compares it with the file as it is then.
    const auto finish = [&](std::optional<FileStamp> stamp, Picture picture) {
        std::vector<std::function<void()>> waiters;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->isCurrent(path, entry)) entry->stamp = stamp;
            shared->settle(path, entry, stamp.has_value(), picture, picture.residentBytes(),
                           &waiters);
        }
        runAll(waiters);
    };
    const std::optional<FileStamp> now = shared->files->stamp(path);
    if (!now) return finish(std::nullopt, {});
    if (!holdRoomForReading(*shared, path, entry, now->size, use)) return;
    try {
        PictureFileRead read = readPictureForViewer(shared->files, path);
        const FileStamp stamp = read.stamp;
        const Picture picture = decodePictureRead(std::move(read));
        prepareReadAhead(shared, path, entry, picture, clientSize, use);
        finish(stamp, picture);
    } catch (const WorkCancelled&) {
        // Stopped at a checkpoint (the entry went, the show needed the thread, the program is
        // quitting): forgotten, so that a show reads the file itself.
        finish(std::nullopt, {});
        throw;
    } catch (...) {
        finish(std::nullopt, {});
    }
}

}  // namespace

PictureCache::PictureCache(std::shared_ptr<const FileSource> files,
                           std::shared_ptr<WorkerPool> workers, std::int64_t budgetBytes)
    : files_(std::move(files)), workers_(std::move(workers)), shared_(std::make_shared<Shared>()) {
    shared_->files = files_;
    shared_->budget = budgetBytes;
}

PictureCache::~PictureCache() = default;

void PictureCache::load(const QByteArray& path, QSize clientSize, qreal devicePixelRatio,
                        QObject* context, Done done, FirstLook firstLook, Wanted wanted) {
    LoadRequest request;
    request.path = path;
    request.clientSize = clientSize;
    request.ratio = devicePixelRatio;
    request.context = context;
    request.done = std::move(done);
    request.firstLook = std::move(firstLook);
    request.wanted = std::move(wanted);
    request.workers = workers_;
    submit(shared_, std::move(request));
}

void PictureCache::prefetch(const QByteArray& path, QSize clientSize, Use use) {
    if (path.isEmpty() || !decodableOffGuiThread(path)) return;
    auto entry = std::make_shared<Entry>();
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->entries.count(path)) return;
        entry->age = ++shared_->clock;
        entry->certain = use == Use::Certain;
        shared_->entries.emplace(path, entry);
    }
    // Wanted while the entry is in the cache; a speculative one also yields its thread to a
    // show that waits for one (the pool sees to that).
    auto stillHeld = [shared = std::weak_ptr<Shared>(shared_), path, entry] {
        const std::shared_ptr<Shared> alive = shared.lock();
        if (!alive) return false;
        std::lock_guard lock(alive->mutex);
        return alive->isCurrent(path, entry);
    };
    workers_->run(
        [shared = shared_, path, entry, clientSize, use] {
            runReadAhead(shared, path, entry, clientSize, use);
        },
        use == Use::Certain ? WorkerPool::Priority::Shown : WorkerPool::Priority::ReadAhead,
        std::move(stillHeld));
}

std::optional<LoadedPicture> PictureCache::readyNow(const QByteArray& path, QSize clientSize,
                                                    qreal devicePixelRatio, int freshForMs) const {
    Picture picture;
    {
        std::lock_guard lock(shared_->mutex);
        const auto it = shared_->entries.find(path);
        if (it == shared_->entries.end()) return std::nullopt;
        Entry& entry = *it->second;
        if (!entry.certain || !entry.ready || !entry.ok ||
            std::chrono::steady_clock::now() - entry.readyAt >
                std::chrono::milliseconds(freshForMs))
            return std::nullopt;
        picture = entry.picture;
        entry.age = ++shared_->clock;
    }
    // Ready only when drawing it at the display size decodes and scales nothing (a JPEG with
    // its screen decode at that size).
    if (!picture.isReadyFor(devicePixelsFor(picture.size(), clientSize, devicePixelRatio)))
        return std::nullopt;
    std::lock_guard lock(shared_->mutex);
    ++shared_->hits;
    LoadedPicture loaded;
    loaded.picture = std::move(picture);
    loaded.fromCache = true;
    return loaded;
}

int PictureCache::hits() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->hits;
}

std::int64_t PictureCache::heldBytes() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->held;
}

int PictureCache::entryCount() const {
    std::lock_guard lock(shared_->mutex);
    return static_cast<int>(shared_->entries.size());
}

bool PictureCache::holds(const QByteArray& path) const {
    std::lock_guard lock(shared_->mutex);
    const auto it = shared_->entries.find(path);
    return it != shared_->entries.end() && it->second->ready;
}

}  // namespace zarovia::picture
