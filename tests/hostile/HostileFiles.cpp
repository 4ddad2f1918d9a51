#include "HostileFiles.h"

#include <QPointF>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace zarovia::hostile {

namespace {

void u16(QByteArray& b, std::uint32_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}
void u32(QByteArray& b, std::uint32_t v) {
    u16(b, v & 0xFFFF);
    u16(b, v >> 16);
}
void f32(QByteArray& b, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    u32(b, bits);
}
QByteArray words(std::initializer_list<std::uint32_t> values) {
    QByteArray b;
    for (std::uint32_t v : values) u32(b, v);
    return b;
}
QByteArray floats(std::initializer_list<float> values) {
    QByteArray b;
    for (float v : values) f32(b, v);
    return b;
}
QByteArray utf16(const QString& text) {
    QByteArray b;
    for (QChar c : text) u16(b, c.unicode());
    return b;
}

constexpr std::uint32_t kPlusVersion = 0xDBC01002;

// One EMF+ record, its data padded to four bytes.
QByteArray plusRecord(std::uint16_t type, std::uint16_t flags, QByteArray data = {}) {
    while (data.size() % 4) data.append('\0');
    QByteArray b;
    u16(b, type);
    u16(b, flags);
    u32(b, static_cast<std::uint32_t>(12 + data.size()));
    u32(b, static_cast<std::uint32_t>(data.size()));
    return b + data;
}

// An EMF whose frame is `mm` millimetres square on a 96 dpi reference device, holding `records`.
QByteArray emf(const QByteArray& records, int mm = 100) {
    QByteArray header;
    for (int v : {0, 0, 100, 100, 0, 0, mm * 100, mm * 100})
        u32(header, static_cast<std::uint32_t>(v));
    for (std::uint32_t v : {0x464D4520u, 0x10000u, 0u, 0u}) u32(header, v);
    u16(header, 16);  // handles
    u16(header, 0);
    for (std::uint32_t v : {0u, 0u, 0u, 3780u, 3780u, 1000u, 1000u}) u32(header, v);
    QByteArray out;
    u32(out, 1);
    u32(out, static_cast<std::uint32_t>(8 + header.size()));
    out += header + records;
    out += words({14, 20, 0, 16, 20});
    return out;
}

// EMF+ records in one comment record.
QByteArray plusComment(const QByteArray& records) {
    QByteArray b = words({70, static_cast<std::uint32_t>(16 + records.size()),
                          static_cast<std::uint32_t>(4 + records.size()), 0x2B464D45});
    return b + records;
}

QByteArray plusHeader() {
    return plusRecord(0x4001, 0, words({kPlusVersion, 1, 96, 96}));
}

QByteArray plusFont(int id, float emPixels) {
    const QString family = QStringLiteral("Arial");
    QByteArray data = words({kPlusVersion}) + floats({emPixels}) +
                      words({2, 0, 0, static_cast<std::uint32_t>(family.size())}) + utf16(family);
    return plusRecord(0x4008, static_cast<std::uint16_t>((6 << 8) | id), data);
}

// A WMF record of 16-bit parameters.
void wmfRecord(QByteArray& b, std::uint16_t function, std::initializer_list<int> params,
               const QByteArray& raw = {}) {
    u32(b, static_cast<std::uint32_t>(3 + params.size() + (raw.size() + 1) / 2));
    u16(b, function);
    for (int p : params) u16(b, static_cast<std::uint16_t>(p));
    b += raw;
    if (raw.size() % 2) b.append('\0');
}

QByteArray wmfHeader(const QByteArray& records, int objects) {
    QByteArray out;
    u16(out, 1);
    u16(out, 9);
    u16(out, 0x0300);
    u32(out, static_cast<std::uint32_t>((18 + records.size() + 6) / 2));
    u16(out, static_cast<std::uint16_t>(objects));
    u32(out, 0);
    u16(out, 0);
    out += records;
    u32(out, 3);
    u16(out, 0);
    return out;
}

QByteArray hex(const QByteArray& bytes) {
    QByteArray out;
    const QByteArray h = bytes.toHex();
    for (qsizetype i = 0; i < h.size(); i += 64) out += h.mid(i, 64) + '\n';
    return out;
}

// The vertices of a star polygon through `points` points on a circle, each joined to the one
// almost opposite: every edge crosses most others.
std::vector<QPointF> star(int points, QPointF centre, double radius) {
    std::vector<QPointF> out;
    for (int i = 0; i < points; ++i) {
        const double angle = 2 * M_PI * double(i) * (points / 2) / points;
        out.emplace_back(centre.x() + radius * std::cos(angle),
                         centre.y() + radius * std::sin(angle));
    }
    return out;
}

QByteArray emfRecord(std::uint32_t type, const QByteArray& body) {
    QByteArray b;
    u32(b, type);
    u32(b, static_cast<std::uint32_t>(8 + body.size()));
    return b + body;
}

// EMF+ path object data: the points as floats, each a line but the first, the figure closed.
QByteArray plusPath(const std::vector<QPointF>& points) {
    QByteArray b = words({kPlusVersion, static_cast<std::uint32_t>(points.size()), 0});
    for (const QPointF& p : points) b += floats({float(p.x()), float(p.y())});
    for (std::size_t i = 0; i < points.size(); ++i)
        b.append(static_cast<char>(i == 0 ? 0x00 : i + 1 == points.size() ? 0x81 : 0x01));
    while (b.size() % 4) b.append('\0');
    return b;
}

// A region node: a path (type 0x10000001, its size, the path object data).
QByteArray pathNode(const std::vector<QPointF>& points) {
    const QByteArray path = plusPath(points);
    return words({0x10000001, static_cast<std::uint32_t>(path.size())}) + path;
}

QByteArray fillWhole(std::uint32_t argb, float side) {
    return plusRecord(0x400A, 0x8000, words({argb, 1}) + floats({0, 0, side, side}));
}

}  // namespace

QByteArray emfPlusGlyphUnderTransform() {
    // The string's em is 28 pixels, divided by the transform's own scale (30): 0.93 world
    // units, 840 device pixels wide and 0.93 high (the picture is shown at its natural size).
    const QString text = QStringLiteral("W@gM");
    QByteArray records = plusHeader() + plusFont(1, 28.0f);
    records += plusRecord(0x402A, 0, floats({900.0f, 0.1f, 0.1f, 1.0f, 10.0f, 100.0f}));
    records += plusRecord(0x401C, 0x8000 | 1,
                          words({0xFF000000, 0xFFFFFFFF, static_cast<std::uint32_t>(text.size())}) +
                              floats({0, 0, 0, 0}) + utf16(text));
    records += plusRecord(0x4002, 0);
    return emf(plusComment(records));
}

QByteArray emfGlyphUnderWorldTransform() {
    // A one-unit font under a world transform stretching x 900 times: 900 by 1 pixels.
    QByteArray records = emfRecord(35, floats({900.0f, 0.1f, 0.1f, 1.0f, 10.0f, 100.0f}));
    QByteArray font = words({1, static_cast<std::uint32_t>(-1), 0, 0, 0, 400});
    font += QByteArray(8, '\0');
    QByteArray face = utf16(QStringLiteral("Arial"));
    face.append(QByteArray(64 - face.size(), '\0'));
    records += emfRecord(82, font + face);
    records += emfRecord(37, words({1}));
    const QString text = QStringLiteral("W@gM");
    QByteArray run = words({0, 0, 0, 0, 2}) + floats({1, 1});  // bounds, advanced mode, scales
    run += words({0, 0, static_cast<std::uint32_t>(text.size()), 76, 0, 0, 0, 0, 0, 0});
    run += utf16(text);
    records += emfRecord(84, run);
    return emf(records);
}

QByteArray wmfLargeText() {
    QByteArray records;
    wmfRecord(records, 0x0103, {8});           // MM_ANISOTROPIC
    wmfRecord(records, 0x020B, {0, 0});        // window origin
    wmfRecord(records, 0x020C, {1000, 1000});  // window extent: y, x
    QByteArray font;
    for (int v : {-800, 0, 0, 0, 400}) u16(font, static_cast<std::uint16_t>(v));
    font.append(QByteArray(8, '\0'));
    font.append("Arial");
    font.append('\0');
    wmfRecord(records, 0x02FB, {}, font);  // CreateFontIndirect
    wmfRecord(records, 0x012D, {0});       // SelectObject
    wmfRecord(records, 0x012E, {24});      // TA_BASELINE
    QByteArray text("W@gM");
    QByteArray textOut;
    u16(textOut, static_cast<std::uint32_t>(text.size()));
    textOut += text;
    u16(textOut, 900);  // y
    u16(textOut, 0);    // x
    wmfRecord(records, 0x0521, {}, textOut);
    return wmfHeader(records, 1);
}

QByteArray rtfWithSqueezedWmf(const QByteArray& wmf) {
    // Shown 1000 x 1 pixels: goals of 15000 and 15 twips.
    return QByteArray(
               "{\\rtf1\\ansi {\\pict\\wmetafile8\\picw1000\\pich1000\\picwgoal15000"
               "\\pichgoal15\n") +
           hex(wmf) + "}\\par}";
}

QByteArray emfPlusImageCopies(int side, int draws) {
    // An 8-bit run-length BMP whose pixel data is one end-of-bitmap code: every pixel is
    // palette entry 0.
    QByteArray bmp("BM");
    const std::uint32_t headerBytes = 14 + 40 + 2 * 4;
    u32(bmp, headerBytes + 2);
    u32(bmp, 0);
    u32(bmp, headerBytes);
    u32(bmp, 40);
    u32(bmp, static_cast<std::uint32_t>(side));
    u32(bmp, static_cast<std::uint32_t>(side));
    u16(bmp, 1);
    u16(bmp, 8);
    u32(bmp, 1);  // BI_RLE8
    u32(bmp, 2);
    u32(bmp, 2835);
    u32(bmp, 2835);
    u32(bmp, 2);
    u32(bmp, 0);
    u32(bmp, 0x00C08040);
    u32(bmp, 0x00FFFFFF);
    bmp.append(QByteArray("\x00\x01", 2));
    // The image object: a compressed bitmap (version, type 1, size, stride, format, kind 1).
    const QByteArray image = words({kPlusVersion, 1, static_cast<std::uint32_t>(side),
                                    static_cast<std::uint32_t>(side), 0, 0x00026200A, 1}) +
                             bmp;
    QByteArray records = plusHeader() + plusRecord(0x4008, (5 << 8) | 1, image);
    const QByteArray draw = plusRecord(
        0x401A, 1,
        words({0, 2}) + floats({0, 0, float(side), float(side)}) + floats({0, 0, 300, 300}));
    for (int i = 0; i < draws; ++i) records += draw;
    records += plusRecord(0x4002, 0);
    return emf(plusComment(records));
}

QByteArray emfStarClip(int points, int exclusions) {
    QByteArray records;
    // A brush, the odd-even fill rule, and a first clip rectangle.
    records += emfRecord(39, words({1, 0, 0x00C04020, 0}));
    records += emfRecord(37, words({1}));
    records += emfRecord(19, words({1}));
    records += emfRecord(30, words({100, 100, 3000, 3000}));
    QByteArray polygon = words({0, 0, 3780, 3780, static_cast<std::uint32_t>(points)});
    for (const QPointF& p : star(points, QPointF(1890, 1890), 1800)) {
        u32(polygon, static_cast<std::uint32_t>(std::lround(p.x())));
        u32(polygon, static_cast<std::uint32_t>(std::lround(p.y())));
    }
    for (std::uint32_t mode : {2u, 3u, 4u}) {  // RGN_OR, RGN_XOR, RGN_DIFF
        records += emfRecord(59, {});          // BeginPath
        records += emfRecord(3, polygon);      // Polygon
        records += emfRecord(60, {});          // EndPath
        records += emfRecord(67, words({mode}));
        records += emfRecord(43, words({0, 0, 3780, 3780}));  // Rectangle
    }
    for (int i = 0; i < exclusions; ++i) {
        const auto at = static_cast<std::uint32_t>(200 + 60 * i % 3000);
        records += emfRecord(29, words({at, at, at + 40, at + 40}));  // ExcludeClipRect
        records += emfRecord(43, words({0, 0, 3780, 3780}));
    }
    return emf(records);
}

QByteArray emfPlusStarRegion(int points) {
    QByteArray region = words({kPlusVersion, 3, 2});  // union of two nodes
    region += words({0x10000000}) + floats({50, 50, 200, 200});
    region += pathNode(star(points, QPointF(189, 189), 180));
    QByteArray records = plusHeader() + plusRecord(0x4008, (4 << 8) | 1, region);
    records += plusRecord(0x4034, (1 << 8) | 1);  // SetClipRegion, intersect
    records += fillWhole(0xFF2060C0, 378);
    records += plusRecord(0x4002, 0);
    return emf(plusComment(records));
}

namespace {

// A balanced tree over leaves [first, first + count): unions at even depths, exclusive ors at
// odd ones, in prefix order (a node, then its left and right subtrees).
void regionTree(QByteArray& out, int first, int count, int depth, int leaves, int points) {
    if (count == 1) {
        const double angle = 2 * M_PI * first / leaves;
        out += pathNode(
            star(points, QPointF(189 + 60 * std::cos(angle), 189 + 60 * std::sin(angle)), 120));
        return;
    }
    u32(out, depth % 2 ? 3 : 2);
    regionTree(out, first, count / 2, depth + 1, leaves, points);
    regionTree(out, first + count / 2, count - count / 2, depth + 1, leaves, points);
}

}  // namespace

QByteArray emfPlusRegionTree(int leaves, int points) {
    QByteArray region = words({kPlusVersion, static_cast<std::uint32_t>(2 * leaves - 1)});
    regionTree(region, 0, leaves, 0, leaves, points);
    QByteArray records = plusHeader() + plusRecord(0x4008, (4 << 8) | 1, region);
    records += plusRecord(0x4034, (1 << 8) | 1);
    records += fillWhole(0xFF20A040, 378);
    records += plusRecord(0x4002, 0);
    return emf(plusComment(records));
}

QByteArray wmfStarFills(int count, int points) {
    QByteArray records;
    QByteArray brush;
    u16(brush, 0);
    u32(brush, 0x000000FF);
    u16(brush, 0);
    wmfRecord(records, 0x02FC, {}, brush);  // CreateBrushIndirect
    wmfRecord(records, 0x012D, {0});
    for (int k = 0; k < count; ++k) {
        QByteArray polygon;
        u16(polygon, static_cast<std::uint32_t>(points));
        for (const QPointF& p :
             star(points, QPointF(5000 + (k % 7) * 20, 5000 + (k % 5) * 20), 4800)) {
            u16(polygon, static_cast<std::uint32_t>(std::lround(p.x())));
            u16(polygon, static_cast<std::uint32_t>(std::lround(p.y())));
        }
        wmfRecord(records, 0x0324, {}, polygon);  // Polygon
    }
    // The placeable header: a 10000-unit square at 1440 units per inch.
    QByteArray out;
    u32(out, 0x9AC6CDD7);
    u16(out, 0);
    for (int v : {0, 0, 10000, 10000}) u16(out, static_cast<std::uint32_t>(v));
    u16(out, 1440);
    u32(out, 0);
    std::uint16_t checksum = 0;
    for (qsizetype i = 0; i < out.size(); i += 2)
        checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(out[i]) |
                                               static_cast<unsigned char>(out[i + 1]) << 8);
    u16(out, checksum);
    return out + wmfHeader(records, 1);
}

}  // namespace zarovia::hostile
