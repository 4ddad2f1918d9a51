#include "platform/WorkerPool.h"

#include "platform/Cancellation.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace zarovia {

struct WorkerPool::State {
    struct Job {
        std::function<void()> work;
        Wanted wanted;
        bool readAhead = false;
    };

    explicit State(int threadCount) : maxThreads(std::max(1, threadCount)) {}

    const int maxThreads;
    // Read-ahead jobs never take the last thread.
    int readAheadLimit() const { return std::max(1, maxThreads - 1); }
    // Threads on stand-by for the window's jobs when every thread is held by jobs that pass
    // no checkpoint (reads from a dead network share), at most this many at a time.
    static constexpr int kMaxStandbyThreads = 2;

    std::mutex mutex;
    std::condition_variable wake;     // a job was queued, or the pool is closing
    std::condition_variable settled;  // a job ended, or a thread did
    std::deque<Job> shown;
    std::deque<Job> readAhead;
    int threads = 0;  // the pool's own, not those on stand-by
    // Threads started and not yet looking for work count as idle: they will take what waits.
    int startingThreads = 0;
    int standbyThreads = 0;
    int idleThreads = 0;
    int running = 0;
    int runningReadAhead = 0;
    bool closing = false;

    // Mirrors of the above for checkpoints, which must not take the lock.
    std::atomic<bool> closingFlag{false};
    std::atomic<bool> shownStarved{false};
    std::atomic<int> busy{0};

    // All with `mutex` held.
    void noteStarvation() {
        shownStarved.store(!shown.empty() && idleThreads + startingThreads == 0,
                           std::memory_order_relaxed);
    }
    bool take(Job& job, bool shownOnly = false) {
        if (!shown.empty()) {
            job = std::move(shown.front());
            shown.pop_front();
        } else if (!shownOnly && !readAhead.empty() && runningReadAhead < readAheadLimit()) {
            job = std::move(readAhead.front());
            readAhead.pop_front();
        } else {
            return false;
        }
        ++running;
        if (job.readAhead) ++runningReadAhead;
        busy.store(running, std::memory_order_relaxed);
        noteStarvation();
        return true;
    }
    bool isIdle() const { return shown.empty() && readAhead.empty() && running == 0; }
    // Runs `job` (taken under `lock`) without the lock, then counts it done.
    void runTaken(std::unique_lock<std::mutex>& lock, Job& job, const std::shared_ptr<State>& self);
};

namespace {

using State = WorkerPool::State;

void runJob(const std::shared_ptr<State>& state, State::Job& job) {
    const auto wanted = [state = state.get(), &job] {
        if (state->closingFlag.load(std::memory_order_relaxed)) return false;
        if (job.readAhead && state->shownStarved.load(std::memory_order_relaxed)) return false;
        return !job.wanted || job.wanted();
    };
    CancellationScope scope(wanted);
    if (scope.cancelled()) return;  // no longer wanted by the time its turn came
    try {
        job.work();
    } catch (const WorkCancelled&) {
        // Stopped at a checkpoint: nobody waits for its result.
    } catch (...) {
        // A job reports its own failures; one that escapes must not end the program.
        std::fputs("zarovia: a worker job ended with an unexpected exception\n", stderr);
    }
}

}  // namespace

void WorkerPool::State::runTaken(std::unique_lock<std::mutex>& lock, Job& job,
                                 const std::shared_ptr<State>& self) {
    lock.unlock();
    runJob(self, job);
    const bool wasReadAhead = job.readAhead;
    job = {};  // what the job held goes here, on its own thread
    lock.lock();
    --running;
    if (wasReadAhead) --runningReadAhead;
    busy.store(running, std::memory_order_relaxed);
    noteStarvation();
    settled.notify_all();
}

namespace {

void workerLoop(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    --state->startingThreads;
    for (;;) {
        State::Job job;
        if (!state->take(job)) {
            if (state->closing) break;
            ++state->idleThreads;
            state->noteStarvation();
            const bool expired =
                state->wake.wait_for(lock, WorkerPool::kIdleExpiry) == std::cv_status::timeout;
            --state->idleThreads;
            state->noteStarvation();
            if (expired && state->shown.empty() && state->readAhead.empty()) break;
            continue;
        }
        state->runTaken(lock, job, state);
    }
    --state->threads;
    state->noteStarvation();
    state->settled.notify_all();
}

// Waits while a job for the window waits: for a thread to come free, a read ahead to yield at
// its checkpoint, or the job to be dropped. When none of that has happened by kStandbyAfter,
// every thread is held by something that passes no checkpoint, and this thread runs the
// window's jobs itself, then ends.
void standbyLoop(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    const auto deadline = std::chrono::steady_clock::now() + WorkerPool::kStandbyAfter;
    while (!state->closing && !state->shown.empty() && std::chrono::steady_clock::now() < deadline)
        state->settled.wait_until(lock, deadline);
    State::Job job;
    while (!state->closing && state->take(job, true)) state->runTaken(lock, job, state);
    --state->standbyThreads;
    state->settled.notify_all();
}

}  // namespace

WorkerPool::WorkerPool(int threads) : state_(std::make_shared<State>(threads)) {}

WorkerPool::~WorkerPool() {
    std::deque<State::Job> dropped;
    std::unique_lock lock(state_->mutex);
    state_->closing = true;
    state_->closingFlag.store(true);
    dropped.swap(state_->shown);
    for (auto& job : state_->readAhead) dropped.push_back(std::move(job));
    state_->readAhead.clear();
    state_->wake.notify_all();
    state_->settled.wait_for(
        lock, kCloseWait, [this] { return state_->threads == 0 && state_->standbyThreads == 0; });
    lock.unlock();
    // The jobs that never started are destroyed here, outside the lock.
}

void WorkerPool::run(std::function<void()> job, Priority priority, Wanted wanted) {
    std::lock_guard lock(state_->mutex);
    if (state_->closing) return;
    const bool readAhead = priority == Priority::ReadAhead;
    (readAhead ? state_->readAhead : state_->shown)
        .push_back(State::Job{std::move(job), std::move(wanted), readAhead});
    if (state_->idleThreads > 0) {
        state_->wake.notify_all();
    } else if (state_->threads < state_->maxThreads) {
        ++state_->threads;
        ++state_->startingThreads;
        std::thread(workerLoop, state_).detach();
    } else if (!readAhead && state_->startingThreads == 0 && state_->standbyThreads == 0 &&
               state_->running >= state_->threads) {
        ++state_->standbyThreads;
        std::thread(standbyLoop, state_).detach();
    }
    state_->noteStarvation();
}

bool WorkerPool::waitForIdle(int msecs) {
    std::unique_lock lock(state_->mutex);
    const auto idle = [this] { return state_->isIdle(); };
    if (msecs < 0) {
        state_->settled.wait(lock, idle);
        return true;
    }
    return state_->settled.wait_for(lock, std::chrono::milliseconds(msecs), idle);
}

bool WorkerPool::shownWorkWaiting() const {
    return state_->shownStarved.load(std::memory_order_relaxed);
}

int WorkerPool::busyThreads() const {
    return state_->busy.load(std::memory_order_relaxed);
}

}  // namespace zarovia
