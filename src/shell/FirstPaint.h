#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace zarovia::shell {

// Runs `work` once, after the first paint of `window` (of any widget in it) has been handled,
// so that what the first frame shows is on the screen before `work` begins. Does nothing if the
// window goes before it is painted.
void afterFirstPaint(QWidget* window, std::function<void()> work);

}  // namespace zarovia::shell

namespace zarovia::shell {

// Runs `work` each time an assistive tool starts reading the application (accessibility becomes
// active), for as long as the watch lives.
class AccessibilityWatch {
public:
    explicit AccessibilityWatch(std::function<void()> work);
    ~AccessibilityWatch();
    AccessibilityWatch(const AccessibilityWatch&) = delete;
    AccessibilityWatch& operator=(const AccessibilityWatch&) = delete;

private:
    class Observer;
    std::unique_ptr<Observer> observer_;
};

}  // namespace zarovia::shell
