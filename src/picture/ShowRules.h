#pragma once

namespace zarovia::picture {

// Brings a picture index back into a list of `count` entries: past the end goes to the first,
// before the start to the last. On an empty list the index becomes 0 from above and stays
// -1 from below, as there is nothing to point at.
int wrapIndex(int index, int count);

// The steps through the picture list asked for while the list is still being made (Next,
// Back, a click, Start): none is lost, and all are carried out at once when the list arrives.
class QueuedSteps {
public:
    // One step of +1 (forward) or -1 (back).
    void step(int delta);
    // A show of the picture at the index as it is (Start).
    void showAgain() { showWanted_ = true; }
    // Nothing asked for.
    bool empty() const { return !showWanted_ && steps_ == 0; }
    // The index the steps lead to from `index` in a list of `count` entries, the same as taking
    // them one after another, each followed by wrapIndex.
    int indexAfter(int index, int count) const;

private:
    bool showWanted_ = false;
    long long steps_ = 0;
    int first_ = 0;
    int last_ = 0;
    long long net_ = 0;
};

}  // namespace zarovia::picture
