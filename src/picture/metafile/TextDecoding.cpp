#include "picture/metafile/TextDecoding.h"

#include "platform/CodePage.h"

#include <array>
#include <cstdint>

namespace zarovia::picture::metafile {

namespace {

struct SymbolRow {
    unsigned char code;
    char16_t unicode;
};

// The symbol font's letters and signs that differ from their ASCII or Latin-1 bytes.
constexpr std::array kSymbolRows{
    SymbolRow{0x22, u'\u2200'}, SymbolRow{0x24, u'\u2203'}, SymbolRow{0x27, u'\u220B'},
    SymbolRow{0x2A, u'\u2217'}, SymbolRow{0x2D, u'\u2212'}, SymbolRow{0x40, u'\u2245'},
    SymbolRow{0x41, u'\u0391'}, SymbolRow{0x42, u'\u0392'}, SymbolRow{0x43, u'\u03A7'},
    SymbolRow{0x44, u'\u0394'}, SymbolRow{0x45, u'\u0395'}, SymbolRow{0x46, u'\u03A6'},
    SymbolRow{0x47, u'\u0393'}, SymbolRow{0x48, u'\u0397'}, SymbolRow{0x49, u'\u0399'},
    SymbolRow{0x4A, u'\u03D1'}, SymbolRow{0x4B, u'\u039A'}, SymbolRow{0x4C, u'\u039B'},
    SymbolRow{0x4D, u'\u039C'}, SymbolRow{0x4E, u'\u039D'}, SymbolRow{0x4F, u'\u039F'},
    SymbolRow{0x50, u'\u03A0'}, SymbolRow{0x51, u'\u0398'}, SymbolRow{0x52, u'\u03A1'},
    SymbolRow{0x53, u'\u03A3'}, SymbolRow{0x54, u'\u03A4'}, SymbolRow{0x55, u'\u03A5'},
    SymbolRow{0x56, u'\u03C2'}, SymbolRow{0x57, u'\u03A9'}, SymbolRow{0x58, u'\u039E'},
    SymbolRow{0x59, u'\u03A8'}, SymbolRow{0x5A, u'\u0396'}, SymbolRow{0x5C, u'\u2234'},
    SymbolRow{0x5E, u'\u22A5'}, SymbolRow{0x61, u'\u03B1'}, SymbolRow{0x62, u'\u03B2'},
    SymbolRow{0x63, u'\u03C7'}, SymbolRow{0x64, u'\u03B4'}, SymbolRow{0x65, u'\u03B5'},
    SymbolRow{0x66, u'\u03C6'}, SymbolRow{0x67, u'\u03B3'}, SymbolRow{0x68, u'\u03B7'},
    SymbolRow{0x69, u'\u03B9'}, SymbolRow{0x6A, u'\u03D5'}, SymbolRow{0x6B, u'\u03BA'},
    SymbolRow{0x6C, u'\u03BB'}, SymbolRow{0x6D, u'\u03BC'}, SymbolRow{0x6E, u'\u03BD'},
    SymbolRow{0x6F, u'\u03BF'}, SymbolRow{0x70, u'\u03C0'}, SymbolRow{0x71, u'\u03B8'},
    SymbolRow{0x72, u'\u03C1'}, SymbolRow{0x73, u'\u03C3'}, SymbolRow{0x74, u'\u03C4'},
    SymbolRow{0x75, u'\u03C5'}, SymbolRow{0x76, u'\u03D6'}, SymbolRow{0x77, u'\u03C9'},
    SymbolRow{0x78, u'\u03BE'}, SymbolRow{0x79, u'\u03C8'}, SymbolRow{0x7A, u'\u03B6'},
    SymbolRow{0x7E, u'\u223C'}, SymbolRow{0xA1, u'\u03D2'}, SymbolRow{0xA2, u'\u2032'},
    SymbolRow{0xA3, u'\u2264'}, SymbolRow{0xA4, u'\u2044'}, SymbolRow{0xA5, u'\u221E'},
    SymbolRow{0xA6, u'\u0192'}, SymbolRow{0xA7, u'\u2663'}, SymbolRow{0xA8, u'\u2666'},
    SymbolRow{0xA9, u'\u2665'}, SymbolRow{0xAA, u'\u2660'}, SymbolRow{0xAB, u'\u2194'},
    SymbolRow{0xAC, u'\u2190'}, SymbolRow{0xAD, u'\u2191'}, SymbolRow{0xAE, u'\u2192'},
    SymbolRow{0xAF, u'\u2193'}, SymbolRow{0xB2, u'\u2033'}, SymbolRow{0xB3, u'\u2265'},
    SymbolRow{0xB4, u'\u00D7'}, SymbolRow{0xB5, u'\u221D'}, SymbolRow{0xB6, u'\u2202'},
    SymbolRow{0xB7, u'\u2022'}, SymbolRow{0xB8, u'\u00F7'}, SymbolRow{0xB9, u'\u2260'},
    SymbolRow{0xBA, u'\u2261'}, SymbolRow{0xBB, u'\u2248'}, SymbolRow{0xBC, u'\u2026'},
    SymbolRow{0xC0, u'\u2135'}, SymbolRow{0xC1, u'\u2111'}, SymbolRow{0xC2, u'\u211C'},
    SymbolRow{0xC3, u'\u2118'}, SymbolRow{0xC4, u'\u2297'}, SymbolRow{0xC5, u'\u2295'},
    SymbolRow{0xC6, u'\u2205'}, SymbolRow{0xC7, u'\u2229'}, SymbolRow{0xC8, u'\u222A'},
    SymbolRow{0xC9, u'\u2283'}, SymbolRow{0xCA, u'\u2287'}, SymbolRow{0xCB, u'\u2284'},
    SymbolRow{0xCC, u'\u2282'}, SymbolRow{0xCD, u'\u2286'}, SymbolRow{0xCE, u'\u2208'},
    SymbolRow{0xCF, u'\u2209'}, SymbolRow{0xD0, u'\u2220'}, SymbolRow{0xD1, u'\u2207'},
    SymbolRow{0xD5, u'\u220F'}, SymbolRow{0xD6, u'\u221A'}, SymbolRow{0xD7, u'\u22C5'},
    SymbolRow{0xD8, u'\u00AC'}, SymbolRow{0xD9, u'\u2227'}, SymbolRow{0xDA, u'\u2228'},
    SymbolRow{0xDB, u'\u21D4'}, SymbolRow{0xDC, u'\u21D0'}, SymbolRow{0xDD, u'\u21D1'},
    SymbolRow{0xDE, u'\u21D2'}, SymbolRow{0xDF, u'\u21D3'}, SymbolRow{0xE0, u'\u25CA'},
    SymbolRow{0xE1, u'\u2329'}, SymbolRow{0xE5, u'\u2211'}, SymbolRow{0xF1, u'\u232A'},
    SymbolRow{0xF2, u'\u222B'},
};

QChar symbolChar(unsigned code) {
    for (const SymbolRow& row : kSymbolRows)
        if (row.code == code) return QChar(row.unicode);
    return QChar(static_cast<char16_t>(code));  // Latin-1 otherwise
}

}  // namespace

QString mapSymbolText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const unsigned u = c.unicode();
        const unsigned code = (u >= 0xF020 && u <= 0xF0FF) ? u - 0xF000 : u;
        if (code >= 0x20 && code <= 0xFF) c = symbolChar(code);
    }
    return out;
}

DecodedText decodeAnsiText(const QByteArray& bytes, int charset, const std::vector<double>& byteDx,
                           bool symbolGlyphs) {
    DecodedText out;
    if (symbolGlyphs) {
        out.text.reserve(bytes.size());
        for (char b : bytes) out.text.append(symbolChar(static_cast<unsigned char>(b)));
        if (!byteDx.empty()) {
            out.dx = byteDx;
            out.dx.resize(static_cast<std::size_t>(out.text.size()), 0.0);
        }
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
