// The RTF reader on arbitrary bytes: it must neither crash nor hang nor grow without bound,
// and what it builds must lay out, on a narrow page and again on a wider one.
#include "document/rtf/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace {

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "rtf_fuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(argc, argv);
    return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    application();
    // Every input gets the header, so the fuzzer spends its time inside the reader.
    QByteArray bytes("{\\rtf1 ");
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    zarovia::document::RtfLimits limits;
    limits.maxTextChars = 1 << 20;
    limits.maxPictures = 16;
    limits.maxTotalPictureBytes = 4 << 20;
    limits.maxDecodedPictureBytes = 16 << 20;
    QTextDocument doc;
    zarovia::document::readRtf(bytes, doc, limits);
    if (size < 4096) {
        for (const QSizeF page : {QSizeF(300, 400), QSizeF(900, 1200)}) {
            doc.setPageSize(page);
            (void)doc.pageCount();
        }
    }
    (void)doc.toPlainText();
    // Qt trims its font caches from timers, as the viewer's event loop runs them; without them
    // the cache of every font size ever laid out would grow until the fuzzer's memory limit.
    QCoreApplication::processEvents();
    return 0;
}
