#pragma once

// Builds small metafiles in memory, record by record, for the tests.

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace zarovia::picture::metafile::test {

inline void putU16(QByteArray& b, std::uint16_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}
inline void putU32(QByteArray& b, std::uint32_t v) {
    putU16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    putU16(b, static_cast<std::uint16_t>(v >> 16));
}

class WmfWriter {
public:
    // A record of 16-bit parameters, in the order they are stored.
    WmfWriter& record(std::uint16_t function, std::initializer_list<int> params) {
        QByteArray body;
        for (int p : params) putU16(body, static_cast<std::uint16_t>(p));
        return raw(function, body);
    }
    WmfWriter& raw(std::uint16_t function, const QByteArray& body) {
        putU32(records_, static_cast<std::uint32_t>(3 + (body.size() + 1) / 2));
        putU16(records_, function);
        records_.append(body);
        if (body.size() % 2) records_.append('\0');
        return *this;
    }
    // A record whose size field says `words` whatever the body holds.
    WmfWriter& rawWithSize(std::uint32_t words, std::uint16_t function, const QByteArray& body) {
        putU32(records_, words);
        putU16(records_, function);
        records_.append(body);
        return *this;
    }
    WmfWriter& createPen(int style, int width, std::uint32_t colour) {
        QByteArray b;
        putU16(b, static_cast<std::uint16_t>(style));
        putU16(b, static_cast<std::uint16_t>(width));
        putU16(b, 0);
        putU32(b, colour);
        return raw(0x02FA, b);
    }
    WmfWriter& createBrush(int style, std::uint32_t colour, int hatch = 0) {
        QByteArray b;
        putU16(b, static_cast<std::uint16_t>(style));
        putU32(b, colour);
        putU16(b, static_cast<std::uint16_t>(hatch));
        return raw(0x02FC, b);
    }
    WmfWriter& createFont(int height, int charset, const QByteArray& face, int escapement = 0) {
        QByteArray b;
        putU16(b, static_cast<std::uint16_t>(height));
        putU16(b, 0);
        putU16(b, static_cast<std::uint16_t>(escapement));
        putU16(b, static_cast<std::uint16_t>(escapement));
        putU16(b, 400);
        b.append(QByteArray(3, '\0'));
        b.append(static_cast<char>(charset));
        b.append(QByteArray(4, '\0'));
        b.append(face);
        b.append('\0');
        return raw(0x02FB, b);
    }
    WmfWriter& textOut(int x, int y, const QByteArray& text) {
        QByteArray b;
        putU16(b, static_cast<std::uint16_t>(text.size()));
        b.append(text);
        if (text.size() % 2) b.append('\0');
        putU16(b, static_cast<std::uint16_t>(y));
        putU16(b, static_cast<std::uint16_t>(x));
        return raw(0x0521, b);
    }
    WmfWriter& selectObject(int index) { return record(0x012D, {index}); }
    WmfWriter& deleteObject(int index) { return record(0x01F0, {index}); }
    WmfWriter& rectangle(int left, int top, int right, int bottom) {
        return record(0x041B, {bottom, right, top, left});
    }
    WmfWriter& moveTo(int x, int y) { return record(0x0214, {y, x}); }
    WmfWriter& lineTo(int x, int y) { return record(0x0213, {y, x}); }
    WmfWriter& windowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfWriter& windowExt(int x, int y) { return record(0x020C, {y, x}); }
    WmfWriter& mapMode(int mode) { return record(0x0103, {mode}); }

    WmfWriter& font(int height, int charset, const QByteArray& face, int escapement, bool underline,
                    bool strikeOut) {
        QByteArray b;
        for (int v : {height, 0, escapement, escapement, 400})
            putU16(b, static_cast<std::uint16_t>(v));
        b.append('\0');
        b.append(static_cast<char>(underline));
        b.append(static_cast<char>(strikeOut));
        b.append(static_cast<char>(charset));
        b.append(QByteArray(4, '\0'));
        b.append(face);
        b.append('\0');
        return raw(0x02FB, b);
    }

    QByteArray plain(int objects = 16, bool withEof = true) const {
        QByteArray out;
        putU16(out, 1);
        putU16(out, 9);
        putU16(out, 0x0300);
        putU32(out, 0);
        putU16(out, static_cast<std::uint16_t>(objects));
        putU32(out, 0);
        putU16(out, 0);
        out.append(records_);
        if (withEof) {
            putU32(out, 3);
            putU16(out, 0);
        }
        return out;
    }
    QByteArray placeable(QRect box, int unitsPerInch, int objects = 16, bool withEof = true) const {
        QByteArray out;
        putU32(out, 0x9AC6CDD7);
        putU16(out, 0);
        putU16(out, static_cast<std::uint16_t>(box.left()));
        putU16(out, static_cast<std::uint16_t>(box.top()));
        putU16(out, static_cast<std::uint16_t>(box.left() + box.width()));
        putU16(out, static_cast<std::uint16_t>(box.top() + box.height()));
        putU16(out, static_cast<std::uint16_t>(unitsPerInch));
        putU32(out, 0);
        putU16(out, 0);  // checksum (not checked)
        return out + plain(objects, withEof);
    }

private:
    QByteArray records_;
};

// The body of an EXTCREATEFONTINDIRECTW record.
inline QByteArray emfFont(std::uint32_t index, int height, const QString& face, int charset = 1,
                          int escapement = 0, bool underline = false, bool strikeOut = false) {
    QByteArray b;
    putU32(b, index);
    putU32(b, static_cast<std::uint32_t>(height));
    putU32(b, 0);  // width
    putU32(b, static_cast<std::uint32_t>(escapement));
    putU32(b, static_cast<std::uint32_t>(escapement));
    putU32(b, 400);
    b.append('\0');
    b.append(static_cast<char>(underline));
    b.append(static_cast<char>(strikeOut));
    b.append(static_cast<char>(charset));
    b.append(QByteArray(4, '\0'));
    for (int i = 0; i < 32; ++i) putU16(b, i < face.size() ? face[i].unicode() : 0);
    return b;
}

// The body of an EXTTEXTOUTW record: the string right after the fixed fields, the advances
// (when given) after it.
inline QByteArray emfTextW(int x, int y, const QString& text, const std::vector<int>& dx,
                           int graphicsMode = 1) {
    const int n = static_cast<int>(text.size());
    const int stringBytes = (2 * n + 3) / 4 * 4;
    QByteArray b;
    for (int i = 0; i < 4; ++i) putU32(b, 0);  // bounds
    putU32(b, static_cast<std::uint32_t>(graphicsMode));
    putU32(b, 0);
    putU32(b, 0);
    putU32(b, static_cast<std::uint32_t>(x));
    putU32(b, static_cast<std::uint32_t>(y));
    putU32(b, static_cast<std::uint32_t>(n));
    putU32(b, 76);
    putU32(b, 0);  // options
    for (int i = 0; i < 4; ++i) putU32(b, 0);
    putU32(b, dx.empty() ? 0 : static_cast<std::uint32_t>(76 + stringBytes));
    QByteArray s;
    for (QChar c : text) putU16(s, c.unicode());
    s.append(QByteArray(stringBytes - s.size(), '\0'));
    b.append(s);
    for (int d : dx) putU32(b, static_cast<std::uint32_t>(d));
    return b;
}

class EmfWriter {
public:
    // frame in 0.01 mm; the reference device is 96 dpi (3780 x 3780 px per 1000 x 1000 mm).
    EmfWriter(QRect frame, std::uint32_t handles = 16, QSize devicePixels = QSize(3780, 3780),
              QSize deviceMm = QSize(1000, 1000))
        : frame_(frame), handles_(handles), devicePixels_(devicePixels), deviceMm_(deviceMm) {}

    EmfWriter& record(std::uint32_t type, std::initializer_list<std::int64_t> params) {
        QByteArray body;
        for (std::int64_t p : params) putU32(body, static_cast<std::uint32_t>(p));
        return raw(type, body);
    }
    EmfWriter& raw(std::uint32_t type, const QByteArray& body) {
        putU32(records_, type);
        putU32(records_, static_cast<std::uint32_t>(8 + body.size()));
        records_.append(body);
        return *this;
    }
    EmfWriter& rawWithSize(std::uint32_t type, std::uint32_t size, const QByteArray& body) {
        putU32(records_, type);
        putU32(records_, size);
        records_.append(body);
        return *this;
    }
    // Records made by another writer, as they are.
    EmfWriter& append(const QByteArray& records) {
        records_.append(records);
        return *this;
    }
    const QByteArray& records() const { return records_; }
    EmfWriter& rectangle(int l, int t, int r, int b) { return record(43, {l, t, r, b}); }
    EmfWriter& selectObject(std::uint32_t index) { return record(37, {index}); }
    EmfWriter& createPen(std::uint32_t index, std::uint32_t style, int width,
                         std::uint32_t colour) {
        return record(38, {index, style, width, 0, colour});
    }
    EmfWriter& createBrush(std::uint32_t index, std::uint32_t style, std::uint32_t colour) {
        return record(39, {index, style, colour, 0});
    }

    // EMF+ records (each with its 12-byte header) in one comment record.
    EmfWriter& plus(const QByteArray& records) {
        QByteArray b;
        putU32(b, static_cast<std::uint32_t>(4 + records.size()));
        putU32(b, 0x2B464D45);
        b.append(records);
        while (b.size() % 4) b.append('\0');
        return raw(70, b);
    }

    // A description (UTF-16) right after the 88 basic header bytes, as many writers place it.
    EmfWriter& description(const QString& text) {
        description_ = text;
        return *this;
    }

    QByteArray finish(bool withEof = true) const {
        QByteArray header;
        for (int v : {0, 0, 100, 100}) putU32(header, static_cast<std::uint32_t>(v));  // bounds
        for (int v : {frame_.left(), frame_.top(), frame_.left() + frame_.width(),
                      frame_.top() + frame_.height()})
            putU32(header, static_cast<std::uint32_t>(v));
        putU32(header, 0x464D4520);
        putU32(header, 0x00010000);
        putU32(header, 0);  // bytes
        putU32(header, 0);  // records
        putU16(header, static_cast<std::uint16_t>(handles_ > 0xFFFF ? 0xFFFF : handles_));
        putU16(header, 0);
        putU32(header, static_cast<std::uint32_t>(description_.size()));
        putU32(header, description_.isEmpty() ? 0 : 88);
        putU32(header, 0);
        putU32(header, static_cast<std::uint32_t>(devicePixels_.width()));
        putU32(header, static_cast<std::uint32_t>(devicePixels_.height()));
        putU32(header, static_cast<std::uint32_t>(deviceMm_.width()));
        putU32(header, static_cast<std::uint32_t>(deviceMm_.height()));
        for (QChar c : description_) putU16(header, c.unicode());
        while (header.size() % 4) header.append('\0');
        QByteArray out;
        putU32(out, 1);
        putU32(out, static_cast<std::uint32_t>(8 + header.size()));
        out.append(header);
        out.append(records_);
        if (withEof) {
            putU32(out, 14);
            putU32(out, 20);
            putU32(out, 0);
            putU32(out, 16);
            putU32(out, 20);
        }
        return out;
    }

private:
    QRect frame_;
    std::uint32_t handles_;
    QSize devicePixels_;
    QSize deviceMm_;
    QString description_;
    QByteArray records_;
};

// One EMF+ record: type, flags, sizes and data (padded to four bytes).
inline QByteArray plusRecord(std::uint16_t type, std::uint16_t flags, QByteArray data = {}) {
    while (data.size() % 4) data.append('\0');
    QByteArray b;
    putU16(b, type);
    putU16(b, flags);
    putU32(b, static_cast<std::uint32_t>(12 + data.size()));
    putU32(b, static_cast<std::uint32_t>(data.size()));
    return b + data;
}

inline void putF32(QByteArray& b, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(b, bits);
}

inline QByteArray floats(std::initializer_list<float> values) {
    QByteArray b;
    for (float v : values) putF32(b, v);
    return b;
}

inline QByteArray words(std::initializer_list<std::uint32_t> values) {
    QByteArray b;
    for (std::uint32_t v : values) putU32(b, v);
    return b;
}

// The EMF+ header of an EMF+ only file (`dual` false) or a dual one, at 96 dpi.
inline QByteArray plusHeader(bool dual) {
    return plusRecord(0x4001, dual ? 1 : 0, words({0xDBC01002, 1, 96, 96}));
}

}  // namespace zarovia::picture::metafile::test
