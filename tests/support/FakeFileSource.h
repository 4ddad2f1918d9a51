#pragma once

// The file system, slowed down on demand, counting its reads and where they happen. A slow
// read passes checkpoints every 5 ms, as the real reads do between their pieces, so a read for
// a file the user has left stops soon; with `blockingReads` it holds its thread to the end, as
// a read from a dead network share would.
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
                   Counter blockingReads = std::make_shared<std::atomic<int>>(0))
        : delayMs_(std::move(delayMs)),
          reads_(std::move(reads)),
          onWindowThread_(std::move(readsOnWindowThread)),
          blocking_(std::move(blockingReads)) {}
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

private:
    void wait() const {
        ++*reads_;
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread())
            ++*onWindowThread_;
        const int ms = delayMs_->load();
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
};

}  // namespace zarovia::testing
