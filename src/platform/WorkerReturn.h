#pragma once

#include "platform/Cancellation.h"
#include "platform/WorkerPool.h"

#include <QObject>
#include <QPointer>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// The way back from a worker to the thread that owns an object (the window): the result of a job
// is brought there and handed over only while the object lives and still waits for it. A
// result for a file the user has left is dropped, never shown late.
namespace zarovia {

// What a job brings back: its value, or the failure it ended with (then `value` is empty).
template <class Result>
struct WorkerOutcome {
    std::optional<Result> value;
    std::exception_ptr failure;
};

// From any thread: `step` runs on `home`'s thread, once its events are processed, when `home`
// still lives and `accept()`, asked there first, agrees (the receiver still waits for it).
void returnTo(QObject* home, std::function<bool()> accept, std::function<void()> step);

// Runs `work` on `pool` while `wanted` holds; its outcome comes back to `home`'s thread, where
// `arrive` gets it when `home` lives and `accept()` agrees (returnTo). A job that stops at a
// checkpoint, or that is dropped before it starts, brings nothing back.
template <class Work, class Arrive>
void runAndReturn(WorkerPool& pool, WorkerPool::Priority priority, WorkerPool::Wanted wanted,
                  QObject* home, std::function<bool()> accept, Work work, Arrive arrive) {
    using Result = std::invoke_result_t<Work&>;
    pool.run(
        [home = QPointer<QObject>(home), accept = std::move(accept), work = std::move(work),
         arrive = std::move(arrive)]() mutable {
            // Shared, so that the outcome and the steps that hand it over are copyable.
            auto outcome = std::make_shared<WorkerOutcome<Result>>();
            try {
                outcome->value.emplace(work());
            } catch (const WorkCancelled&) {
                throw;  // no longer wanted: nothing to bring back
            } catch (...) {
                outcome->failure = std::current_exception();
            }
            returnTo(
                home.data(), std::move(accept),
                [arrive = std::move(arrive), outcome]() mutable { arrive(std::move(*outcome)); });
        },
        priority, std::move(wanted));
}

}  // namespace zarovia
