#include "picture/metafile/EmfBitmapRecords.h"
#include "picture/metafile/EmfPlusPlayer.h"
#include "picture/metafile/EmfPlusRecords.h"
#include "picture/metafile/EmfRecords.h"
#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"
#include "picture/metafile/ObjectTable.h"
#include "picture/metafile/ParsedMetafile.h"
#include "picture/metafile/RecordDib.h"
#include "picture/metafile/TextDecoding.h"
#include "platform/Cancellation.h"

#include <cmath>

namespace zarovia::picture::metafile {

namespace {

using namespace emf;

bool drawingRecord(std::uint32_t type) {
    switch (type) {
        case EMR_POLYBEZIER:
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON:
        case EMR_SETPIXELV:
        case EMR_ANGLEARC:
        case EMR_ELLIPSE:
        case EMR_RECTANGLE:
        case EMR_ROUNDRECT:
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_LINETO:
        case EMR_ARCTO:
        case EMR_POLYDRAW:
        case EMR_FILLPATH:
        case EMR_STROKEANDFILLPATH:
        case EMR_STROKEPATH:
        case EMR_FILLRGN:
        case EMR_FRAMERGN:
        case EMR_INVERTRGN:
        case EMR_PAINTRGN:
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_MASKBLT:
        case EMR_PLGBLT:
        case EMR_SETDIBITSTODEVICE:
        case EMR_STRETCHDIBITS:
        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW:
        case EMR_POLYBEZIER16:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON16:
        case EMR_POLYDRAW16:
        case EMR_POLYTEXTOUTA:
        case EMR_POLYTEXTOUTW:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
        case EMR_GRADIENTFILL:
            return true;
        default:
            return false;
    }
}

// Looks through the records for EMF records that draw and EMF+ records (in comments) that do.
class DrawingScan final : public RecordVisitor {
public:
    bool visit(const Record& record) override {
        checkpoint();
        if (drawingRecord(record.type)) emfDraws = true;
        if (record.type == EMR_GDICOMMENT && !plusDraws) {
            try {
                ByteReader r = record.body;
                ByteReader data = r.split(r.u32());
                if (data.canRead(4) && data.u32() == plus::kCommentIdentifier)
                    plusDraws = plus::drawsSomething(data.split(data.remaining()));
            } catch (const ByteReaderOverrun&) {
            }
        }
        return !(emfDraws && plusDraws);
    }
    bool emfDraws = false;
    bool plusDraws = false;
};

class EmfPlayer final : public RecordVisitor {
public:
    EmfPlayer(Gdi& gdi, std::size_t objectCount, const QRectF& deviceFrame, bool plusDraws)
        : gdi_(gdi), objects_(objectCount), plus_(gdi, deviceFrame, plusDraws) {}

    bool visit(const Record& record) override {
        if (gdi_.outOfTime(record.body.size())) return false;
        // Where EMF+ records draw, the EMF records draw only where a GetDC hands drawing to them.
        if (record.type != EMR_GDICOMMENT && plus_.ownsDrawing()) return !gdi_.exhausted();
        ByteReader body = record.body;
        try {
            play(record.type, body);
        } catch (const ByteReaderOverrun&) {
            // A record shorter than its fields is passed over; the loop goes on after it.
        }
        return !gdi_.exhausted();
    }

private:
    const LogFont* font() const {
        return gdi_.dc().font ? std::get_if<LogFont>(gdi_.dc().font.get()) : nullptr;
    }

    void select(std::uint32_t index) {
        const ObjectRef object = (index & ENHMETA_STOCK_OBJECT)
                                     ? stockObject(index & ~ENHMETA_STOCK_OBJECT)
                                     : objects_.get(index);
        if (!object) return;
        DeviceContext& dc = gdi_.dc();
        if (std::holds_alternative<LogPen>(*object))
            dc.pen = object;
        else if (std::holds_alternative<LogBrush>(*object))
            dc.brush = object;
        else if (std::holds_alternative<LogFont>(*object))
            dc.font = object;
        else if (std::holds_alternative<LogPalette>(*object))
            dc.palette = object;
    }

    ObjectRef brushAt(std::uint32_t index) const {
        return (index & ENHMETA_STOCK_OBJECT) ? stockObject(index & ~ENHMETA_STOCK_OBJECT)
                                              : objects_.get(index);
    }

    void play(std::uint32_t type, ByteReader& r) {
        DeviceContext& dc = gdi_.dc();
        switch (type) {
            case EMR_POLYBEZIER:
            case EMR_POLYGON:
            case EMR_POLYLINE:
            case EMR_POLYBEZIERTO:
            case EMR_POLYLINETO:
            case EMR_POLYBEZIER16:
            case EMR_POLYGON16:
            case EMR_POLYLINE16:
            case EMR_POLYBEZIERTO16:
            case EMR_POLYLINETO16: {
                const bool small = type >= EMR_POLYBEZIER16;
                const std::uint32_t base = small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type;
                r.skip(16);
                const QPolygonF pts = readPoints(r, r.u32(), small);
                switch (base) {
                    case EMR_POLYBEZIER:
                        gdi_.polyBezier(pts);
                        break;
                    case EMR_POLYGON:
                        gdi_.polygon(pts);
                        break;
                    case EMR_POLYLINE:
                        gdi_.polyline(pts);
                        break;
                    case EMR_POLYBEZIERTO:
                        gdi_.polyBezierTo(pts);
                        break;
                    default:
                        gdi_.polylineTo(pts);
                        break;
                }
                break;
            }
            case EMR_POLYPOLYLINE:
                gdi_.polyPolyline(readPolyPoly(r, false));
                break;
            case EMR_POLYPOLYGON:
                gdi_.polyPolygon(readPolyPoly(r, false));
                break;
            case EMR_POLYPOLYLINE16:
                gdi_.polyPolyline(readPolyPoly(r, true));
                break;
            case EMR_POLYPOLYGON16:
                gdi_.polyPolygon(readPolyPoly(r, true));
                break;
            case EMR_POLYDRAW:
            case EMR_POLYDRAW16: {
                r.skip(16);
                const std::size_t n = r.u32();
                const QPolygonF pts = readPoints(r, n, type == EMR_POLYDRAW16);
                const unsigned char* t = r.take(n);
                gdi_.polyDraw(pts, std::vector<std::uint8_t>(t, t + n));
                break;
            }
            case EMR_SETWINDOWEXTEX:
            case EMR_SETVIEWPORTEXTEX: {
                const QPointF e = pointL(r);
                if (e.x() == 0 || e.y() == 0) break;
                Mapping& m = gdi_.editMapping();
                (type == EMR_SETWINDOWEXTEX ? m.windowExt : m.viewportExt) = QSizeF(e.x(), e.y());
                break;
            }
            case EMR_SETWINDOWORGEX:
                gdi_.editMapping().windowOrg = pointL(r);
                break;
            case EMR_SETVIEWPORTORGEX:
                gdi_.editMapping().viewportOrg = pointL(r);
                break;
            case EMR_SCALEVIEWPORTEXTEX:
            case EMR_SCALEWINDOWEXTEX: {
                const double xNum = r.i32();
                const double xDenom = r.i32();
                const double yNum = r.i32();
                const double yDenom = r.i32();
                if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0) break;
                Mapping& m = gdi_.editMapping();
                QSizeF& ext = type == EMR_SCALEWINDOWEXTEX ? m.windowExt : m.viewportExt;
                ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
                break;
            }
            case EMR_SETPIXELV: {
                const QPointF p = pointL(r);
                gdi_.setPixel(p, ColourRef{r.u32()});
                break;
            }
            case EMR_SETMAPMODE: {
                const std::uint32_t mode = r.u32();
                if (mode >= MM_TEXT && mode <= MM_ANISOTROPIC)
                    gdi_.editMapping().mapMode = static_cast<int>(mode);
                break;
            }
            case EMR_SETBKMODE: {
                const std::uint32_t mode = r.u32();
                if (mode == TRANSPARENT || mode == OPAQUE)
                    dc.backgroundMode = static_cast<int>(mode);
                break;
            }
            case EMR_SETPOLYFILLMODE:
                dc.polyFillMode = static_cast<int>(r.u32());
                break;
            case EMR_SETROP2:
                dc.rop2 = static_cast<int>(r.u32());
                break;
            case EMR_SETSTRETCHBLTMODE:
                dc.stretchMode = static_cast<int>(r.u32());
                break;
            case EMR_SETTEXTALIGN:
                dc.textAlign = r.u32();
                break;
            case EMR_SETTEXTCOLOR:
                dc.textColour.value = r.u32();
                break;
            case EMR_SETBKCOLOR:
                dc.backgroundColour.value = r.u32();
                break;
            case EMR_SETARCDIRECTION:
                dc.arcDirection = static_cast<int>(r.u32());
                break;
            case EMR_SETMITERLIMIT:
                dc.miterLimit = r.u32();
                break;
            case EMR_OFFSETCLIPRGN:
                gdi_.offsetClip(pointL(r));
                break;
            case EMR_MOVETOEX:
                gdi_.moveTo(pointL(r));
                break;
            case EMR_LINETO:
                gdi_.lineTo(pointL(r));
                break;
            case EMR_EXCLUDECLIPRECT:
                gdi_.excludeClipRect(rectL(r));
                break;
            case EMR_INTERSECTCLIPRECT:
                gdi_.intersectClipRect(rectL(r));
                break;
            case EMR_SAVEDC:
                gdi_.saveDc();
                break;
            case EMR_RESTOREDC:
                gdi_.restoreDc(r.i32());
                break;
            case EMR_SETWORLDTRANSFORM:
                if (auto t = readXform(r)) gdi_.editMapping().world = *t;
                break;
            case EMR_MODIFYWORLDTRANSFORM: {
                const std::optional<QTransform> t = readXform(r);
                const std::uint32_t mode = r.u32();
                Mapping& m = gdi_.editMapping();
                if (mode == MWT_IDENTITY)
                    m.world = QTransform();
                else if (!t)
                    break;
                else if (mode == MWT_LEFTMULTIPLY)
                    m.world = *t * m.world;
                else if (mode == MWT_RIGHTMULTIPLY)
                    m.world = m.world * *t;
                else if (mode == MWT_SET)
                    m.world = *t;
                break;
            }
            case EMR_SELECTOBJECT:
            case EMR_SELECTPALETTE:
                select(r.u32());
                break;
            case EMR_DELETEOBJECT:
                objects_.remove(r.u32());
                break;
            case EMR_CREATEPEN: {
                const std::uint32_t index = r.u32();
                LogPen pen;
                pen.style = r.u32();
                pen.width = r.i32();
                r.skip(4);
                pen.colour.value = r.u32();
                objects_.put(index, pen);
                break;
            }
            case EMR_EXTCREATEPEN: {
                const std::uint32_t index = r.u32();
                r.skip(16);  // the pattern bitmap of a brush-styled pen is not used
                LogPen pen;
                pen.style = r.u32();
                pen.width = r.u32();
                const std::uint32_t brushStyle = r.u32();
                pen.colour.value = r.u32();
                r.skip(4);  // hatch
                const std::size_t entries = r.u32();
                if ((pen.style & PS_STYLE_MASK) == PS_USERSTYLE) {
                    for (std::size_t i = 0; i < entries && i < 16 && r.canRead(4); ++i)
                        pen.userDashes.push_back(r.u32());
                }
                if (brushStyle == BS_NULL) pen.style = (pen.style & ~PS_STYLE_MASK) | PS_NULL;
                objects_.put(index, pen);
                break;
            }
            case EMR_CREATEBRUSHINDIRECT: {
                const std::uint32_t index = r.u32();
                LogBrush brush;
                brush.style = r.u32();
                brush.colour.value = r.u32();
                brush.hatch = r.u32();
                if (brush.style != BS_NULL && brush.style != BS_HATCHED) brush.style = BS_SOLID;
                objects_.put(index, brush);
                break;
            }
            case EMR_CREATEMONOBRUSH:
            case EMR_CREATEDIBPATTERNBRUSHPT: {
                const ByteReader body = r;
                const std::uint32_t index = r.u32();
                const DibPlace place = readDibPlace(r);
                LogBrush brush;
                brush.style = BS_DIBPATTERNPT;
                if (auto dib = recordDib(body, place, gdi_)) brush.pattern = dib->image;
                objects_.put(index, brush);
                break;
            }
            case EMR_CREATEPALETTE: {
                const std::uint32_t index = r.u32();
                r.skip(2);
                const std::size_t n = r.u16();
                LogPalette palette;
                for (std::size_t i = 0; i < n && r.canRead(4); ++i) {
                    const unsigned char* e = r.take(4);
                    palette.entries.emplace_back(e[0], e[1], e[2]);
                }
                objects_.put(index, palette);
                break;
            }
            case EMR_EXTCREATEFONTINDIRECTW: {
                const std::uint32_t index = r.u32();
                LogFont font;
                font.height = r.i32();
                font.width = std::abs(static_cast<double>(r.i32()));
                font.escapement = r.i32();
                r.skip(4);  // orientation
                font.weight = r.i32();
                font.italic = r.u8() != 0;
                font.underline = r.u8() != 0;
                font.strikeOut = r.u8() != 0;
                font.charset = r.u8();
                r.skip(3);
                font.pitchAndFamily = r.u8();
                QString face;
                for (int i = 0; i < 32 && r.canRead(2); ++i) {
                    const char16_t c = r.u16();
                    if (c == 0) break;
                    face.append(QChar(c));
                }
                font.faceName = face;
                resolveFont(font);
                objects_.put(index, font);
                break;
            }
            case EMR_ANGLEARC: {
                const QPointF centre = pointL(r);
                const double radius = r.u32();
                const double start = static_cast<double>(r.f32());
                const double sweep = static_cast<double>(r.f32());
                gdi_.angleArc(centre, radius, start, sweep);
                break;
            }
            case EMR_ELLIPSE:
                gdi_.ellipse(rectL(r));
                break;
            case EMR_RECTANGLE:
                gdi_.rectangle(rectL(r));
                break;
            case EMR_ROUNDRECT: {
                const QRectF box = rectL(r);
                const QPointF corner = pointL(r);
                gdi_.roundRect(box, QSizeF(corner.x(), corner.y()));
                break;
            }
            case EMR_ARC:
            case EMR_CHORD:
            case EMR_PIE:
            case EMR_ARCTO: {
                const QRectF box = rectL(r);
                const QPointF start = pointL(r);
                const QPointF end = pointL(r);
                if (type == EMR_ARC)
                    gdi_.arc(box, start, end);
                else if (type == EMR_CHORD)
                    gdi_.chord(box, start, end);
                else if (type == EMR_PIE)
                    gdi_.pie(box, start, end);
                else
                    gdi_.arcTo(box, start, end);
                break;
            }
            case EMR_BEGINPATH:
                gdi_.beginPath();
                break;
            case EMR_ENDPATH:
                gdi_.endPath();
                break;
            case EMR_CLOSEFIGURE:
                gdi_.closeFigure();
                break;
            case EMR_FILLPATH:
                gdi_.fillPath();
                break;
            case EMR_STROKEANDFILLPATH:
                gdi_.strokeAndFillPath();
                break;
            case EMR_STROKEPATH:
                gdi_.strokePath();
                break;
            case EMR_FLATTENPATH:
                break;  // curves are drawn as curves either way
            case EMR_WIDENPATH:
                gdi_.widenPath();
                break;
            case EMR_SELECTCLIPPATH:
                gdi_.selectClipPath(static_cast<int>(r.u32()));
                break;
            case EMR_ABORTPATH:
                gdi_.abortPath();
                break;
            case EMR_GDICOMMENT: {
                ByteReader data = r.split(r.u32());
                if (data.canRead(4) && data.u32() == plus::kCommentIdentifier)
                    plus_.play(data.split(data.remaining()));
                break;  // other comments hold private data
            }
            case EMR_FILLRGN: {
                r.skip(16);
                const std::uint32_t size = r.u32();
                const ObjectRef brush = brushAt(r.u32());
                gdi_.fillRegion(readRegionData(r.split(size)), brush);
                break;
            }
            case EMR_FRAMERGN: {
                r.skip(16);
                const std::uint32_t size = r.u32();
                const ObjectRef brush = brushAt(r.u32());
                const double w = r.i32();
                const double h = r.i32();
                gdi_.frameRegion(readRegionData(r.split(size)), brush, QSizeF(w, h));
                break;
            }
            case EMR_INVERTRGN:
            case EMR_PAINTRGN: {
                r.skip(16);
                const std::uint32_t size = r.u32();
                const QPainterPath area = readRegionData(r.split(size));
                if (type == EMR_INVERTRGN)
                    gdi_.invertRegion(area);
                else
                    gdi_.fillRegion(area, dc.brush);
                break;
            }
            case EMR_EXTSELECTCLIPRGN: {
                const std::uint32_t size = r.u32();
                const int mode = static_cast<int>(r.u32());
                if (size == 0) {
                    gdi_.selectClipRegion(std::nullopt, mode);
                } else {
                    gdi_.selectClipRegion(readRegionData(r.split(size)), mode);
                }
                break;
            }
            case EMR_BITBLT:
            case EMR_STRETCHBLT:
            case EMR_MASKBLT:
            case EMR_ALPHABLEND:
            case EMR_TRANSPARENTBLT:
                playBlt(type, r, gdi_);
                break;
            case EMR_PLGBLT:
                playPlgBlt(r, gdi_);
                break;
            case EMR_GRADIENTFILL:
                playGradientFill(r, gdi_);
                break;
            case EMR_STRETCHDIBITS:
            case EMR_SETDIBITSTODEVICE:
                playDibBlit(type, r, gdi_);
                break;
            case EMR_EXTTEXTOUTA:
            case EMR_EXTTEXTOUTW: {
                const ByteReader body = r;
                r.skip(16);  // bounds
                const int mode = static_cast<int>(r.u32());
                r.skip(8);  // scales
                playText(body, r, type == EMR_EXTTEXTOUTW, mode);
                break;
            }
            case EMR_POLYTEXTOUTA:
            case EMR_POLYTEXTOUTW: {
                const ByteReader body = r;
                r.skip(16);
                const int mode = static_cast<int>(r.u32());
                r.skip(8);
                const std::size_t n = r.u32();
                for (std::size_t i = 0; i < n && r.canRead(40) && !gdi_.exhausted(); ++i)
                    playText(body, r, type == EMR_POLYTEXTOUTW, mode);
                break;
            }
            case EMR_SETTEXTJUSTIFICATION:
                dc.breakExtra = r.i32();
                dc.breakCount = std::max(0, r.i32());
                break;
            default:
                break;  // unknown and unneeded records are passed over
        }
    }

    // One EMRTEXT: reference, count, string offset, options, rectangle, advances offset.
    void playText(const ByteReader& body, ByteReader& r, bool wide, int graphicsMode) {
        TextRun run;
        run.graphicsMode = graphicsMode == GM_ADVANCED ? GM_ADVANCED : GM_COMPATIBLE;
        run.reference = pointL(r);
        const std::uint32_t chars = r.u32();
        const std::uint32_t offString = r.u32();
        run.options = r.u32();
        const QRectF rect = rectL(r);
        const std::uint32_t offDx = r.u32();
        if (!(run.options & ETO_NO_RECT)) run.rect = rect;
        if (run.options & ETO_GLYPH_INDEX) return;  // glyph numbers of a font we do not have
        const bool pdy = (run.options & ETO_PDY) != 0;
        std::vector<double> dx;
        if (offDx != 0 && chars > 0) {
            const std::size_t stride = pdy ? 8 : 4;
            if (chars > (body.size() + kRecordHeaderBytes) / stride) throw ByteReaderOverrun();
            ByteReader d = recordPart(body, offDx, chars * static_cast<std::uint32_t>(stride));
            dx.reserve(chars);
            for (std::uint32_t i = 0; i < chars; ++i) {
                dx.push_back(d.i32());
                if (pdy) d.skip(4);
            }
        }
        if (chars > 0) {
            const std::uint32_t unit = wide ? 2 : 1;
            if (chars > (body.size() + kRecordHeaderBytes) / unit) throw ByteReaderOverrun();
            ByteReader s = recordPart(body, offString, chars * unit);
            const LogFont* f = font();
            const int charset = f ? f->charset : DEFAULT_CHARSET;
            const SymbolFace face = f ? f->symbolFace : SymbolFace::None;
            if (wide) {
                QString text;
                text.reserve(chars);
                for (std::uint32_t i = 0; i < chars; ++i)
                    text.append(QChar(static_cast<char16_t>(s.u16())));
                run.text = mapSymbolFaceText(face, text, &dx);
                run.dx = std::move(dx);
            } else {
                DecodedText decoded = decodeAnsiText(s.takeBytes(chars), charset, dx, face);
                run.text = std::move(decoded.text);
                run.dx = std::move(decoded.dx);
            }
        }
        gdi_.text(run);
    }

    Gdi& gdi_;
    ObjectTable objects_;
    plus::Player plus_;
};

}  // namespace

ParsedMetafile parseEmf(const QByteArray& bytes) {
    ByteReader file(bytes);
    try {
        const std::uint32_t type = file.u32();
        const std::uint32_t size = file.u32();
        if (type != EMR_HEADER || size < 88 || size > static_cast<std::size_t>(bytes.size()))
            failInvalidMetafile();
        ByteReader header = file.sub(kRecordHeaderBytes, size - kRecordHeaderBytes);
        const QRectF bounds = rectL(header);
        const QRectF frame = rectL(header);
        if (header.u32() != ENHMETA_SIGNATURE) failInvalidMetafile();
        header.skip(4 + 4 + 4);  // version, bytes, records
        const std::size_t handles = header.u16();
        header.skip(2);  // reserved
        const std::uint32_t descriptionChars = header.u32();
        const std::uint32_t descriptionOffset = header.u32();
        header.skip(4);  // palette entries
        const double deviceW = header.i32();
        const double deviceH = header.i32();
        double mmW = header.i32();
        double mmH = header.i32();
        // The header's extensions are there only where the description (or the pixel format)
        // does not begin: many writers put the description right after the 88 basic bytes.
        std::size_t headerEnd = size;
        if (descriptionChars > 0 && descriptionOffset < headerEnd) headerEnd = descriptionOffset;
        if (headerEnd >= 100) {
            header.seek(80);
            const std::uint32_t pixelFormatSize = header.u32();
            const std::uint32_t pixelFormatOffset = header.u32();
            if (pixelFormatSize > 0 && pixelFormatOffset < headerEnd) headerEnd = pixelFormatOffset;
        }
        // The second extension gives the reference device in micrometres, more exactly.
        if (headerEnd >= 108) {
            header.seek(92);
            const double umW = header.i32();
            const double umH = header.i32();
            if (umW > 0 && umH > 0) {
                mmW = umW / 1000.0;
                mmH = umH / 1000.0;
            }
        }

        ParsedMetafile parsed;
        DeviceContext initial;
        initial.pen = stockObject(7);
        initial.brush = stockObject(0);
        if (deviceW > 0 && deviceH > 0 && mmW > 0 && mmH > 0) {
            initial.mapping.pixelsPerMmX = deviceW / mmW;
            initial.mapping.pixelsPerMmY = deviceH / mmH;
        }
        const QRect frameRect(
            QPoint(static_cast<int>(frame.left()), static_cast<int>(frame.top())),
            QPoint(static_cast<int>(frame.right()), static_cast<int>(frame.bottom())));
        parsed.naturalSize = emfFrameNaturalSize(frameRect);
        if (!parsed.naturalSize.isEmpty()) {
            const double kx = initial.mapping.pixelsPerMmX / 100.0;
            const double ky = initial.mapping.pixelsPerMmY / 100.0;
            parsed.deviceFrame = QRectF(frame.left() * kx, frame.top() * ky, frame.width() * kx,
                                        frame.height() * ky);
        } else {
            // No usable frame: the bounds (device pixels, inclusive) are the picture.
            const double w = bounds.width() + 1;
            const double h = bounds.height() + 1;
            parsed.naturalSize = QSize(pixelsAt96Dpi(w / 96.0), pixelsAt96Dpi(h / 96.0));
            if (parsed.naturalSize.isEmpty()) failInvalidMetafile();
            parsed.deviceFrame = QRectF(bounds.left(), bounds.top(), w, h);
        }
        if (!inRangeRect(parsed.deviceFrame) || parsed.deviceFrame.isEmpty()) failInvalidMetafile();

        const ByteReader records = file.sub(size, file.size() - size);
        DrawingScan scan;
        forEachEmfRecord(records, scan);
        Gdi gdi(parsed.list, initial, parsed.deviceFrame);
        EmfPlayer player(gdi, handles, parsed.deviceFrame, scan.plusDraws && !scan.emfDraws);
        parsed.end = forEachEmfRecord(records, player);
        parsed.capped = gdi.exhausted() || parsed.end == FramingEnd::TooMany;
        parsed.skippedSteps = gdi.skippedSteps();
        parsed.approximatedAreas = gdi.areas().approximated();
        parsed.list.finish();
        return parsed;
    } catch (const ByteReaderOverrun&) {
        failInvalidMetafile();
    }
}

}  // namespace zarovia::picture::metafile
