#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegSession.h"

#include <QImage>
#include <QSize>
#include <vector>

// Reading the scans of a multi-scan picture (progressive, or sequential in several scans) in
// libjpeg's buffered-image mode: every scan goes into the coefficient buffer first, and the
// picture is output from there in one pass over the scans read.
namespace zarovia::picture::jpeg {

struct ScansRead {
    // The scan the output pass shows: the last one read whole.
    int outputScan = 0;
    // libjpeg's message code when reading ended in a fatal error.
    int failureCode = 0;
    // The first look handed over (upright, at the size kept); null when there was none.
    QImage firstLook;
};

// Reads the scans of a session started in buffered-image mode until the input ends or the next
// scan would pass kMaxScanBlockVisits (JpegSession::admitScan). With `firstLook` and a
// progressive picture, the first pass after which every component has its DC coefficients is
// output on the way (no block smoothing) at `kept` (at most `output` each way, in the stored
// orientation), as the finished pass is: at 1/8 its rows shrunk through the row downscaler, at
// larger scales each block's DC spread smoothly over that size; then turned upright and handed
// over before the rest is read. `output` is the session's output size; `cmykRows`
// the row buffer for four-component pictures. Throws WorkCancelled at a checkpoint.
ScansRead readScans(JpegSession& session, const JpegHeader& header, int scaleDenominator,
                    QSize output, QSize kept, std::vector<unsigned char>& cmykRows,
                    const FirstLookSink& firstLook);

// Session steps for the output pass of a buffered-image session (context: the scan number).
void startOutputPass(j_decompress_ptr info, void* scanNumber);
void finishOutputPass(j_decompress_ptr info, void*);

}  // namespace zarovia::picture::jpeg
