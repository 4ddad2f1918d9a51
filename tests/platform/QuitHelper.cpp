// The program's way out with a worker stuck in a job that passes no checkpoint: runs the event
// loop as the program does (runEventLoopAndQuit), prints "closing" and quits it. Exit code 7
// when the process was ended for the stuck worker; 3 means the way out returned.
#include "platform/ProcessEnd.h"
#include "platform/WorkerPool.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    QCoreApplication app(argc, argv);
    zarovia::WorkerPool workers;
    std::atomic<bool> started{false};
    workers.run(
        [&started] {
            started = true;
            std::this_thread::sleep_for(60s);
        },
        zarovia::WorkerPool::Priority::Shown);
    while (!started) std::this_thread::sleep_for(1ms);
    QTimer::singleShot(0, [] {
        std::puts("closing");
        std::fflush(stdout);
        QCoreApplication::exit(7);
    });
    zarovia::runEventLoopAndQuit(workers);
    return 3;
}
