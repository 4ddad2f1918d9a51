#pragma once

#include "picture/metafile/DrawingSteps.h"

#include <vector>

// The small drawing interface a parsed metafile is played on: a painter in the program, a
// recording fake in the tests.
namespace zarovia::picture::metafile {

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void clip(const ClipStep& step) = 0;
    virtual void shape(const ShapeStep& step) = 0;
    virtual void text(const TextStep& step) = 0;
    virtual void image(const ImageStep& step) = 0;
};

// Plays every step, in order, on the canvas.
void play(const std::vector<Step>& steps, Canvas& canvas);

}  // namespace zarovia::picture::metafile
