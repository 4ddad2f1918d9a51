#pragma once

#include <functional>

class QWidget;

namespace zarovia::window {

// Runs `work` once, after the next paint of `window` (of any widget in it) has been handled, so
// that what that frame shows is on the screen before `work` begins. Does nothing if the window
// goes before it is painted.
void afterNextPaint(QWidget* window, std::function<void()> work);

}  // namespace zarovia::window
