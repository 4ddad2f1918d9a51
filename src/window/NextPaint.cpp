#include "window/NextPaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace zarovia::window {

namespace {

// Watches the application's events until a widget of the window is painted, then posts the work
// behind the paint (and the frame it ends in) and goes.
class NextPaintWatch : public QObject {
public:
    NextPaintWatch(QWidget* window, std::function<void()> work)
        : QObject(window), window_(window), work_(std::move(work)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            QCoreApplication::instance()->removeEventFilter(this);
            QMetaObject::invokeMethod(
                window_,
                [work = std::move(work_), window = QPointer<QWidget>(window_)] {
                    if (window) work();
                },
                Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    std::function<void()> work_;
};

}  // namespace

void afterNextPaint(QWidget* window, std::function<void()> work) {
    new NextPaintWatch(window, std::move(work));
}

}  // namespace zarovia::window
