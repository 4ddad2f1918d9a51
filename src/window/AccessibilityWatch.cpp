#include "window/AccessibilityWatch.h"

#include <QAccessible>

namespace zarovia::window {

class AccessibilityWatch::Observer : public QAccessible::ActivationObserver {
public:
    explicit Observer(std::function<void()> work) : work_(std::move(work)) {}
    void accessibilityActiveChanged(bool active) override {
        if (active) work_();
    }

private:
    std::function<void()> work_;
};

AccessibilityWatch::AccessibilityWatch(std::function<void()> work)
    : observer_(std::make_unique<Observer>(std::move(work))) {
    QAccessible::installActivationObserver(observer_.get());
}

AccessibilityWatch::~AccessibilityWatch() {
    QAccessible::removeActivationObserver(observer_.get());
}

}  // namespace zarovia::window
