#include "platform/WorkerReturn.h"

namespace zarovia {

void returnTo(QObject* home, std::function<bool()> accept, std::function<void()> step) {
    if (!home) return;
    // `home` is the context: a step still queued when it is deleted is dropped with it.
    QMetaObject::invokeMethod(
        home,
        [accept = std::move(accept), step = std::move(step)] {
            if (accept && !accept()) return;
            step();
        },
        Qt::QueuedConnection);
}

}  // namespace zarovia
