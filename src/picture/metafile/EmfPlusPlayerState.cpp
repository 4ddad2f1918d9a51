#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/Gdi.h"

#include <cmath>

namespace zarovia::picture::metafile::plus {

namespace {

// Saved states and containers kept at once.
constexpr std::size_t kMaxSaved = 4096;
// Interpolation mode that keeps bitmap pixels square.
constexpr std::uint32_t kNearestNeighbour = 5;

// Combine modes of the clip records, as the GDI region modes.
int regionMode(std::uint16_t flags) {
    switch ((flags >> 8) & 0x0F) {
        case 1:
            return RGN_AND;
        case 2:
            return RGN_OR;
        case 3:
            return RGN_XOR;
        case 4:
            return RGN_DIFF;
        case 5:
            return RGN_COMPLEMENT;
        default:
            return RGN_COPY;
    }
}

}  // namespace

void Player::stateRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    switch (type) {
        case SetInterpolationMode:
            state_.nearest = (flags & 0xFF) == kNearestNeighbour;
            break;
        case SetCompositingMode:
            state_.mode = (flags & 0xFF) == 1 ? QPainter::CompositionMode_Source
                                              : QPainter::CompositionMode_SourceOver;
            break;
        case Save:
        case BeginContainerNoParams:
            save(r.u32());
            break;
        case Restore:
        case EndContainer:
            restore(r.u32());
            break;
        case BeginContainer: {
            const QRectF dest = rectF(r);
            const QRectF source = rectF(r);
            save(r.u32());
            if (source.width() == 0 || source.height() == 0) break;
            const QTransform fit = QTransform::fromTranslate(-source.x(), -source.y()) *
                                   QTransform::fromScale(dest.width() / source.width(),
                                                         dest.height() / source.height()) *
                                   QTransform::fromTranslate(dest.x(), dest.y());
            state_.world = fit * state_.world;
            break;
        }
        default:
            break;
    }
}

void Player::transformRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool append = (flags & kAppend) != 0;
    const auto combine = [&](const QTransform& m) {
        state_.world = append ? state_.world * m : m * state_.world;
    };
    switch (type) {
        case SetWorldTransform:
            if (const auto m = matrix(r)) state_.world = *m;
            break;
        case ResetWorldTransform:
            state_.world = QTransform();
            break;
        case MultiplyWorldTransform:
            if (const auto m = matrix(r)) combine(*m);
            break;
        case TranslateWorldTransform: {
            const double dx = static_cast<double>(r.f32());
            const double dy = static_cast<double>(r.f32());
            if (std::isfinite(dx) && std::isfinite(dy)) combine(QTransform::fromTranslate(dx, dy));
            break;
        }
        case ScaleWorldTransform: {
            const double sx = static_cast<double>(r.f32());
            const double sy = static_cast<double>(r.f32());
            if (std::isfinite(sx) && std::isfinite(sy)) combine(QTransform::fromScale(sx, sy));
            break;
        }
        case RotateWorldTransform: {
            const double angle = static_cast<double>(r.f32());
            if (std::isfinite(angle)) combine(QTransform().rotate(angle));
            break;
        }
        case SetPageTransform: {
            const double scale = static_cast<double>(r.f32());
            state_.pageUnit = flags & 0xFF;
            if (std::isfinite(scale) && scale > 0 && scale < 1e6) state_.pageScale = scale;
            break;
        }
        default:
            break;
    }
    if (!state_.world.isInvertible() || std::abs(state_.world.m11()) > 1e9 ||
        std::abs(state_.world.dx()) > 1e9)
        state_.world = QTransform();
}

void Player::clipRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const QTransform t = toDevice();
    QPainterPath area;
    switch (type) {
        case ResetClip:
            gdi_.selectClipRegion(std::nullopt, RGN_COPY);
            return;
        case OffsetClip: {
            const double dx = static_cast<double>(r.f32());
            const double dy = static_cast<double>(r.f32());
            gdi_.translateClip(t.map(QPointF(dx, dy)) - t.map(QPointF(0, 0)));
            return;
        }
        case SetClipRect:
            area.addRect(rectF(r).normalized());
            break;
        case SetClipPath: {
            const Path* p = objectAt<Path>(flags & 0xFF);
            if (!p) return;
            area = p->path;
            break;
        }
        case SetClipRegion: {
            const Region* g = objectAt<Region>(flags & 0xFF);
            if (!g) return;
            if (g->infinite) {
                if (regionMode(flags) == RGN_COPY) gdi_.selectClipRegion(std::nullopt, RGN_COPY);
                return;
            }
            area = g->area;
            break;
        }
        default:
            return;
    }
    gdi_.selectClipRegion(t.map(area), regionMode(flags));
}

void Player::save(std::uint32_t index) {
    if (saved_.size() >= kMaxSaved) return;
    state_.clip = gdi_.clipState();
    saved_.emplace_back(index, state_);
}

void Player::restore(std::uint32_t index) {
    for (std::size_t i = saved_.size(); i-- > 0;) {
        if (saved_[i].first != index) continue;
        state_ = saved_[i].second;
        saved_.erase(saved_.begin() + static_cast<std::ptrdiff_t>(i), saved_.end());
        gdi_.setClipState(state_.clip);
        return;
    }
}

}  // namespace zarovia::picture::metafile::plus
