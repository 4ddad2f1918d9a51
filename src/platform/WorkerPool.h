#pragma once

#include <QThreadPool>
#include <functional>

namespace zarovia {

// The one small pool of worker threads that reads and decodes files for the window: two
// threads, so the picture being shown and the one read ahead go side by side on two cores.
// Jobs the window asked for run before jobs read ahead.
class WorkerPool {
public:
    enum class Priority { ReadAhead = 0, Shown = 10 };

    WorkerPool();
    // Queued jobs are dropped; a job under way is waited for.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void run(std::function<void()> job, Priority priority);
    // Waits until every job queued so far has finished (tests and benchmarks).
    bool waitForIdle(int msecs = -1);

private:
    QThreadPool pool_;
};

}  // namespace zarovia
