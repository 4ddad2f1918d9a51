#pragma once

#include "platform/SymbolFonts.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace zarovia::picture::metafile {

struct DecodedText {
    QString text;
    std::vector<double> dx;  // per UTF-16 unit; empty when the bytes had none
};

// Text bytes of a WMF or ANSI EMF record in the code page of the font's character set; the
// advances given per byte are summed per character. Bytes of a symbol face become the
// Unicode characters its glyphs show.
DecodedText decodeAnsiText(const QByteArray& bytes, int charset, const std::vector<double>& byteDx,
                           SymbolFace face = SymbolFace::None);

}  // namespace zarovia::picture::metafile
