#pragma once

#include <thread>

namespace zarovia::window {

// The window definitions name Windows fonts; this maps each onto the Debian font of the same
// kind (proportional Gothic and Mincho, brush script, fixed pitch with Japanese).
void substitutePlatformFonts();

// Reads the system's font configuration (its files and font caches) on a thread of its own
// while the application starts, so that the first text the window lays out does not wait for
// it. `wait()` before the first window is made; the destructor waits too.
class FontConfigurationLoader {
public:
    FontConfigurationLoader();
    ~FontConfigurationLoader();
    FontConfigurationLoader(const FontConfigurationLoader&) = delete;
    FontConfigurationLoader& operator=(const FontConfigurationLoader&) = delete;

    void wait();

private:
    std::thread thread_;
};

}  // namespace zarovia::window
