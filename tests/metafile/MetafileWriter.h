#pragma once

// Builds small metafiles in memory, record by record, for the tests.

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QtEndian>
#include <cstdint>
#include <initializer_list>

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
    EmfWriter& rectangle(int l, int t, int r, int b) { return record(43, {l, t, r, b}); }
    EmfWriter& selectObject(std::uint32_t index) { return record(37, {index}); }
    EmfWriter& createPen(std::uint32_t index, std::uint32_t style, int width,
                         std::uint32_t colour) {
        return record(38, {index, style, width, 0, colour});
    }
    EmfWriter& createBrush(std::uint32_t index, std::uint32_t style, std::uint32_t colour) {
        return record(39, {index, style, colour, 0});
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

}  // namespace zarovia::picture::metafile::test
