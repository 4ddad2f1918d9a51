#pragma once

#include "picture/metafile/Canvas.h"

#include <vector>

namespace zarovia::picture::metafile::test {

// The drawing interface's fake: keeps every step it is given.
class RecordingCanvas final : public Canvas {
public:
    void clip(const ClipStep& s) override { steps.emplace_back(s); }
    void shape(const ShapeStep& s) override { steps.emplace_back(s); }
    void text(const TextStep& s) override { steps.emplace_back(s); }
    void image(const ImageStep& s) override { steps.emplace_back(s); }

    template <typename T>
    std::vector<T> all() const {
        std::vector<T> out;
        for (const Step& s : steps)
            if (const T* t = std::get_if<T>(&s)) out.push_back(*t);
        return out;
    }

    std::vector<Step> steps;
};

}  // namespace zarovia::picture::metafile::test
