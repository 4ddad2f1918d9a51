#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"
#include "picture/metafile/ObjectTable.h"
#include "picture/metafile/ParsedMetafile.h"
#include "picture/metafile/RecordDib.h"
#include "picture/metafile/TextDecoding.h"

#include <cmath>

namespace zarovia::picture::metafile {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderBytes = 22;
constexpr std::size_t kHeaderBytes = 18;

// Record functions.
enum : std::uint16_t {
    META_SAVEDC = 0x001E,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETTEXTCHAREXTRA = 0x0108,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETTEXTJUSTIFICATION = 0x020A,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_OFFSETWINDOWORG = 0x020F,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_FRAMEREGION = 0x0429,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_BITBLT = 0x0922,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

QPointF pointYX(ByteReader& r) {
    const double y = r.i16();
    const double x = r.i16();
    return QPointF(x, y);
}

// Fields stored bottom, right, top, left.
QRectF boxBRTL(ByteReader& r) {
    const double bottom = r.i16();
    const double right = r.i16();
    const double top = r.i16();
    const double left = r.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF points(ByteReader& r, std::size_t count) {
    if (count > r.remaining() / 4) throw ByteReaderOverrun();
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const double x = r.i16();
        const double y = r.i16();
        poly.append(QPointF(x, y));
    }
    return poly;
}

// A Bitmap16 (the device-dependent bitmap of the oldest records): monochrome and true-colour
// rows are understood; others are passed over.
QImage decodeBitmap16(ByteReader& r, Gdi& gdi) {
    r.skip(2);  // type
    const int width = r.i16();
    const int height = r.i16();
    const int widthBytes = r.i16();
    const int planes = r.u8();
    const int bitsPixel = r.u8();
    if (width <= 0 || height <= 0 || widthBytes <= 0 || planes != 1) return QImage();
    if (static_cast<std::int64_t>(widthBytes) * height > static_cast<std::int64_t>(r.remaining()))
        return QImage();
    if (static_cast<std::int64_t>(width) * bitsPixel > static_cast<std::int64_t>(widthBytes) * 8)
        return QImage();
    if ((bitsPixel != 1 && bitsPixel != 24 && bitsPixel != 32) ||
        !gdi.reserveImagePixels(static_cast<std::int64_t>(width) * height))
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = r.take(static_cast<std::size_t>(widthBytes));
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (bitsPixel == 1) {
                const bool set = (row[x / 8] >> (7 - x % 8)) & 1;
                out[x] = set ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            } else {
                const unsigned char* p = row + x * (bitsPixel / 8);
                out[x] = qRgb(p[2], p[1], p[0]);
            }
        }
    }
    return image;
}

class WmfPlayer final : public RecordVisitor {
public:
    WmfPlayer(Gdi& gdi, std::size_t objectCount) : gdi_(gdi), objects_(objectCount) {}

    bool visit(const Record& record) override {
        if (gdi_.outOfTime(record.body.size())) return false;
        ByteReader body = record.body;
        try {
            play(static_cast<std::uint16_t>(record.type), body);
        } catch (const ByteReaderOverrun&) {
            // A record shorter than its fields is passed over; the loop goes on after it.
            if (createsObject(static_cast<std::uint16_t>(record.type)))
                objects_.addToFreeSlot(Region{});
        }
        return !gdi_.exhausted();
    }

private:
    static bool createsObject(std::uint16_t f) {
        return f == META_CREATEPENINDIRECT || f == META_CREATEBRUSHINDIRECT ||
               f == META_CREATEFONTINDIRECT || f == META_CREATEPALETTE || f == META_CREATEREGION ||
               f == META_DIBCREATEPATTERNBRUSH || f == META_CREATEPATTERNBRUSH;
    }

    DecodedText decodeText(const QByteArray& bytes, const std::vector<double>& byteDx) const {
        const auto* font = gdi_.dc().font ? std::get_if<LogFont>(gdi_.dc().font.get()) : nullptr;
        return decodeAnsiText(bytes, font ? font->charset : DEFAULT_CHARSET, byteDx,
                              font ? font->symbolFace : SymbolFace::None);
    }

    // WMF regions are in logical units: they are placed with the current mapping.
    std::optional<QPainterPath> regionAt(std::uint16_t index) {
        const ObjectRef object = objects_.get(index);
        const auto* region = object ? std::get_if<Region>(object.get()) : nullptr;
        if (!region) return std::nullopt;
        return gdi_.toDevice().map(region->area);
    }

    void select(std::uint16_t index) {
        const ObjectRef object = objects_.get(index);
        if (!object) return;  // an empty or deleted slot: nothing changes
        DeviceContext& dc = gdi_.dc();
        if (std::holds_alternative<LogPen>(*object))
            dc.pen = object;
        else if (std::holds_alternative<LogBrush>(*object))
            dc.brush = object;
        else if (std::holds_alternative<LogFont>(*object))
            dc.font = object;
        else if (std::holds_alternative<LogPalette>(*object))
            dc.palette = object;
        else if (const auto* region = std::get_if<Region>(object.get()))
            gdi_.selectClipRegion(gdi_.toDevice().map(region->area), RGN_COPY);
    }

    void play(std::uint16_t f, ByteReader& r) {
        DeviceContext& dc = gdi_.dc();
        switch (f) {
            case META_SAVEDC:
                gdi_.saveDc();
                break;
            case META_RESTOREDC:
                gdi_.restoreDc(r.i16());
                break;
            case META_SETBKMODE: {
                const int mode = r.u16();
                if (mode == TRANSPARENT || mode == OPAQUE) dc.backgroundMode = mode;
                break;
            }
            case META_SETMAPMODE: {
                // The player owns the viewport: the window always maps onto the picture, in
                // proportion when the file asks for it. So the fixed-scale modes are taken as
                // anisotropic, and the viewport records (SetViewportOrg/Ext and their offset
                // and scale forms) are passed over.
                const int mode = r.u16();
                gdi_.editMapping().mapMode = mode == MM_ISOTROPIC ? MM_ISOTROPIC : MM_ANISOTROPIC;
                break;
            }
            case META_SETROP2:
                dc.rop2 = r.u16();
                break;
            case META_SETPOLYFILLMODE:
                dc.polyFillMode = r.u16();
                break;
            case META_SETSTRETCHBLTMODE:
                dc.stretchMode = r.u16();
                break;
            case META_SETTEXTCHAREXTRA:
                dc.charExtra = r.i16();
                break;
            case META_SETTEXTALIGN:
                dc.textAlign = r.u16();
                break;
            case META_SETTEXTJUSTIFICATION:
                dc.breakCount = std::max(0, int(r.i16()));
                dc.breakExtra = r.i16();
                break;
            case META_SETBKCOLOR:
                dc.backgroundColour.value = r.u32();
                break;
            case META_SETTEXTCOLOR:
                dc.textColour.value = r.u32();
                break;
            case META_SETWINDOWORG:
                gdi_.editMapping().windowOrg = pointYX(r);
                break;
            case META_SETWINDOWEXT: {
                const QPointF ext = pointYX(r);
                if (ext.x() != 0 && ext.y() != 0)
                    gdi_.editMapping().windowExt = QSizeF(ext.x(), ext.y());
                break;
            }
            case META_OFFSETWINDOWORG:
                gdi_.editMapping().windowOrg += pointYX(r);
                break;
            case META_SCALEWINDOWEXT: {
                const double yDenom = r.i16();
                const double yNum = r.i16();
                const double xDenom = r.i16();
                const double xNum = r.i16();
                if (xDenom == 0 || yDenom == 0 || xNum == 0 || yNum == 0) break;
                Mapping& m = gdi_.editMapping();
                m.windowExt = QSizeF(m.windowExt.width() * xNum / xDenom,
                                     m.windowExt.height() * yNum / yDenom);
                break;
            }
            case META_MOVETO:
                gdi_.moveTo(pointYX(r));
                break;
            case META_LINETO:
                gdi_.lineTo(pointYX(r));
                break;
            case META_POLYGON:
                gdi_.polygon(points(r, r.u16()));
                break;
            case META_POLYLINE:
                gdi_.polyline(points(r, r.u16()));
                break;
            case META_POLYPOLYGON: {
                const std::size_t n = r.u16();
                if (n > r.remaining() / 2) throw ByteReaderOverrun();
                std::vector<std::size_t> counts(n);
                for (auto& c : counts) c = r.u16();
                std::vector<QPolygonF> polygons;
                for (std::size_t c : counts) polygons.push_back(points(r, c));
                gdi_.polyPolygon(polygons);
                break;
            }
            case META_RECTANGLE:
                gdi_.rectangle(boxBRTL(r));
                break;
            case META_ELLIPSE:
                gdi_.ellipse(boxBRTL(r));
                break;
            case META_ROUNDRECT: {
                const double h = r.i16();
                const double w = r.i16();
                gdi_.roundRect(boxBRTL(r), QSizeF(w, h));
                break;
            }
            case META_ARC:
            case META_PIE:
            case META_CHORD: {
                const QPointF end = pointYX(r);
                const QPointF start = pointYX(r);
                const QRectF box = boxBRTL(r);
                if (f == META_ARC)
                    gdi_.arc(box, start, end);
                else if (f == META_PIE)
                    gdi_.pie(box, start, end);
                else
                    gdi_.chord(box, start, end);
                break;
            }
            case META_SETPIXEL: {
                ColourRef c{r.u32()};
                gdi_.setPixel(pointYX(r), c);
                break;
            }
            case META_EXCLUDECLIPRECT:
                gdi_.excludeClipRect(boxBRTL(r));
                break;
            case META_INTERSECTCLIPRECT:
                gdi_.intersectClipRect(boxBRTL(r));
                break;
            case META_OFFSETCLIPRGN:
                gdi_.offsetClip(pointYX(r));
                break;
            case META_SELECTCLIPREGION: {
                if (auto region = regionAt(r.u16())) gdi_.selectClipRegion(region, RGN_COPY);
                break;
            }
            case META_SELECTOBJECT:
                select(r.u16());
                break;
            case META_SELECTPALETTE:
                select(r.u16());
                break;
            case META_DELETEOBJECT:
                objects_.remove(r.u16());
                break;
            case META_CREATEPENINDIRECT: {
                LogPen pen;
                pen.style = r.u16();
                pen.width = r.i16();
                r.skip(2);
                pen.colour.value = r.u32();
                objects_.addToFreeSlot(pen);
                break;
            }
            case META_CREATEBRUSHINDIRECT: {
                LogBrush brush;
                brush.style = r.u16();
                brush.colour.value = r.u32();
                brush.hatch = r.u16();
                if (brush.style == BS_PATTERN || brush.style == BS_DIBPATTERN)
                    brush.style = BS_SOLID;
                objects_.addToFreeSlot(brush);
                break;
            }
            case META_CREATEFONTINDIRECT:
                objects_.addToFreeSlot(readFont(r));
                break;
            case META_CREATEPALETTE: {
                LogPalette palette;
                r.skip(2);
                const std::size_t n = r.u16();
                for (std::size_t i = 0; i < n && r.canRead(4); ++i) {
                    const unsigned char* e = r.take(4);
                    palette.entries.emplace_back(e[0], e[1], e[2]);
                }
                objects_.addToFreeSlot(palette);
                break;
            }
            case META_DIBCREATEPATTERNBRUSH: {
                LogBrush brush;
                brush.style = BS_DIBPATTERN;
                r.skip(2);
                const std::uint32_t usage = r.u16();
                if (auto dib = decodeRecordPackedDib(r.split(r.remaining()), usage, gdi_))
                    brush.pattern = dib->image;
                objects_.addToFreeSlot(brush);
                break;
            }
            case META_CREATEPATTERNBRUSH: {
                LogBrush brush;
                brush.style = BS_PATTERN;
                ByteReader header = r.split(10);
                ByteReader bits = r;
                bits.skip(std::min<std::size_t>(18, bits.remaining()));
                QByteArray joined(reinterpret_cast<const char*>(header.data()), 10);
                joined.append(reinterpret_cast<const char*>(bits.data() + bits.position()),
                              static_cast<qsizetype>(bits.remaining()));
                ByteReader bitmap(joined);
                brush.pattern = decodeBitmap16(bitmap, gdi_);
                objects_.addToFreeSlot(brush);
                break;
            }
            case META_CREATEREGION:
                objects_.addToFreeSlot(readRegion(r));
                break;
            case META_FILLREGION: {
                auto region = regionAt(r.u16());
                const ObjectRef brush = objects_.get(r.u16());
                if (region) gdi_.fillRegion(*region, brush);
                break;
            }
            case META_FRAMEREGION: {
                auto region = regionAt(r.u16());
                const ObjectRef brush = objects_.get(r.u16());
                const double h = r.i16();
                const double w = r.i16();
                if (region) gdi_.frameRegion(*region, brush, QSizeF(w, h));
                break;
            }
            case META_INVERTREGION:
                if (auto region = regionAt(r.u16())) gdi_.invertRegion(*region);
                break;
            case META_PAINTREGION:
                if (auto region = regionAt(r.u16())) gdi_.fillRegion(*region, dc.brush);
                break;
            case META_PATBLT: {
                Blit b;
                b.rop = r.u32();
                const double h = r.i16();
                const double w = r.i16();
                const QPointF p = pointYX(r);
                b.dest = QRectF(p.x(), p.y(), w, h);
                gdi_.blit(b);
                break;
            }
            case META_TEXTOUT: {
                const std::size_t n = r.u16();
                const QByteArray bytes = r.takeBytes(n);
                if (n % 2) r.skip(1);
                TextRun run;
                run.reference = pointYX(r);
                run.text = decodeText(bytes, {}).text;
                gdi_.text(run);
                break;
            }
            case META_EXTTEXTOUT:
                playExtTextOut(r);
                break;
            case META_DIBBITBLT:
            case META_DIBSTRETCHBLT:
                playDibBlit(f, r);
                break;
            case META_BITBLT:
            case META_STRETCHBLT:
                playBitmap16Blit(f, r);
                break;
            case META_STRETCHDIB: {
                Blit b;
                b.rop = r.u32();
                const std::uint32_t usage = r.u16();
                const double srcH = r.i16();
                const double srcW = r.i16();
                const double ySrc = r.i16();
                const double xSrc = r.i16();
                const double h = r.i16();
                const double w = r.i16();
                const QPointF p = pointYX(r);
                b.dest = QRectF(p.x(), p.y(), w, h);
                if (auto dib = decodeRecordPackedDib(r.split(r.remaining()), usage, gdi_)) {
                    b.image = dib->image;
                    b.source = dibSourceRect(*dib, xSrc, ySrc, srcW, srcH);
                }
                gdi_.blit(b);
                break;
            }
            case META_SETDIBTODEV: {
                const std::uint32_t usage = r.u16();
                r.skip(4);  // scan count, start scan
                const double ySrc = r.i16();
                const double xSrc = r.i16();
                const double h = r.i16();
                const double w = r.i16();
                const QPointF p = pointYX(r);
                Blit b;
                b.dest = QRectF(p.x(), p.y(), w, h);
                if (auto dib = decodeRecordPackedDib(r.split(r.remaining()), usage, gdi_)) {
                    b.image = dib->image;
                    b.source = dibSourceRect(*dib, xSrc, ySrc, w, h);
                }
                gdi_.blit(b);
                break;
            }
            default:
                break;  // unknown and unneeded records are passed over
        }
    }

    LogFont readFont(ByteReader& r) {
        LogFont font;
        font.height = r.i16();
        font.width = std::abs(r.i16());
        font.escapement = r.i16();
        r.skip(2);  // orientation
        font.weight = r.i16();
        font.italic = r.u8() != 0;
        font.underline = r.u8() != 0;
        font.strikeOut = r.u8() != 0;
        font.charset = r.u8();
        r.skip(3);  // precisions, quality
        font.pitchAndFamily = r.u8();
        QByteArray face = r.takeBytes(std::min<std::size_t>(32, r.remaining()));
        const qsizetype nul = face.indexOf('\0');
        if (nul >= 0) face.truncate(nul);
        font.faceName = decodeAnsiText(face, faceCharset(font.charset), {}).text;
        resolveFont(font);
        return font;
    }

    // Face names are stored in the font's own character set (the symbol set's names are ASCII).
    static int faceCharset(int fontCharset) {
        return fontCharset == SYMBOL_CHARSET ? ANSI_CHARSET : fontCharset;
    }

    Region readRegion(ByteReader& r) {
        Region region;
        r.skip(2 + 2 + 4 + 2);  // next in chain, object type, object count, region size
        const std::size_t scans = r.u16();
        r.skip(2 + 8);  // max scan, bounds
        QPainterPath area;
        area.setFillRule(Qt::WindingFill);
        for (std::size_t s = 0; s < scans; ++s) {
            const std::size_t count = r.u16();
            const double top = r.i16();
            const double bottom = r.i16();
            if (count / 2 > r.remaining() / 4) throw ByteReaderOverrun();
            for (std::size_t i = 0; i + 1 < count; i += 2) {
                const double left = r.i16();
                const double right = r.i16();
                if (area.elementCount() < kMaxClipElements)
                    area.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
            }
            r.skip(2);  // count again
        }
        region.area = area;
        return region;
    }

    void playExtTextOut(ByteReader& r) {
        TextRun run;
        run.reference = pointYX(r);
        const std::size_t n = r.u16();
        run.options = r.u16();
        if (run.options & (ETO_OPAQUE | ETO_CLIPPED)) {
            const double left = r.i16();
            const double top = r.i16();
            const double right = r.i16();
            const double bottom = r.i16();
            run.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        }
        const QByteArray bytes = r.takeBytes(n);
        if (n % 2 && r.canRead(1)) r.skip(1);
        std::vector<double> byteDx;
        if (r.remaining() >= n * 2) {
            byteDx.reserve(n);
            for (std::size_t i = 0; i < n; ++i) byteDx.push_back(r.i16());
        }
        DecodedText decoded = decodeText(bytes, byteDx);
        run.text = std::move(decoded.text);
        run.dx = std::move(decoded.dx);
        gdi_.text(run);
    }

    // The fields every WMF blit record shares: raster operation, source size (stretching
    // records only), source origin, destination; the bitmap, when there is one, follows.
    struct BlitFrame {
        Blit blit;
        QRectF source;
        bool hasBitmap = false;
    };
    static BlitFrame readBlitFrame(bool stretch, ByteReader& r) {
        BlitFrame frame;
        frame.hasBitmap = r.size() > (stretch ? 22u : 18u);
        frame.blit.rop = r.u32();
        double srcH = 0;
        double srcW = 0;
        if (stretch) {
            srcH = r.i16();
            srcW = r.i16();
        }
        const double ySrc = r.i16();
        const double xSrc = r.i16();
        if (!frame.hasBitmap) r.skip(2);
        const double h = r.i16();
        const double w = r.i16();
        const QPointF p = pointYX(r);
        if (!stretch) {
            srcW = w;
            srcH = h;
        }
        frame.blit.dest = QRectF(p.x(), p.y(), w, h);
        frame.source = QRectF(xSrc, ySrc, srcW, srcH);
        return frame;
    }

    void playDibBlit(std::uint16_t f, ByteReader& r) {
        BlitFrame frame = readBlitFrame(f == META_DIBSTRETCHBLT, r);
        if (frame.hasBitmap) {
            // A bitmap used as a source device: its rows count from the top.
            if (auto dib = decodeRecordPackedDib(r.split(r.remaining()), DIB_RGB_COLORS, gdi_)) {
                frame.blit.image = dib->image;
                frame.blit.source = frame.source;
            }
        }
        gdi_.blit(frame.blit);
    }

    void playBitmap16Blit(std::uint16_t f, ByteReader& r) {
        BlitFrame frame = readBlitFrame(f == META_STRETCHBLT, r);
        if (frame.hasBitmap) {
            frame.blit.image = decodeBitmap16(r, gdi_);
            frame.blit.source = frame.source;
        }
        gdi_.blit(frame.blit);
    }

    Gdi& gdi_;
    ObjectTable objects_;
};

// Finds the window a plain WMF sets first, to size the picture.
class WindowScan final : public RecordVisitor {
public:
    std::optional<QPointF> org;
    std::optional<QSizeF> ext;
    bool visit(const Record& record) override {
        ByteReader r = record.body;
        try {
            if (record.type == META_SETWINDOWORG && !org) org = pointYX(r);
            if (record.type == META_SETWINDOWEXT && !ext) {
                const QPointF e = pointYX(r);
                if (e.x() != 0 && e.y() != 0) ext = QSizeF(e.x(), e.y());
            }
        } catch (const ByteReaderOverrun&) {
        }
        return !ext;
    }
};

}  // namespace

ParsedMetafile parseWmf(const QByteArray& bytes) {
    ByteReader file(bytes);
    std::optional<QRect> bounds;
    int unitsPerInch = 0;
    try {
        if (file.canRead(4) && file.u32() == kPlaceableKey) {
            file.skip(2);  // handle
            const int left = file.i16();
            const int top = file.i16();
            const int right = file.i16();
            const int bottom = file.i16();
            unitsPerInch = file.u16();
            // The checksum is not checked: many writers get it wrong and the rest is sound.
            file.seek(kPlaceableHeaderBytes);
            bounds = QRect(QPoint(left, top), QPoint(right, bottom));
        } else {
            file.seek(0);
        }
        const std::size_t headerStart = file.position();
        const std::uint16_t type = file.u16();
        const std::uint16_t headerWords = file.u16();
        file.skip(2 + 4);  // version, size
        const std::uint16_t objectCount = file.u16();
        if ((type != 1 && type != 2) || headerWords != kHeaderBytes / 2) failInvalidMetafile();
        file.seek(headerStart + kHeaderBytes);

        ParsedMetafile parsed;
        DeviceContext initial;
        initial.pen = stockObject(7);
        initial.brush = stockObject(0);
        initial.mapping.mapMode = MM_ANISOTROPIC;
        ByteReader records = file.split(file.remaining());
        if (bounds) {
            parsed.naturalSize = placeableNaturalSize(*bounds, unitsPerInch);
            initial.mapping.windowOrg = QPointF(bounds->left(), bounds->top());
            initial.mapping.windowExt =
                QSizeF(bounds->right() - bounds->left(), bounds->bottom() - bounds->top());
        } else {
            WindowScan scan;
            forEachWmfRecord(records, scan);
            if (scan.ext) {
                parsed.naturalSize = QSize(pixelsAt96Dpi(std::abs(scan.ext->width()) / 96.0),
                                           pixelsAt96Dpi(std::abs(scan.ext->height()) / 96.0));
                initial.mapping.windowOrg = scan.org.value_or(QPointF(0, 0));
                initial.mapping.windowExt = *scan.ext;
            }
        }
        const bool sized = !parsed.naturalSize.isEmpty();
        if (bounds && !sized) failInvalidMetafile();
        if (sized) {
            initial.mapping.viewportExt =
                QSizeF(parsed.naturalSize.width(), parsed.naturalSize.height());
            parsed.deviceFrame = QRectF(QPointF(0, 0), QSizeF(parsed.naturalSize));
        }
        Gdi gdi(parsed.list, initial, parsed.deviceFrame);
        WmfPlayer player(gdi, objectCount);
        parsed.end = forEachWmfRecord(records, player);
        parsed.capped = gdi.exhausted() || parsed.end == FramingEnd::TooMany;
        parsed.skippedSteps = gdi.skippedSteps();
        parsed.approximatedAreas = gdi.areas().approximated();
        parsed.list.finish();
        if (!sized) {
            // No window at all: the picture is what the records draw, one unit to a pixel.
            const QRectF drawn = gdi.drawnBounds();
            parsed.naturalSize =
                QSize(pixelsAt96Dpi(drawn.width() / 96.0), pixelsAt96Dpi(drawn.height() / 96.0));
            if (parsed.naturalSize.isEmpty()) failInvalidMetafile();
            parsed.deviceFrame = drawn;
        }
        return parsed;
    } catch (const ByteReaderOverrun&) {
        failInvalidMetafile();
    }
}

}  // namespace zarovia::picture::metafile
