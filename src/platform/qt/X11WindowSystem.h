#pragma once

#include "platform/WindowSystem.h"

#include <memory>

namespace zarovia {

// The window system of the running platform: X11 asked directly (the window manager's check
// window on the root, the window's _NET_WM_STATE); elsewhere a window manager is assumed unless
// the platform draws no windows (offscreen, minimal).
std::unique_ptr<WindowSystem> platformWindowSystem();

}  // namespace zarovia
