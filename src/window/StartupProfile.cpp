#include "window/StartupProfile.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace zarovia::window::startup {

namespace {

struct Origin {
    bool enabled = false;
    long long originNs = 0;  // wall clock, ns since the epoch
};

long long wallNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

const Origin& origin() {
    static const Origin value = [] {
        Origin o;
        const char* env = std::getenv("ZAROVIA_STARTUP_PROFILE");
        if (!env || !*env) return o;
        o.enabled = true;
        char* end = nullptr;
        const long long given = std::strtoll(env, &end, 10);
        // Anything but a plausible time stamp counts from the first mark.
        o.originNs =
            (end && *end == '\0' && given > 1'000'000'000'000'000'000LL) ? given : wallNs();
        return o;
    }();
    return value;
}

// Value in kB of one "Key:" line of /proc/self/status, or -1.
long statusKb(const QByteArray& status, const char* key) {
    const int at = status.indexOf(key);
    if (at < 0) return -1;
    return std::strtol(status.constData() + at + static_cast<int>(qstrlen(key)), nullptr, 10);
}

class FirstPaintWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!exposed_ && event->type() == QEvent::Expose) {
            exposed_ = true;
            mark("first expose");
        } else if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            painted_ = true;
            mark("first paint");
        }
        if (exposed_ && painted_) deleteLater();
        return false;
    }

private:
    bool exposed_ = false;
    bool painted_ = false;
};

}  // namespace

bool profiling() {
    return origin().enabled;
}

void mark(const char* phase) {
    if (!profiling()) return;
    const double ms = static_cast<double>(wallNs() - origin().originNs) / 1e6;
    QFile file(QStringLiteral("/proc/self/status"));
    QByteArray status;
    if (file.open(QIODevice::ReadOnly)) status = file.readAll();
    const auto mib = [&status](const char* key) { return statusKb(status, key) / 1024.0; };
    std::fprintf(stderr,
                 "startup %8.1f ms  rss %5.1f  peak %5.1f  anon %5.1f  file %5.1f MiB  %s\n", ms,
                 mib("VmRSS:"), mib("VmHWM:"), mib("RssAnon:"), mib("RssFile:"), phase);
}

void watchFirstPaint(QObject* application) {
    if (!profiling() || !application) return;
    application->installEventFilter(new FirstPaintWatcher(application));
}

}  // namespace zarovia::window::startup
