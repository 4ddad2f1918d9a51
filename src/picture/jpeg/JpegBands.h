#pragma once

#include "picture/jpeg/JpegDecode.h"

#include <optional>

// A baseline JPEG with restart markers decoded in horizontal bands side by side, one thread a
// band: each band is decoded by libjpeg from the restart segment that starts it, with one row of
// iMCUs of context above and below for the smooth chroma upsampling, and its own rows go into the
// picture (shrunk as they come out, when it is shown smaller). The joined picture is the same,
// to the bit, as the one-thread decode: each segment starts from the same state there, the rows
// of context make the upsampling see the rows it sees there, and an output row two bands shrink
// into is summed from both bands' exact integer sums. A file damaged or cut short shows as the
// one-thread decode shows it: no band starts after a restart marker out of sequence, so the
// damage lies in the last band, which reads what the one-thread decode reads from there on.
namespace zarovia::picture::jpeg {

struct BandedDecodeRequest {
    int scaleDenominator = 1;
    QSize output;  // libjpeg's output size of the whole picture at that scale
    QSize kept;    // the size it is shrunk to (equal to `output` when not shrunk)
    bool keepPartial = true;
};

// True when a picture of `header` may be decoded in bands: worth reading its file whole for.
bool mayDecodeInBands(const JpegHeader& header);

// The picture decoded in bands, or nullopt when it is not decoded so: the data is not held in
// memory, the picture is progressive or has no restart markers where bands could start, it is
// smaller than minBandedPixels(), decodeThreads() is 1, or a band's decoder does not set up as
// planned. Throws WorkCancelled when the job is no longer wanted.
std::optional<DecodedJpeg> decodeInBands(const JpegInput& input, const JpegHeader& header,
                                         const BandedDecodeRequest& request);

}  // namespace zarovia::picture::jpeg
