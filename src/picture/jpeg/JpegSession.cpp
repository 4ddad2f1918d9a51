#include "picture/jpeg/JpegSession.h"

#include <jerror.h>

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

}  // namespace

JpegSession::JpegSession(const QByteArray& bytes) {
    info_.err = jpeg_std_error(&errors_.pub);
    errors_.pub.error_exit = &JpegSession::onFatalError;
    errors_.pub.emit_message = &JpegSession::onMessage;
    SourceBytes source{reinterpret_cast<const unsigned char*>(bytes.constData()),
                       static_cast<unsigned long>(bytes.size())};
    created_ = true;
    if (run(&createAndAttach, &source) != 0) return;
    info_.mem->max_memory_to_use = kMaxLibjpegMemory;
    progress_.pub.progress_monitor = &JpegSession::onProgress;
    info_.progress = &progress_.pub;
}

JpegSession::~JpegSession() {
    // Safe after a failed creation too: libjpeg checks for its memory manager.
    if (created_) jpeg_destroy_decompress(&info_);
}

int JpegSession::run(Step step, void* context) noexcept {
    if (failure_ != 0) return failure_;
    if (setjmp(errors_.jump) != 0) {
        failure_ = errors_.pub.msg_code != 0 ? errors_.pub.msg_code : JERR_BAD_STATE;
        return failure_;
    }
    step(&info_, context);
    return 0;
}

void JpegSession::onFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

void JpegSession::onMessage(j_common_ptr, int) {}

void JpegSession::onProgress(j_common_ptr info) {
    if (!info->is_decompressor) return;
    limitScans(reinterpret_cast<j_decompress_ptr>(info));
}

void JpegSession::limitScans(j_decompress_ptr info) {
    if (info->input_scan_number > kMaxProgressiveScans)
        ERREXIT4(info, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
}

}  // namespace zarovia::picture::jpeg
