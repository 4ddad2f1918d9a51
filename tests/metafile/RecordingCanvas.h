#pragma once

#include "picture/metafile/Canvas.h"

#include <optional>
#include <variant>
#include <vector>

namespace zarovia::picture::metafile::test {

// What the recording fake keeps of each step: shapes and clips as outlines, texts and images
// as they are.
struct ShapeStep {
    ShapeKind kind = ShapeKind::Path;
    QPainterPath path;
    QPen pen;
    QBrush brush;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
};
struct ClipStep {
    std::optional<QPainterPath> clip;  // none: no clipping
};
using TextStep = TextItem;
using ImageStep = ImageItem;
using Step = std::variant<ClipStep, ShapeStep, TextStep, ImageStep>;

// The drawing interface's fake: keeps every step it is given.
class RecordingCanvas final : public Canvas {
public:
    void clip(const ClipView& c) override {
        ClipStep step;
        if (c.kind == ClipView::Kind::Rect) {
            QPainterPath p;
            p.addRect(c.rect);
            step.clip = p;
        } else if (c.kind == ClipView::Kind::Area) {
            step.clip = c.area.toPath();
        }
        steps.emplace_back(step);
    }
    void shape(const ShapeView& s) override {
        steps.emplace_back(
            ShapeStep{s.kind, s.toPath(), s.style->pen, s.style->brush, s.style->mode});
    }
    void text(const TextItem& t, std::size_t) override { steps.emplace_back(t); }
    void image(const ImageItem& i) override { steps.emplace_back(i); }

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
