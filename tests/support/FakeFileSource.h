#pragma once

// The file system, slowed down on demand, counting its reads and where they happen. A slow
// read passes checkpoints every 5 ms, as the real reads do between their pieces, so a read for
// a file the user has left stops soon; with `blockingReads` it holds its thread to the end, as
// a read from a dead network share would. A folder's listing has a delay of its own, and can be
// made to fail as a folder without read permission does.
#include "platform/Cancellation.h"
#include "platform/FileSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <memory>

namespace zarovia::testing {

class FakeFileSource : public FileSource {
public:
    using Counter = std::shared_ptr<std::atomic<int>>;
    FakeFileSource(Counter delayMs, Counter reads, Counter readsOnWindowThread,
                   Counter blockingReads = std::make_shared<std::atomic<int>>(0),
                   Counter listDelayMs = std::make_shared<std::atomic<int>>(0),
                   Counter failingListings = std::make_shared<std::atomic<int>>(0),
                   Counter listings = std::make_shared<std::atomic<int>>(0))
        : delayMs_(std::move(delayMs)),
          reads_(std::move(reads)),
          onWindowThread_(std::move(readsOnWindowThread)),
          blocking_(std::move(blockingReads)),
          listDelayMs_(std::move(listDelayMs)),
          failingListings_(std::move(failingListings)),
          listings_(std::move(listings)) {}
    QByteArray readWhole(const QByteArray& path, std::int64_t maxBytes,
                         const QString& tooLargeText) const override {
        wait();
        return FileSource::readWhole(path, maxBytes, tooLargeText);
    }
    QByteArray readHead(const QByteArray& path, std::int64_t maxBytes) const override {
        wait();
        return FileSource::readHead(path, maxBytes);
    }
    std::shared_ptr<ReadOnlyFile> open(const QByteArray& path) const override {
        wait();
        return FileSource::open(path);
    }

    FolderListing listFolder(const QByteArray& folder,
                             const std::function<bool(QByteArrayView)>& keep) const override {
        ++*listings_;
        countWindowThread();
        // The folder is read first and its list held back: a file removed meanwhile is one
        // removed between the listing and the step to it.
        FolderListing listing = failingListings_->load() != 0
                                    ? FolderListing{{}, true}
                                    : FileSource::listFolder(folder, keep);
        // Read at every turn: a test holds a listing with a long delay and lets it go with 0.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < listDelayMs_->load()) {
            checkpoint();
            QThread::msleep(5);
        }
        return listing;
    }

private:
    void wait() const {
        ++*reads_;
        countWindowThread();
        delay(delayMs_->load());
    }
    void countWindowThread() const {
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread())
            ++*onWindowThread_;
    }
    void delay(int ms) const {
        if (ms <= 0) return;
        if (blocking_->load() != 0) {
            QThread::msleep(static_cast<unsigned>(ms));
            return;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            checkpoint();
            QThread::msleep(static_cast<unsigned>(std::min<qint64>(5, ms - clock.elapsed())));
        }
    }
    Counter delayMs_;
    Counter reads_;
    Counter onWindowThread_;
    Counter blocking_;
    Counter listDelayMs_;
    Counter failingListings_;
    Counter listings_;
};

}  // namespace zarovia::testing
