#pragma once

// The file system, slowed down on demand, counting its reads and where they happen.
#include "platform/FileSource.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <memory>

namespace zarovia::testing {

class FakeFileSource : public FileSource {
public:
    using Counter = std::shared_ptr<std::atomic<int>>;
    FakeFileSource(Counter delayMs, Counter reads, Counter readsOnWindowThread)
        : delayMs_(std::move(delayMs)),
          reads_(std::move(reads)),
          onWindowThread_(std::move(readsOnWindowThread)) {}
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
        if (const int ms = delayMs_->load(); ms > 0) QThread::msleep(static_cast<unsigned>(ms));
    }
    Counter delayMs_;
    Counter reads_;
    Counter onWindowThread_;
};

}  // namespace zarovia::testing
