#include "ShowRules.h"

namespace zarovia::picture {

int wrapIndex(int index, int count) {
    if (index >= count) index = 0;
    if (index < 0) index = count - 1;
    return index;
}

void QueuedSteps::step(int delta) {
    delta = delta < 0 ? -1 : 1;
    if (steps_ == 0) first_ = delta;
    last_ = delta;
    net_ += delta;
    ++steps_;
}

int QueuedSteps::indexAfter(int index, int count) const {
    if (steps_ == 0) return index;
    // On an empty list a step ends on 0 or -1, whichever side of the list it falls: so the
    // last one decides, unless it is the only one and falls at or after 0 from further on.
    if (count <= 0) {
        const long long moved = static_cast<long long>(index) + first_;
        if (steps_ == 1) return moved >= 0 ? 0 : -1;
        return last_ > 0 ? 0 : -1;
    }
    // The first step brings the index into the list; from there the steps go round it.
    const long long n = count;
    const long long moved = static_cast<long long>(index) + first_;
    const long long first = moved >= n ? 0 : (moved < 0 ? n - 1 : moved);
    return static_cast<int>((((first + net_ - first_) % n) + n) % n);
}

}  // namespace zarovia::picture
