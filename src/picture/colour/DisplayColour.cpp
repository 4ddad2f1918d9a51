#include "picture/colour/DisplayColour.h"

#include <mutex>

namespace zarovia::picture::colour {

namespace {

struct Holder {
    std::mutex mutex;
    DisplayColour current;
};

Holder& holder() {
    static Holder instance;
    return instance;
}

}  // namespace

DisplayColour displayColour() {
    Holder& h = holder();
    const std::lock_guard lock(h.mutex);
    return h.current;
}

bool setDisplayProfile(const ColourProfile& profile) {
    Holder& h = holder();
    const std::lock_guard lock(h.mutex);
    if (h.current.profile == profile) return false;
    h.current.profile = profile;
    ++h.current.serial;
    return true;
}

}  // namespace zarovia::picture::colour
