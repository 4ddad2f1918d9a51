#include "ShowRules.h"

namespace zarovia::picture {

int wrapIndex(int index, int count) {
    if (index >= count) index = 0;
    if (index < 0) index = count - 1;
    return index;
}

}  // namespace zarovia::picture
