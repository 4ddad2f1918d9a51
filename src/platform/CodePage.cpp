#include "CodePage.h"

#include "Cancellation.h"

#include <QStringDecoder>

namespace zarovia {

namespace {

// Length of the UTF-8 sequence starting at bytes[i], or 0 when it is not valid; sets *cut when
// the sequence would be valid but runs past the end.
int utf8SequenceLength(const QByteArray& bytes, qsizetype i, bool* cut) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    int len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    for (int k = 1; k < len; ++k) {
        if (i + k >= bytes.size()) {
            *cut = true;
            return 0;
        }
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        const unsigned char l = (k == 1) ? lo : 0x80;
        const unsigned char h = (k == 1) ? hi : 0xBF;
        if (b < l || b > h) return 0;
    }
    return len;
}

const char* codecName(int codePage) {
    switch (codePage) {
        case 932:
            return "windows-31j";
        case 936:
            return "GBK";
        case 949:
            return "windows-949";
        case 950:
            return "Big5";
        case 874:
            return "windows-874";
        case 1250:
            return "windows-1250";
        case 1251:
            return "windows-1251";
        case 1252:
            return "windows-1252";
        case 1253:
            return "windows-1253";
        case 1254:
            return "windows-1254";
        case 1255:
            return "windows-1255";
        case 1256:
            return "windows-1256";
        case 1257:
            return "windows-1257";
        case 1258:
            return "windows-1258";
        case 437:
            return "IBM437";
        case 850:
            return "IBM850";
        case 10000:
            return "macintosh";
        case 65001:
            return "UTF-8";
        default:
            return nullptr;
    }
}

// A document of many megabytes is checked in pieces of this size, with a checkpoint between
// them, so that a load the user has left stops soon.
constexpr qsizetype kBytesBetweenCheckpoints = 1 << 20;

}  // namespace

bool isValidUtf8(const QByteArray& bytes, bool allowCutTail) {
    qsizetype i = 0;
    qsizetype nextCheckpoint = kBytesBetweenCheckpoints;
    while (i < bytes.size()) {
        if (i >= nextCheckpoint) {
            checkpoint();
            nextCheckpoint += kBytesBetweenCheckpoints;
        }
        bool cut = false;
        const int len = utf8SequenceLength(bytes, i, &cut);
        if (len == 0) return cut && allowCutTail;
        i += len;
    }
    return true;
}

QString decodeFileName(const QByteArray& name) {
    if (isValidUtf8(name)) return QString::fromUtf8(name);
    return decodeCodePage(name, 932);
}

QString decodeDocumentText(const QByteArray& bytes, bool allowCutTail) {
    if (isValidUtf8(bytes, allowCutTail)) {
        QByteArray body = bytes;
        if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
        // Drop a sequence cut by the end: it cannot be shown.
        qsizetype i = 0;
        qsizetype nextCheckpoint = kBytesBetweenCheckpoints;
        while (i < body.size()) {
            if (i >= nextCheckpoint) {
                checkpoint();
                nextCheckpoint += kBytesBetweenCheckpoints;
            }
            bool cut = false;
            const int len = utf8SequenceLength(body, i, &cut);
            if (len == 0) {
                body.truncate(i);
                break;
            }
            i += len;
        }
        return QString::fromUtf8(body);
    }
    return decodeCodePage(bytes, 932);
}

QString decodeCodePage(const QByteArray& bytes, int codePage) {
    const char* name = codecName(codePage);
    QStringDecoder decoder(name ? name : "windows-1252");
    if (!decoder.isValid()) decoder = QStringDecoder("windows-1252");
    return decoder.decode(bytes);
}

bool isLeadByte(unsigned char byte, int codePage) {
    switch (codePage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
    }
}

int codePageForCharset(int charset) {
    switch (charset) {
        case 0:
            return 1252;  // ANSI
        case 77:
            return 10000;  // Mac
        case 128:
            return 932;  // Shift-JIS
        case 129:
            return 949;  // Hangul
        case 134:
            return 936;  // GB2312
        case 136:
            return 950;  // Big5
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Russian
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Eastern Europe
        case 254:
            return 437;  // PC 437
        default:
            return 0;
    }
}

}  // namespace zarovia
