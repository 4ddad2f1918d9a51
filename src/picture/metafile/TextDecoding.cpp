#include "picture/metafile/TextDecoding.h"

#include "platform/CodePage.h"

namespace zarovia::picture::metafile {

DecodedText decodeAnsiText(const QByteArray& bytes, int charset, const std::vector<double>& byteDx,
                           SymbolFace face) {
    DecodedText out;
    if (face != SymbolFace::None) {
        // One byte, one code of the face.
        out.dx = byteDx;
        if (!out.dx.empty()) out.dx.resize(static_cast<std::size_t>(bytes.size()), 0.0);
        out.text = mapSymbolFaceText(face, QString::fromLatin1(bytes), &out.dx);
        return out;
    }
    int codePage = codePageForCharset(charset);
    if (codePage == 0) codePage = 1252;
    out.text = decodeCodePage(bytes, codePage);
    if (byteDx.empty()) return out;

    // One advance per character: a double-byte character takes the sum of its two bytes'.
    std::vector<double> perChar;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        double a =
            static_cast<std::size_t>(i) < byteDx.size() ? byteDx[static_cast<std::size_t>(i)] : 0.0;
        if (isLeadByte(static_cast<unsigned char>(bytes[i]), codePage) && i + 1 < bytes.size()) {
            ++i;
            if (static_cast<std::size_t>(i) < byteDx.size())
                a += byteDx[static_cast<std::size_t>(i)];
        }
        perChar.push_back(a);
    }
    // Characters outside the basic plane would take two units; then the advances are dropped.
    if (perChar.size() == static_cast<std::size_t>(out.text.size())) out.dx = std::move(perChar);
    return out;
}

}  // namespace zarovia::picture::metafile
