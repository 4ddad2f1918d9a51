#pragma once

#include "picture/MemoryBudget.h"
#include "picture/jpeg/JpegInput.h"
#include "picture/jpeg/JpegMemory.h"

#include <QByteArray>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <vector>

#include <jpeglib.h>

namespace zarovia::picture::jpeg {

// The most memory libjpeg may take for its own buffers (a progressive picture keeps every
// coefficient until its last scan). A picture that would need more fails with libjpeg's own
// error instead of exhausting the machine.
inline constexpr long kMaxLibjpegMemory = static_cast<long>(kDecodeWorkingBudgetBytes);

// A progressive picture is re-read once per scan; a forged file with thousands of tiny scans
// would otherwise keep the decoder busy for minutes.
inline constexpr int kMaxProgressiveScans = 1000;

// The most block visits the scans of one decode may make: each scan visits every block of the
// components it covers, however little data it holds, so a file of 10 KB can ask for thousands
// of millions (1000 scans over a 12000 x 12000 picture: about 10 s of CPU). Measured, a visit
// costs about 5 ns: the cap is under 0.2 s. The largest multi-scan picture libjpeg's memory
// budget allows, about 3 million blocks, takes some 16 million visits with the usual ten scans,
// a 24 MP 4:2:0 picture 3.4 million. Scans beyond the cap are not read: what the scans before it
// give is shown.
inline constexpr std::int64_t kMaxScanBlockVisits = std::int64_t(32) * 1024 * 1024;

// One libjpeg decompression over bytes held in memory. libjpeg reports a fatal error by
// calling back into us; `run` is the one place that catches it (setjmp), so callers see a
// message code instead of a long jump. Warnings are ignored: the picture shows as far as it
// decodes. Every allocation libjpeg makes is counted against kMaxLibjpegMemory first
// (JpegMemory). The decode stops at its steps' checkpoints when its job is no longer wanted
// (platform/Cancellation.h): run() then throws WorkCancelled.
// The most data a band's source hands libjpeg at a time (each piece is copied to renumber it).
inline constexpr std::size_t kBandPieceBytes = 64 * 1024;

// The input of a band of a picture decoded in bands: a copy of the file's headers (with the
// picture's height made the band's), then the file's entropy-coded data from the band's first
// restart segment on, in pieces. libjpeg numbers the band's restart markers from 0; the band
// hands it every marker renumbered by `firstSegment` (the number of the band's first segment),
// so that each marker differs from the one libjpeg expects exactly as it differs in the whole
// file's decode, and libjpeg takes or resynchronises it the same way.
struct BandInput {
    const QByteArray* head = nullptr;
    ChunkReader rest;
    int firstSegment = 0;
};

class JpegSession {
public:
    // Steps passed to run() must not hold objects with destructors: a fatal error leaves
    // them by a long jump.
    using Step = void (*)(j_decompress_ptr, void* context);

    // Sets up the decompressor over `bytes` (which must outlive the session). A failure here
    // shows in failureCode().
    explicit JpegSession(const QByteArray& bytes);
    // The same over `input` (which must outlive the session): its bytes, or its chunks pulled
    // as libjpeg asks for more. The end of the chunks reads as the end of a truncated file.
    explicit JpegSession(const JpegInput& input);
    // The same with its own share of the memory libjpeg may take (a band of a picture decoded in
    // bands).
    JpegSession(const JpegInput& input, std::int64_t memoryBudget);
    // A band's decode over `band` (whose head must outlive the session), with its own share of
    // the memory libjpeg may take.
    JpegSession(const BandInput& band, std::int64_t memoryBudget);
    ~JpegSession();
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;

    // Runs one step under the error guard; returns 0, or libjpeg's message code when the
    // step ended with a fatal error. After a failure the session stays failed. Throws
    // WorkCancelled when the step stopped at a checkpoint.
    int run(Step step, void* context);

    int failureCode() const noexcept { return failure_; }
    // Ends the step with libjpeg's "bad progression" error once the input has passed
    // kMaxProgressiveScans scans. The progress monitor calls it; a loop over
    // jpeg_consume_input, which reports no progress, must call it after each call.
    static void limitScans(j_decompress_ptr info);
    // Ends the step when the job is no longer wanted (run() throws WorkCancelled). For the
    // steps' loops: the progress monitor and the chunk reader call it too.
    static void checkpoint(j_decompress_ptr info);
    // Counts the blocks of the scan being read, once per scan; false (and nothing counted) when
    // reading it would take the decode past kMaxScanBlockVisits. Loops over jpeg_consume_input
    // call it before each call.
    static bool admitScan(j_decompress_ptr info);
    jpeg_decompress_struct& info() noexcept { return info_; }

    // What the decode has cost so far: block visits of the scans admitted, whether a scan was
    // refused, and the most memory libjpeg held at once.
    std::int64_t blockVisits() const noexcept { return blockVisits_; }
    bool stoppedAtWorkCap() const noexcept { return stoppedAtCap_; }
    std::int64_t workingPeakBytes() const { return memory_.peakBytes(); }

private:
    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        JpegSession* session;
    };
    static JpegSession& of(j_decompress_ptr info);
    struct ProgressMonitor {
        jpeg_progress_mgr pub;
    };
    // A source that pulls the file's chunks one at a time, holding only the current one.
    struct PulledSource {
        jpeg_source_mgr pub;
        const ChunkReader* next = nullptr;
        QByteArray chunk;
        bool ended = false;
        bool cancelled = false;  // the reader stopped at a checkpoint
        bool pull() noexcept;
    };
    // A band's source: its head, then the file's data pulled as from chunks.
    struct BandSource {
        PulledSource pulled;  // first: libjpeg's source is its `pub`
        const QByteArray* head = nullptr;
        bool headGiven = false;
        int firstSegment = 0;
        qsizetype chunkUsed = 0;  // of pulled.chunk, handed over renumbered
        std::vector<unsigned char> renumbered;
        bool afterFF = false;  // the last byte handed over began a marker
    };
    static boolean fillBand(j_decompress_ptr info);
    static boolean fillFromChunks(j_decompress_ptr info);
    static void skipInChunks(j_decompress_ptr info, long count);
    void setUp(const QByteArray* bytes, const ChunkReader* chunks, const BandInput* band = nullptr);
    void attachSource(jpeg_source_mgr& source);

    static void onFatalError(j_common_ptr info);
    static void onMessage(j_common_ptr info, int level);
    static void onProgress(j_common_ptr info);

    jpeg_decompress_struct info_{};
    ErrorManager errors_{};
    ProgressMonitor progress_{};
    PulledSource pulled_{};
    BandSource band_{};
    ChunkReader bandRest_;
    std::int64_t memoryBudget_ = kMaxLibjpegMemory;
    JpegMemory memory_{kMaxLibjpegMemory};
    bool created_ = false;
    int failure_ = 0;
    bool cancelled_ = false;
    int countedScan_ = 0;
    std::int64_t blockVisits_ = 0;
    bool stoppedAtCap_ = false;
};

}  // namespace zarovia::picture::jpeg
