#include "picture/jpeg/JpegSession.h"

#include "platform/Cancellation.h"

#include <jerror.h>
#include <algorithm>
#include <cstring>

namespace zarovia::picture::jpeg {

namespace {

struct SourceBytes {
    const unsigned char* data;
    unsigned long size;
};

void createAndAttach(j_decompress_ptr info, void* context) {
    const auto* source = static_cast<const SourceBytes*>(context);
    jpeg_create_decompress(info);
    // An empty buffer makes libjpeg fail with its own "empty input" code.
    jpeg_mem_src(info, source->data, source->size);
}

void create(j_decompress_ptr info, void*) {
    jpeg_create_decompress(info);
}

void noSourceStep(j_decompress_ptr) {}

// What libjpeg's own file source hands over at the end of the data: an end-of-image marker, so
// that a truncated file shows as far as it goes.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

}  // namespace

JpegSession::JpegSession(const QByteArray& bytes) {
    setUp(&bytes, nullptr);
}

JpegSession::JpegSession(const JpegInput& input) {
    if (input.chunks)
        setUp(nullptr, &input.chunks);
    else
        setUp(&input.bytes, nullptr);
}

JpegSession::JpegSession(const JpegInput& input, std::int64_t memoryBudget)
    : memoryBudget_(memoryBudget), memory_(memoryBudget) {
    if (input.chunks)
        setUp(nullptr, &input.chunks);
    else
        setUp(&input.bytes, nullptr);
}

JpegSession::JpegSession(const BandInput& band, std::int64_t memoryBudget)
    : memoryBudget_(memoryBudget), memory_(memoryBudget) {
    setUp(nullptr, nullptr, &band);
}

void JpegSession::attachSource(jpeg_source_mgr& source) {
    source.init_source = &noSourceStep;
    source.skip_input_data = &JpegSession::skipInChunks;
    source.resync_to_restart = &jpeg_resync_to_restart;
    source.term_source = &noSourceStep;
    source.next_input_byte = nullptr;
    source.bytes_in_buffer = 0;
    info_.src = &source;
}

void JpegSession::setUp(const QByteArray* bytes, const ChunkReader* chunks, const BandInput* band) {
    info_.err = jpeg_std_error(&errors_.pub);
    errors_.session = this;
    errors_.pub.error_exit = &JpegSession::onFatalError;
    errors_.pub.emit_message = &JpegSession::onMessage;
    created_ = true;
    if (bytes) {
        SourceBytes source{reinterpret_cast<const unsigned char*>(bytes->constData()),
                           static_cast<unsigned long>(bytes->size())};
        if (run(&createAndAttach, &source) != 0) return;
    } else if (band) {
        if (run(&create, nullptr) != 0) return;
        bandRest_ = band->rest;
        band_.pulled.next = &bandRest_;
        band_.head = band->head;
        band_.firstSegment = band->firstSegment;
        band_.renumbered.resize(kBandPieceBytes);
        attachSource(band_.pulled.pub);
        band_.pulled.pub.fill_input_buffer = &JpegSession::fillBand;
    } else {
        if (run(&create, nullptr) != 0) return;
        pulled_.next = chunks;
        attachSource(pulled_.pub);
        pulled_.pub.fill_input_buffer = &JpegSession::fillFromChunks;
    }
    memory_.install(reinterpret_cast<j_common_ptr>(&info_));
    info_.mem->max_memory_to_use = static_cast<long>(memoryBudget_);
    progress_.pub.progress_monitor = &JpegSession::onProgress;
    info_.progress = &progress_.pub;
}

bool JpegSession::PulledSource::pull() noexcept {
    try {
        chunk = (*next)();
        return true;
    } catch (const WorkCancelled&) {
        cancelled = true;
        chunk.clear();
        return false;
    } catch (...) {
        chunk.clear();
        return false;
    }
}

// Called by libjpeg when the current chunk is used up. Holds no object with a destructor
// across the error exit (a long jump).
boolean JpegSession::fillFromChunks(j_decompress_ptr info) {
    auto* source = reinterpret_cast<PulledSource*>(info->src);
    if (!source->ended && !source->pull()) {
        if (source->cancelled) of(info).cancelled_ = true;
        ERREXIT(info, JERR_FILE_READ);
    }
    if (source->ended || source->chunk.isEmpty()) {
        source->ended = true;
        WARNMS(info, JWRN_JPEG_EOF);
        source->pub.next_input_byte = kEndOfImage;
        source->pub.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    source->pub.next_input_byte = reinterpret_cast<const JOCTET*>(source->chunk.constData());
    source->pub.bytes_in_buffer = static_cast<size_t>(source->chunk.size());
    return TRUE;
}

namespace {

// Copies `count` bytes of entropy-coded data to `out`, renumbering every restart marker by
// `shift`. Reads as libjpeg's decoder does: 0xFF, any fill 0xFF bytes, then a code (0: a data
// byte); `afterFF` carries a marker begun at the end of one piece into the next.
void renumberRestarts(const unsigned char* in, std::size_t count, unsigned char* out, int shift,
                      bool& afterFF) {
    std::memcpy(out, in, count);
    std::size_t at = 0;
    while (at < count) {
        if (!afterFF) {
            const void* found = std::memchr(out + at, 0xFF, count - at);
            if (found == nullptr) return;
            at = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - out) + 1;
            afterFF = true;
            continue;
        }
        const unsigned char code = out[at];
        if (code != 0xFF) {
            afterFF = false;
            if (code >= JPEG_RST0 && code <= JPEG_RST0 + 7)
                out[at] = static_cast<unsigned char>(JPEG_RST0 + ((code - JPEG_RST0 - shift) & 7));
        }
        ++at;
    }
}

}  // namespace

// Hands over the band's head, then the file's data renumbered piece by piece, then (as a file
// cut short gets) an end marker. Holds no object with a destructor across the error exit.
boolean JpegSession::fillBand(j_decompress_ptr info) {
    auto* source = reinterpret_cast<BandSource*>(info->src);
    jpeg_source_mgr& pub = source->pulled.pub;
    if (!source->headGiven) {
        source->headGiven = true;
        if (source->head != nullptr && !source->head->isEmpty()) {
            pub.next_input_byte = reinterpret_cast<const JOCTET*>(source->head->constData());
            pub.bytes_in_buffer = static_cast<size_t>(source->head->size());
            return TRUE;
        }
    }
    PulledSource& pulled = source->pulled;
    if (source->chunkUsed >= pulled.chunk.size() && !pulled.ended) {
        if (!pulled.pull()) {
            if (pulled.cancelled) of(info).cancelled_ = true;
            ERREXIT(info, JERR_FILE_READ);
        }
        source->chunkUsed = 0;
        if (pulled.chunk.isEmpty()) pulled.ended = true;
    }
    if (pulled.ended) {
        WARNMS(info, JWRN_JPEG_EOF);
        pub.next_input_byte = kEndOfImage;
        pub.bytes_in_buffer = sizeof kEndOfImage;
        return TRUE;
    }
    const std::size_t count =
        std::min(source->renumbered.size(),
                 static_cast<std::size_t>(pulled.chunk.size() - source->chunkUsed));
    renumberRestarts(
        reinterpret_cast<const unsigned char*>(pulled.chunk.constData()) + source->chunkUsed, count,
        source->renumbered.data(), source->firstSegment, source->afterFF);
    source->chunkUsed += static_cast<qsizetype>(count);
    pub.next_input_byte = source->renumbered.data();
    pub.bytes_in_buffer = count;
    return TRUE;
}

void JpegSession::skipInChunks(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = info->src;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        (void)(*source->fill_input_buffer)(info);  // at the end: the end marker, again and again
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

JpegSession::~JpegSession() {
    // Safe after a failed creation too: libjpeg checks for its memory manager.
    if (created_) jpeg_destroy_decompress(&info_);
}

int JpegSession::run(Step step, void* context) {
    if (cancelled_) throw WorkCancelled{};
    if (failure_ != 0) return failure_;
    if (setjmp(errors_.jump) != 0) {
        failure_ = errors_.pub.msg_code != 0 ? errors_.pub.msg_code : JERR_BAD_STATE;
        // Out of the long jump, back in this frame: the cancellation may unwind from here.
        if (cancelled_) throw WorkCancelled{};
        return failure_;
    }
    step(&info_, context);
    return 0;
}

JpegSession& JpegSession::of(j_decompress_ptr info) {
    return *reinterpret_cast<ErrorManager*>(info->err)->session;
}

void JpegSession::onFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

void JpegSession::onMessage(j_common_ptr, int) {}

void JpegSession::onProgress(j_common_ptr info) {
    if (!info->is_decompressor) return;
    const auto decompress = reinterpret_cast<j_decompress_ptr>(info);
    checkpoint(decompress);
    limitScans(decompress);
}

void JpegSession::checkpoint(j_decompress_ptr info) {
    if (!cancellationRequested()) return;
    // A C++ exception must not pass through libjpeg's frames: the step ends by libjpeg's own
    // long jump, and run() throws once it is back in C++.
    of(info).cancelled_ = true;
    ERREXIT(info, JERR_BAD_STATE);
}

namespace {

// The blocks a scan visits: every block of its component, or every MCU of the picture when
// it interleaves several.
std::int64_t blocksInScan(const jpeg_decompress_struct& info) {
    if (info.comps_in_scan <= 0) return 0;
    if (info.comps_in_scan == 1) {
        const jpeg_component_info* c = info.cur_comp_info[0];
        return std::int64_t(c->width_in_blocks) * std::int64_t(c->height_in_blocks);
    }
    const std::int64_t mcuWidth = std::int64_t(info.max_h_samp_factor) * DCTSIZE;
    const std::int64_t mcuHeight = std::int64_t(info.max_v_samp_factor) * DCTSIZE;
    const std::int64_t mcus = ((info.image_width + mcuWidth - 1) / mcuWidth) *
                              ((info.image_height + mcuHeight - 1) / mcuHeight);
    std::int64_t perMcu = 0;
    for (int i = 0; i < info.comps_in_scan; ++i)
        perMcu += std::int64_t(info.cur_comp_info[i]->h_samp_factor) *
                  info.cur_comp_info[i]->v_samp_factor;
    return mcus * perMcu;
}

}  // namespace

bool JpegSession::admitScan(j_decompress_ptr info) {
    JpegSession& session = of(info);
    if (info->input_scan_number <= session.countedScan_) return true;
    const std::int64_t blocks = blocksInScan(*info);
    if (session.blockVisits_ + blocks > kMaxScanBlockVisits) {
        session.stoppedAtCap_ = true;
        return false;
    }
    session.blockVisits_ += blocks;
    session.countedScan_ = info->input_scan_number;
    return true;
}

void JpegSession::limitScans(j_decompress_ptr info) {
    if (info->input_scan_number > kMaxProgressiveScans)
        ERREXIT4(info, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
}

}  // namespace zarovia::picture::jpeg
