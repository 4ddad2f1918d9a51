#pragma once

namespace zarovia::picture {

// Brings a picture index back into a list of `count` entries: past the end goes to the first,
// before the start to the last. On an empty list the index becomes 0 from above and stays
// -1 from below, as there is nothing to point at.
int wrapIndex(int index, int count);

}  // namespace zarovia::picture
