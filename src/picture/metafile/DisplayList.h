#pragma once

#include "picture/MemoryBudget.h"
#include "picture/metafile/DrawingSteps.h"

#include <QPainterPath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace zarovia::picture::metafile {

class Canvas;

// The parsed form of a metafile: a list of small fixed-size steps over shared pools of
// points, styles, clips, texts and images. A line costs its points and a sixteen-byte step,
// not an outline object of its own; consecutive lines of one style share a step. Every byte
// the list holds is counted against one budget account, and the builder refuses what would
// pass it, so a hostile file is played as far as its budget went. The parser counts its
// passing work (copies of bitmaps, combined areas) in the same account while it lasts.
class DisplayList {
public:
    explicit DisplayList(std::int64_t budgetBytes);

    // ---- building ----

    // Takes `bytes` from the budget; false (nothing taken) when they do not fit.
    bool reserve(std::int64_t bytes);
    // Gives back bytes taken for passing work.
    void release(std::int64_t bytes);
    // Adds the estimated drawing time of a step; false once the total passes the cap.
    bool spend(double nanoseconds);

    // The index of a style, shared with an earlier equal one; none when over budget.
    std::optional<std::uint32_t> style(const Style& style);

    // A shape of its own. Lines need an even number of points; Rect and Ellipse take two.
    bool addShape(ShapeKind kind, std::uint32_t style, std::span<const QPointF> points,
                  Qt::FillRule fillRule = Qt::OddEvenFill);
    // Any outline, as a Path step.
    bool addPath(std::uint32_t style, const QPainterPath& path);
    // A stroke that starts at points[0]: it continues the previous step's line when that
    // ends there in the same style and joining cannot show, and a lone segment joins the
    // previous segments of its style, so runs of LineTo records become one step; with
    // `mayExtend` false it starts a step of its own.
    bool addConnected(std::uint32_t style, std::span<const QPointF> points, bool mayExtend = true);
    // True when lines of this style may be drawn in pieces: their joins look like their ends.
    bool joins(std::uint32_t style) const {
        return style < joinableStyles_.size() && joinableStyles_[style] == 2;
    }
    // True when addConnected would add these points to the last step rather than start one.
    bool extendsLast(std::uint32_t style, std::span<const QPointF> points) const;

    // Stores a clip region and returns its index, for selectClip.
    std::optional<std::uint32_t> storeClipRect(const QRectF& rect);
    std::optional<std::uint32_t> storeClipArea(const QPainterPath& area);
    std::optional<std::uint32_t> storeNoClip();
    // Makes a stored clip current from here on; a change right after another replaces it.
    bool selectClip(std::uint32_t clip);

    bool addText(TextItem item, std::int64_t drawCacheBytes);
    // The image's pixels must have been reserved already (they are counted at decoding).
    bool addImage(ImageItem item);

    // Gives back the pools' spare capacity once the file is read.
    void finish();

    // ---- reading ----

    void play(Canvas& canvas) const;
    std::size_t stepCount() const noexcept { return ops_.size(); }
    std::size_t pointCount() const noexcept { return points_.size(); }
    std::size_t styleCount() const noexcept { return styles_.size(); }
    std::size_t clipCount() const noexcept { return clips_.size(); }
    const std::vector<TextItem>& texts() const noexcept { return texts_; }
    // Bytes held (and reserved for drawing caches), as counted against the budget.
    std::int64_t bytes() const noexcept { return account_->used(); }
    std::int64_t budget() const noexcept { return account_->budget(); }
    // The most the account held at once, passing work included.
    std::int64_t peakBytes() const noexcept { return account_->peak(); }
    // The account itself, for what drawing the list takes for a while.
    BudgetAccount& account() const noexcept { return *account_; }
    double estimatedDrawNanoseconds() const noexcept { return cost_; }

    // Upper estimates of what the heap holds beyond an object's own size.
    static constexpr std::int64_t kStyleHeapBytes = 256;
    static constexpr std::int64_t kStringHeapBytes = 48;

private:
    enum class OpKind : std::uint8_t { Shape, Clip, Text, Image };
    struct Op {
        OpKind op = OpKind::Shape;
        ShapeKind shape = ShapeKind::Path;
        std::uint8_t fillRule = 0;
        std::uint32_t style = 0;
        std::uint32_t first = 0;  // point, clip, text or image index
        std::uint32_t count = 0;  // points
    };
    static_assert(sizeof(Op) == 16);
    struct ClipEntry {
        ClipView::Kind kind = ClipView::Kind::None;
        std::uint8_t fillRule = 0;
        QRectF rect;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    template <typename T>
    bool roomFor(std::vector<T>& pool, std::size_t more);
    bool pushOp(const Op& op);
    enum class Extension { None, Polyline, Lines };
    Extension extension(std::uint32_t style, std::span<const QPointF> points) const;
    bool appendPoints(std::span<const QPointF> points, std::uint8_t type);
    PathView pathAt(std::uint32_t first, std::uint32_t count, std::uint8_t fillRule) const;

    std::shared_ptr<BudgetAccount> account_;
    double cost_ = 0;
    std::vector<Op> ops_;
    std::vector<QPointF> points_;
    std::vector<std::uint8_t> types_;  // one per point
    std::vector<Style> styles_;
    std::vector<std::uint8_t> joinableStyles_;  // 2: lines join, 1: lines merge, 0: neither
    std::unordered_multimap<std::size_t, std::uint32_t> styleIndex_;
    std::vector<ClipEntry> clips_;
    std::unordered_multimap<std::size_t, std::uint32_t> rectClipIndex_;
    std::vector<TextItem> texts_;
    std::vector<ImageItem> images_;
};

}  // namespace zarovia::picture::metafile
