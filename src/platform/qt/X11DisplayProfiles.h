#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

namespace zarovia::platform {

// The ICC profiles X11 publishes for the screens (the _ICC_PROFILE property of the root window
// for the first screen, _ICC_PROFILE_n for screen n, as the freedesktop ICC-in-X convention
// says), read on a thread of its own over a connection of its own: once at start and again
// whenever one of those properties changes or goes. The window's thread never waits for the
// X server here.
class X11DisplayProfiles {
public:
    // The profiles by screen index (empty bytes: that screen has none). Called on the
    // watcher's thread, never after the watcher is gone.
    using Listener = std::function<void(const std::vector<QByteArray>& byScreen)>;

    // Starts watching the X server of `display` (null: $DISPLAY). When it cannot be reached,
    // the listener hears once that there are no profiles.
    explicit X11DisplayProfiles(Listener listener, const char* display = nullptr);
    // Stops the thread without waiting for the X server.
    ~X11DisplayProfiles();
    X11DisplayProfiles(const X11DisplayProfiles&) = delete;
    X11DisplayProfiles& operator=(const X11DisplayProfiles&) = delete;

    // Screens whose profile is looked for: _ICC_PROFILE and _ICC_PROFILE_1 to _7.
    static constexpr int kScreens = 8;
    // A larger property is taken as no profile (see colour::kMaxIccProfileBytes).
    static constexpr unsigned kMaxProfileBytes = 16u << 20;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace zarovia::platform
