#include "HostileFiles.h"

#include <QString>
#include <cstdint>
#include <cstring>
#include <initializer_list>

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

}  // namespace zarovia::hostile
