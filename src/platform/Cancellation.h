#pragma once

#include <functional>

// Work on a worker thread asks at its checkpoints whether its result is still wanted, so that a
// load, decode, parse or rasterisation for a file the user has left stops soon instead of
// running to its end. The question is carried by the thread, not by every call on the way, so
// decoders and players only call checkpoint() in their loops.
namespace zarovia {

// Thrown by checkpoint() when the job running on this thread is no longer wanted. The code that
// set up the job's scope catches it and drops the job; it never reaches the error box and is
// deliberately not a std::exception, so handlers that keep drawing after a failed step do not
// swallow it.
struct WorkCancelled {};

// While it lives, checkpoint() on this thread asks `stillWanted` (nested scopes: the inner one
// decides; a scope with an empty function is always wanted). Not copyable; lives on the stack
// of the thread that runs the job.
class CancellationScope {
public:
    explicit CancellationScope(std::function<bool()> stillWanted);
    ~CancellationScope();
    CancellationScope(const CancellationScope&) = delete;
    CancellationScope& operator=(const CancellationScope&) = delete;

    bool cancelled() const;

private:
    std::function<bool()> stillWanted_;
    const CancellationScope* outer_;
};

// True inside a scope when the process is quitting or the job is no longer wanted; always false
// outside any scope (the window's thread, which must never unwind through the event loop).
bool cancellationRequested();
// Throws WorkCancelled when cancellationRequested().
void checkpoint();
// The question this thread's scope asks (true while its job is wanted), for a helper thread
// that does part of the job and is waited for before the scope ends: the helper opens a scope
// of its own with it. Always true outside any scope.
std::function<bool()> stillWantedHere();
// From now on every checkpoint inside a scope, on every thread, cancels its job: the program is
// quitting.
void requestShutdown();
bool shutdownRequested();

}  // namespace zarovia
