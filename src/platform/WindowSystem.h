#pragma once

#include <optional>

class QWidget;

namespace zarovia {

// What the window system says about the main window, beyond what Qt reports: whether a window
// manager runs (it answers full-screen requests and draws frames, some time after being asked),
// and the full-screen state it has actually set on the window.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual bool hasWindowManager() const = 0;
    // Nothing when the window system cannot tell.
    virtual std::optional<bool> managerFullScreen(const QWidget& window) const = 0;
};

}  // namespace zarovia
