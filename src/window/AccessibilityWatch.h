#pragma once

#include <functional>
#include <memory>

namespace zarovia::window {

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

}  // namespace zarovia::window
