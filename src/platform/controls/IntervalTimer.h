#pragma once

#include <QObject>
#include <QTimer>

namespace zarovia::controls {

// A window timer: enabled or not, with an interval in milliseconds. Setting the interval it
// already has changes nothing (the ticks keep their rhythm); another value restarts it. An
// interval of 0 never ticks. In manual mode no clock runs: tests call fire().
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(int intervalMs, QObject* parent = nullptr, bool manual = false);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);
    int interval() const { return interval_; }
    void setInterval(int ms);
    // Manual mode: delivers one tick now when enabled.
    void fire();
    // How often the underlying clock was (re)started; lets tests see that the rhythm held.
    int restarts() const { return restarts_; }

signals:
    void tick();

private:
    void restart();

    QTimer timer_;
    bool enabled_ = false;
    int interval_;
    bool manual_;
    int restarts_ = 0;
};

}  // namespace zarovia::controls
