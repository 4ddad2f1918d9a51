#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace zarovia {

// The one small pool of worker threads that reads and decodes files for the window: two
// threads, so the picture being shown and the one read ahead go side by side on two cores.
//
// Each job runs inside a CancellationScope (platform/Cancellation.h) that asks whether its
// result is still wanted: its own `wanted`, and whether the pool is closing. A job that is no
// longer wanted when its turn comes is dropped; one that stops at a checkpoint (WorkCancelled)
// ends there, silently.
//
// The picture the user is looking at always has a thread: jobs the window asked for run before
// jobs read ahead, read-ahead jobs never take the last thread, and a read ahead under way is
// cancelled at its next checkpoint when a job for the window waits with every thread busy.
// Should every thread still be held after kStandbyAfter (jobs that pass no checkpoint, such as
// reads from a dead network share), a thread on stand-by runs the window's jobs.
class WorkerPool {
public:
    enum class Priority { ReadAhead = 0, Shown = 10 };
    using Wanted = std::function<bool()>;

    // How long the destructor waits for the jobs under way to reach a checkpoint.
    static constexpr std::chrono::milliseconds kCloseWait{500};
    // An idle thread ends after this long, so an idle viewer holds no stacks.
    static constexpr std::chrono::milliseconds kIdleExpiry{30000};
    // How long a job for the window waits for a thread before one on stand-by takes it.
    static constexpr std::chrono::milliseconds kStandbyAfter{250};

    explicit WorkerPool(int threads = 2);
    // Queued jobs are dropped and the jobs under way cancelled at their next checkpoint; waits
    // for them at most kCloseWait. A job stuck beyond that (a read from a dead network share)
    // is left to end on its own: its thread no longer touches the pool's owner.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void run(std::function<void()> job, Priority priority, Wanted wanted = {});
    // Waits until every job queued so far has finished; false when `msecs` (-1: no limit)
    // passed first.
    bool waitForIdle(int msecs = -1);

    // True while a job for the window waits and every thread is busy: reading ahead yields.
    bool shownWorkWaiting() const;
    // Jobs running now.
    int busyThreads() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace zarovia
