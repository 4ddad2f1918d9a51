// The program's way out with a worker stuck in a job that passes no checkpoint: prints
// "closing", then ends as main() does. Exit code 7 when the process was ended for the stuck
// worker; anything else means the way out returned or waited for it.
#include "platform/ProcessEnd.h"
#include "platform/WorkerPool.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

int main() {
    using namespace std::chrono_literals;
    zarovia::WorkerPool workers;
    std::atomic<bool> started{false};
    workers.run(
        [&started] {
            started = true;
            std::this_thread::sleep_for(60s);
        },
        zarovia::WorkerPool::Priority::Shown);
    while (!started) std::this_thread::sleep_for(1ms);
    std::puts("closing");
    zarovia::endProcessBy(std::chrono::steady_clock::now() + 900ms, 7);
    zarovia::stopWorkersOrEnd(workers, 300ms, 7);
    return 3;
}
