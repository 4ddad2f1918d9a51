#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/EmfPlusRecords.h"
#include "picture/metafile/Gdi.h"

#include <algorithm>

namespace zarovia::picture::metafile::plus {

bool drawsSomething(ByteReader r) {
    while (r.canRead(kRecordHeaderBytes)) {
        const std::uint16_t type = r.u16();
        r.skip(2);
        const std::uint32_t size = r.u32();
        r.skip(4);
        if (size < kRecordHeaderBytes || size - kRecordHeaderBytes > r.remaining()) return false;
        if ((type >= Clear && type <= DrawString) || type == DrawDriverString) return true;
        r.skip(size - kRecordHeaderBytes);
    }
    return false;
}

Player::Player(Gdi& gdi, const QRectF& deviceFrame, bool dualByPlus)
    : gdi_(gdi), budget_(gdi.budget()), deviceFrame_(deviceFrame), dualByPlus_(dualByPlus) {}

Player::~Player() {
    dropPending();
}

QTransform Player::toDevice() const {
    const std::uint32_t unit = state_.pageUnit == UnitWorld ? UnitPixel : state_.pageUnit;
    const double sx = pixelsPerUnit(unit, dpiX_) * state_.pageScale;
    const double sy = pixelsPerUnit(unit, dpiY_) * state_.pageScale;
    return state_.world * QTransform::fromScale(sx, sy);
}

const Brush* Player::brushOf(std::uint16_t flags, std::uint32_t field, Brush& scratch) const {
    if (flags & kSolidColour) {
        scratch.brush = QBrush(argb(field));
        scratch.hatchBackground.reset();
        return &scratch;
    }
    return objectAt<Brush>(field);
}

void Player::play(ByteReader r) {
    while (r.canRead(kRecordHeaderBytes) && !ended_) {
        const std::uint16_t type = r.u16();
        const std::uint16_t flags = r.u16();
        const std::uint32_t size = r.u32();
        if (gdi_.outOfTime(size)) return;
        const std::uint32_t dataSize = r.u32();
        if (size < kRecordHeaderBytes || size - kRecordHeaderBytes > r.remaining()) return;
        ByteReader body = r.split(size - kRecordHeaderBytes);
        ByteReader data = body.sub(0, std::min<std::size_t>(dataSize, body.size()));
        // Any EMF+ record takes drawing back from the EMF records a GetDC handed it to.
        handedOver_ = false;
        if (type == Header) {
            if (header_ || !data.canRead(16)) continue;
            header_ = true;
            dual_ = (flags & kDualHeader) != 0;
            data.skip(8);  // version, flags
            const double dx = data.u32();
            const double dy = data.u32();
            if (dx >= 1 && dx <= 10000) dpiX_ = dx;
            if (dy >= 1 && dy <= 10000) dpiY_ = dy;
            continue;
        }
        // Records before the header are not played, nor those of a dual file that draws
        // with its EMF records alone.
        if (!playing()) continue;
        try {
            record(type, flags, data);
        } catch (const ByteReaderOverrun&) {
            // A record shorter than its fields is passed over.
        }
    }
}

void Player::record(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    switch (type) {
        case EndOfFile:
            ended_ = true;
            break;
        case GetDC:
            handedOver_ = true;
            break;
        case ObjectRecord:
            object(flags, r);
            break;
        case Clear:
            clear(r);
            break;
        case FillRects:
        case FillPolygon:
        case FillEllipse:
        case FillPie:
        case FillPath:
        case FillClosedCurve:
        case FillRegion:
            fillShapes(type, flags, r);
            break;
        case DrawRects:
        case DrawLines:
        case DrawEllipse:
        case DrawPie:
        case DrawArc:
        case DrawPath:
        case DrawClosedCurve:
        case DrawCurve:
        case DrawBeziers:
            drawShapes(type, flags, r);
            break;
        case DrawImage:
        case DrawImagePoints:
            drawImage(type, flags, r);
            break;
        case DrawString:
            drawString(flags, r);
            break;
        case DrawDriverString:
            drawDriverString(flags, r);
            break;
        case SetInterpolationMode:
        case SetCompositingMode:
        case Save:
        case Restore:
        case BeginContainer:
        case BeginContainerNoParams:
        case EndContainer:
            stateRecord(type, flags, r);
            break;
        case SetWorldTransform:
        case ResetWorldTransform:
        case MultiplyWorldTransform:
        case TranslateWorldTransform:
        case ScaleWorldTransform:
        case RotateWorldTransform:
        case SetPageTransform:
            transformRecord(type, flags, r);
            break;
        case ResetClip:
        case SetClipRect:
        case SetClipPath:
        case SetClipRegion:
        case OffsetClip:
            clipRecord(type, flags, r);
            break;
        default:
            break;  // records that change nothing drawn here
    }
}

}  // namespace zarovia::picture::metafile::plus
