#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace zarovia::picture::metafile {

struct DecodedText {
    QString text;
    std::vector<double> dx;  // per UTF-16 unit; empty when the bytes had none
};

// Text bytes of a WMF or ANSI EMF record in the code page of the font's character set; the
// advances given per byte are summed per character. Bytes of the Symbol face become the
// Unicode characters its glyphs show.
DecodedText decodeAnsiText(const QByteArray& bytes, int charset, const std::vector<double>& byteDx,
                           bool symbolGlyphs = false);

// Symbol-font text stored as UTF-16 (directly or in the U+F000 private area) becomes the
// Unicode characters the glyphs show.
QString mapSymbolText(const QString& text);

}  // namespace zarovia::picture::metafile
