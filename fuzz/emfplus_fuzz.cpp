// Feeds arbitrary bytes to the EMF+ player: they are taken as the EMF+ records of an EMF+ only
// file (a 100 x 100 EMF whose comment holds an EMF+ header and then the bytes), so the fuzzer
// works on the records rather than on the EMF around them (see MetafileFuzz.h).

#include "MetafileFuzz.h"
#include "picture/metafile/Metafile.h"

#include <QByteArray>

namespace {

void put32(QByteArray& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

QByteArray emfAround(const std::uint8_t* data, std::size_t size) {
    QByteArray header;
    for (std::uint32_t v : {0u, 0u, 99u, 99u, 0u, 0u, 2646u, 2646u, 0x464D4520u, 0x10000u, 0u, 0u})
        put32(header, v);
    put32(header, 1);  // handles, reserved
    for (std::uint32_t v : {0u, 0u, 0u, 3780u, 3780u, 1000u, 1000u}) put32(header, v);
    QByteArray plus;
    for (std::uint32_t v : {0x00004001u, 28u, 16u, 0xDBC01002u, 1u, 96u, 96u}) put32(plus, v);
    plus.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    while (plus.size() % 4) plus.append('\0');
    QByteArray out;
    put32(out, 1);
    put32(out, static_cast<std::uint32_t>(8 + header.size()));
    out.append(header);
    put32(out, 70);  // EMR_COMMENT
    put32(out, static_cast<std::uint32_t>(16 + plus.size()));
    put32(out, static_cast<std::uint32_t>(4 + plus.size()));
    put32(out, 0x2B464D45);
    out.append(plus);
    for (std::uint32_t v : {14u, 20u, 0u, 16u, 20u}) put32(out, v);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    const QByteArray emf = emfAround(data, size);
    zarovia::fuzz::playMetafile(reinterpret_cast<const std::uint8_t*>(emf.constData()),
                                static_cast<std::size_t>(emf.size()), &zarovia::picture::decodeEmf);
    return 0;
}
