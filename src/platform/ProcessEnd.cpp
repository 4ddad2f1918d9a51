#include "platform/ProcessEnd.h"

#include "platform/Cancellation.h"
#include "platform/WorkerPool.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace zarovia {

void endProcessNow(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

void endProcessBy(std::chrono::steady_clock::time_point deadline, int code) {
    std::thread([deadline, code] {
        std::this_thread::sleep_until(deadline);
        endProcessNow(code);
    }).detach();
}

void stopWorkersOrEnd(WorkerPool& workers, std::chrono::milliseconds wait, int code) {
    requestShutdown();
    if (!workers.waitForIdle(static_cast<int>(wait.count()))) endProcessNow(code);
}

int runEventLoopAndQuit(WorkerPool& workers) {
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
        requestShutdown();
        endProcessBy(std::chrono::steady_clock::now() + kQuitDeadline, 0);
    });
    const int code = QCoreApplication::exec();
    stopWorkersOrEnd(workers, kQuitWorkerWait, code);
    return code;
}

}  // namespace zarovia
