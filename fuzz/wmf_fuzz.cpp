// Feeds arbitrary bytes to the WMF player (see MetafileFuzz.h).

#include "MetafileFuzz.h"
#include "picture/metafile/Metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarovia::fuzz::playMetafile(data, size, &zarovia::picture::decodeWmf);
    return 0;
}
