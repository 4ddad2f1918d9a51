#pragma once

#include <chrono>

namespace zarovia {

class WorkerPool;

// Quitting never waits on a worker. The program only reads files: ending the process without
// running destructors loses nothing (no file is half written, no setting left unsaved), while
// waiting could take as long as a read from a dead network share or one long library call that
// has no checkpoint.

// Flushes the standard streams and ends the process with `code` at once, running no destructors
// and no exit handlers (they would wait for the workers, or run while a worker still uses what
// they destroy).
[[noreturn]] void endProcessNow(int code);

// From now on the process ends with `code` at `deadline` at the latest: a watchdog thread ends
// it then if the way out (the media engine's teardown, the application's destructors) is still
// under way.
void endProcessBy(std::chrono::steady_clock::time_point deadline, int code);

// The way out once the event loop is over: every job is asked to stop (requestShutdown), the
// workers get `wait` to reach a checkpoint, and the process ends at once if one is still busy.
// Returns when they are idle, and the program then ends normally.
void stopWorkersOrEnd(WorkerPool& workers, std::chrono::milliseconds wait, int code);

// From the window's close to the end of the process, at the latest.
inline constexpr std::chrono::milliseconds kQuitDeadline{900};
// How long the way out waits for the workers to reach a checkpoint.
inline constexpr std::chrono::milliseconds kQuitWorkerWait{300};

// Runs the application's event loop and returns its exit code; quitting ends the process
// within kQuitDeadline whatever `workers` hold: as the application begins to quit every job is
// asked to stop and the deadline is set, then stopWorkersOrEnd with kQuitWorkerWait.
int runEventLoopAndQuit(WorkerPool& workers);

}  // namespace zarovia
