#pragma once

#include <QMutex>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace zarovia::media {

// One thread that carries out the engine's blocking calls (opening, state changes, seeks,
// tearing a pipeline down) one after the other, in the order they were asked for, so that the
// user-interface thread never waits for them.
class EngineWorker {
public:
    // How long the destructor waits for the work still queued before it leaves the thread to
    // finish on its own (a read stuck on a dead network share must not hang the program).
    static constexpr std::chrono::milliseconds kShutdownWait{3000};

    EngineWorker() = default;
    ~EngineWorker();
    EngineWorker(const EngineWorker&) = delete;
    EngineWorker& operator=(const EngineWorker&) = delete;

    // Queues `task`; it runs on the worker thread and is destroyed there too. A task that
    // throws is abandoned, and the worker goes on with the next one.
    void post(std::function<void()> task);

private:
    struct Queue;
    std::shared_ptr<Queue> queue_;
    std::thread thread_;
};

// Hands calls from other threads to the user-interface thread, queued on a receiver living
// there. Once detached (the receiver's owner is going away) calls are dropped, so a call never
// reaches a destroyed owner.
class UiMailbox {
public:
    explicit UiMailbox(QObject* receiver) : receiver_(receiver) {}

    void post(std::function<void()> call);
    void detach();

private:
    QMutex mutex_;
    QObject* receiver_;
};

}  // namespace zarovia::media
