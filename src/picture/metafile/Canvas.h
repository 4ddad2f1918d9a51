#pragma once

#include "picture/metafile/DrawingSteps.h"

#include <cstddef>

// The small drawing interface a parsed metafile is played on: a painter in the program, a
// recording fake in the tests. The views point into the display list and live for the call.
namespace zarovia::picture::metafile {

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void clip(const ClipView& clip) = 0;
    virtual void shape(const ShapeView& shape) = 0;
    // `index` numbers the texts of the list, for caches of their glyphs.
    virtual void text(const TextItem& text, std::size_t index) = 0;
    virtual void image(const ImageItem& image) = 0;
};

}  // namespace zarovia::picture::metafile
