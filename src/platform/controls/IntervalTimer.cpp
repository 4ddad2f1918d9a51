#include "IntervalTimer.h"

namespace zarovia::controls {

IntervalTimer::IntervalTimer(int intervalMs, QObject* parent, bool manual)
    : QObject(parent), interval_(intervalMs), manual_(manual) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::tick);
}

void IntervalTimer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    restart();
}

void IntervalTimer::setInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    restart();
}

void IntervalTimer::restart() {
    timer_.stop();
    if (!enabled_ || interval_ <= 0) return;
    ++restarts_;
    if (!manual_) timer_.start(interval_);
}

void IntervalTimer::fire() {
    if (enabled_ && interval_ > 0) emit tick();
}

}  // namespace zarovia::controls
