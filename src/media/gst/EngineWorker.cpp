#include "media/gst/EngineWorker.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace zarovia::media {

struct EngineWorker::Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    bool finished = false;

    void run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty()) break;  // stopping, and nothing left to do
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            try {
                task();
            } catch (...) {
                // A task reports its own results; one that fails must not end the worker.
            }
            task = nullptr;  // what it holds is released on this thread
        }
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_all();
    }
};

EngineWorker::~EngineWorker() {
    if (!queue_) return;
    bool finished = false;
    {
        std::unique_lock lock(queue_->mutex);
        queue_->stopping = true;
        queue_->wake.notify_all();
        finished = queue_->done.wait_for(lock, kShutdownWait, [this] { return queue_->finished; });
    }
    if (finished)
        thread_.join();
    else
        thread_.detach();  // it keeps the queue alive and ends by itself
}

void EngineWorker::post(std::function<void()> task) {
    if (!queue_) {
        queue_ = std::make_shared<Queue>();
        thread_ = std::thread([queue = queue_] { queue->run(); });
    }
    std::lock_guard lock(queue_->mutex);
    queue_->tasks.push_back(std::move(task));
    queue_->wake.notify_one();
}

void UiMailbox::post(std::function<void()> call) {
    QMutexLocker lock(&mutex_);
    if (!receiver_) return;
    QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
}

void UiMailbox::detach() {
    QMutexLocker lock(&mutex_);
    receiver_ = nullptr;
}

}  // namespace zarovia::media
