#include "platform/WorkerPool.h"

#include <QRunnable>

namespace zarovia {

WorkerPool::WorkerPool() {
    pool_.setMaxThreadCount(2);
    // Idle threads go after a while, so an idle viewer holds no stacks.
    pool_.setExpiryTimeout(30000);
}

WorkerPool::~WorkerPool() {
    pool_.clear();
    pool_.waitForDone();
}

void WorkerPool::run(std::function<void()> job, Priority priority) {
    pool_.start(QRunnable::create(std::move(job)), static_cast<int>(priority));
}

bool WorkerPool::waitForIdle(int msecs) {
    return pool_.waitForDone(msecs);
}

}  // namespace zarovia
