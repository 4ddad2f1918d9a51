#include "PictureCache.h"

#include "Fitting.h"
#include "PictureLoader.h"
#include "platform/Failure.h"
#include "platform/FileAccess.h"

namespace zarovia::picture {

PictureCache::PictureCache(std::size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

PictureCache::~PictureCache() {
    // Pending reads finish before the cache goes; they hold nothing of ours but their results.
    for (auto& [path, entry] : entries_)
        if (entry.result.valid()) entry.result.wait();
}

PictureCache::Result PictureCache::readAhead(const QByteArray& path, QSize clientSize, Use use) {
    Result result;
    try {
        // The stamp is taken before reading, so a file replaced while it is read counts as
        // changed when the show compares it with the file as it is then.
        if (!fileStamp(path, &result.stamp.size, &result.stamp.mtimeNs)) return result;
        result.picture = loadPictureFile(path);
        const bool affordable = result.picture.prepareWorkingBytes() <= kMaxReadAheadWorkingBytes;
        if (!clientSize.isEmpty() && (use == Use::Certain || affordable)) {
            const Fit fit = fitPicture(result.picture.size(), clientSize);
            result.picture.prepare(fit.displaySize);
        }
        result.ok = true;
    } catch (...) {
        // Forgotten here; the show reads the file itself and reports what it finds.
        result = Result();
    }
    return result;
}

void PictureCache::prefetch(const QByteArray& path, QSize clientSize, Use use) {
    if (path.isEmpty() || entries_.count(path) || !decodableOffGuiThread(path)) return;
    if (entries_.size() >= capacity_) evictOldest();
    Entry entry;
    entry.result =
        std::async(std::launch::async, &PictureCache::readAhead, path, clientSize, use).share();
    entry.age = ++clock_;
    entries_.emplace(path, std::move(entry));
}

void PictureCache::evictOldest() {
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        // A read under way is kept: dropping it would block here until it ends.
        if (it->second.result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            continue;
        if (oldest == entries_.end() || it->second.age < oldest->second.age) oldest = it;
    }
    if (oldest != entries_.end()) entries_.erase(oldest);
}

Picture PictureCache::load(const QByteArray& path) {
    auto it = entries_.find(path);
    if (it != entries_.end()) {
        // A read ahead under way started earlier than a new load would, so waiting for it is
        // never slower than reading anew.
        const Result result = it->second.result.get();
        it->second.age = ++clock_;
        Stamp now;
        if (result.ok && fileStamp(path, &now.size, &now.mtimeNs) && now == result.stamp) {
            ++hits_;
            return result.picture;
        }
        entries_.erase(it);
    }
    return loadPictureFile(path);
}

}  // namespace zarovia::picture
