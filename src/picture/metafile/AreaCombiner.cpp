#include "picture/metafile/AreaCombiner.h"

#include "platform/Cancellation.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace zarovia::picture::metafile {

namespace {

// Measured on the 2-core development machine (bench/README.md): a union of two outlines of n
// edges in all with k proper crossings takes up to about 400 n log2 n + 400 k^1.5 ns; edges
// that only touch at their ends (neighbouring edges, the rectangles of a region) cost little.
constexpr double kPerEdgeLog = 400;
constexpr double kPerCrossing = 400;
// Intersecting with a rectangle: linear.
constexpr double kPerEdgeRect = 100;
// Counting the crossings: flattening and sorting the edges, then each pair the sweep looks at.
constexpr double kCountPerEdge = 100;
constexpr double kCountPerPair = 3;
// Counting stops after this many edge pairs (some 20 ms): outlines that need more are beyond
// any budget.
constexpr std::int64_t kMaxPairChecks = 4'000'000;
constexpr std::size_t kMaxEdges = 200'000;
constexpr double kInfinite = std::numeric_limits<double>::infinity();

struct Edge {
    QPointF a;
    QPointF b;
    double top;
    double bottom;
    double left;
    double right;
};

// False when a point is not finite (nothing can be said of such an outline's cost).
bool appendEdges(const QPainterPath& path, std::vector<Edge>& out) {
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        const qsizetype n = polygon.size();
        for (qsizetype i = 0; i < n && out.size() <= kMaxEdges; ++i) {
            const QPointF a = polygon[i];
            const QPointF b = polygon[(i + 1) % n];
            if (!std::isfinite(a.x()) || !std::isfinite(a.y())) return false;
            if (a == b) continue;
            out.push_back(Edge{a, b, std::min(a.y(), b.y()), std::max(a.y(), b.y()),
                               std::min(a.x(), b.x()), std::max(a.x(), b.x())});
        }
    }
    return true;
}

int side(QPointF a, QPointF b, QPointF c) {
    const double v = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
    return (v > 0) - (v < 0);
}

// Crosses away from both edges' ends.
bool properlyCross(const Edge& e, const Edge& f) {
    return side(e.a, e.b, f.a) * side(e.a, e.b, f.b) < 0 &&
           side(f.a, f.b, e.a) * side(f.a, f.b, e.b) < 0;
}

// Proper crossings among the edges, found by a sweep down the picture; -1 when the sweep would
// check more than `maxChecks` pairs. `checks` receives the pairs looked at.
std::int64_t crossings(std::vector<Edge>& edges, std::int64_t maxChecks, std::int64_t& checks) {
    std::sort(edges.begin(), edges.end(),
              [](const Edge& e, const Edge& f) { return e.top < f.top; });
    std::vector<const Edge*> active;
    checks = 0;
    std::int64_t found = 0;
    for (const Edge& e : edges) {
        const auto ended = std::remove_if(active.begin(), active.end(),
                                          [&](const Edge* f) { return f->bottom < e.top; });
        checks += static_cast<std::int64_t>(active.size());
        active.erase(ended, active.end());
        for (const Edge* f : active) {
            if (f->right < e.left || e.right < f->left) continue;
            if (properlyCross(e, *f)) ++found;
        }
        checks += static_cast<std::int64_t>(active.size());
        if (checks > maxChecks) return -1;
        active.push_back(&e);
    }
    return found;
}

QRectF bounds(const QPainterPath& path) {
    return path.isEmpty() ? QRectF() : path.controlPointRect();
}

}  // namespace

bool isRectangle(const QPainterPath& path) {
    if (path.elementCount() != 5) return false;
    const QPainterPath::Element first = path.elementAt(0);
    if (!first.isMoveTo()) return false;
    for (int i = 1; i < 5; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPainterPath::Element previous = path.elementAt(i - 1);
        if (!e.isLineTo() || (e.x != previous.x && e.y != previous.y)) return false;
    }
    const QPainterPath::Element last = path.elementAt(4);
    return last.x == first.x && last.y == first.y;
}

BooleanEstimate estimateBoolean(const QPainterPath& a, const QPainterPath& b,
                                double maxCountingNanoseconds) {
    BooleanEstimate estimate;
    const double elements = a.elementCount() + b.elementCount();
    estimate.counting = kCountPerEdge * elements;
    if (!(estimate.counting <= maxCountingNanoseconds) || elements > double(kMaxEdges)) {
        estimate.operation = kInfinite;
        return estimate;
    }
    std::vector<Edge> edges;
    if (!appendEdges(a, edges) || !appendEdges(b, edges)) {
        estimate.operation = kInfinite;
        return estimate;
    }
    const auto n = static_cast<double>(edges.size());
    estimate.counting = kCountPerEdge * std::max(n, elements);
    const auto maxChecks = static_cast<std::int64_t>(
        std::min(double(kMaxPairChecks),
                 std::max(0.0, (maxCountingNanoseconds - estimate.counting) / kCountPerPair)));
    std::int64_t checks = 0;
    const std::int64_t k = edges.size() > kMaxEdges ? -1 : crossings(edges, maxChecks, checks);
    estimate.counting += kCountPerPair * static_cast<double>(checks);
    estimate.operation = k < 0 ? kInfinite
                               : kPerEdgeLog * n * std::log2(n + 2) +
                                     kPerCrossing * std::pow(static_cast<double>(k), 1.5);
    return estimate;
}

AreaCombiner::AreaCombiner(double budgetNanoseconds, double shareNanoseconds)
    : budget_(budgetNanoseconds), share_(shareNanoseconds) {}

QPainterPath AreaCombiner::combine(const QPainterPath& current, const QPainterPath& other,
                                   int mode) {
    if (mode == RGN_COPY) return other;
    checkpoint();
    // An intersection with a rectangle is linear; anything else is estimated first (XOR is
    // three operations, the last on their results).
    double cost = 0;
    if (mode == RGN_AND && (isRectangle(current) || isRectangle(other))) {
        cost = kPerEdgeRect * (current.elementCount() + other.elementCount());
    } else {
        const BooleanEstimate estimate = estimateBoolean(current, other, budget_ - spent_);
        spent_ += estimate.counting;
        cost = estimate.operation * (mode == RGN_XOR ? 4 : 1);
    }
    if (!(cost <= std::min(share_, budget_ - spent_))) {
        ++approximated_;
        const QRectF a = bounds(current);
        const QRectF b = bounds(other);
        const QRectF r = mode == RGN_AND          ? a.intersected(b)
                         : mode == RGN_DIFF       ? a
                         : mode == RGN_COMPLEMENT ? b
                                                  : a.united(b);
        QPainterPath out;
        if (!r.isEmpty()) out.addRect(r);
        return out;
    }
    spent_ += cost;
    switch (mode) {
        case RGN_AND:
            return current.intersected(other);
        case RGN_OR:
            return current.united(other);
        case RGN_XOR:
            return current.united(other).subtracted(current.intersected(other));
        case RGN_DIFF:
            return current.subtracted(other);
        case RGN_COMPLEMENT:
            return other.subtracted(current);
        default:
            return current;
    }
}

}  // namespace zarovia::picture::metafile
