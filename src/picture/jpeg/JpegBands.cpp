#include "picture/jpeg/JpegBands.h"

#include "picture/MemoryBudget.h"

#include "picture/jpeg/DecodeThreads.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/JpegSession.h"
#include "picture/jpeg/RestartLayout.h"
#include "picture/jpeg/RowDownscaler.h"
#include "platform/Cancellation.h"

#include <jerror.h>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace zarovia::picture::jpeg {

namespace {

// Where a band's rows go as libjpeg hands them over: the rows of context above are passed by,
// then its own rows are copied into the picture or shrunk into it. Holds nothing with a
// destructor: it is called inside the decoder.
struct BandRows {
    int contextLeft = 0;
    int ownLeft = 0;
    int delivered = 0;
    uchar* bits = nullptr;  // not shrinking: the picture's rows, from the band's first
    qsizetype bytesPerLine = 0;
    qsizetype rowBytes = 0;
    RowDownscaler* scaler = nullptr;
};

void takeBandRows(void* context, const uchar* rows, qsizetype bytesPerLine, int count) {
    auto& band = *static_cast<BandRows*>(context);
    for (int i = 0; i < count; ++i) {
        if (band.contextLeft > 0) {
            --band.contextLeft;
            continue;
        }
        if (band.ownLeft == 0) return;
        const uchar* row = rows + static_cast<qsizetype>(i) * bytesPerLine;
        if (band.scaler != nullptr)
            band.scaler->addRow(reinterpret_cast<const QRgb*>(row));
        else
            std::memcpy(band.bits + static_cast<qsizetype>(band.delivered) * band.bytesPerLine, row,
                        static_cast<std::size_t>(band.rowBytes));
        --band.ownLeft;
        ++band.delivered;
    }
}

struct BandSetup {
    int scaleDenominator;
    J_COLOR_SPACE outputColour;
};

void startBand(j_decompress_ptr info, void* context) {
    const auto* setup = static_cast<const BandSetup*>(context);
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(setup->scaleDenominator);
    info->out_color_space = setup->outputColour;
    jpeg_start_decompress(info);
}

// One band's decoder, the buffers it reads into and where its rows go.
struct Band {
    BandRange range;
    QByteArray head;
    std::unique_ptr<JpegSession> session;
    QImage buffer;
    std::vector<unsigned char> cmykRows;
    std::unique_ptr<RowDownscaler> scaler;
    BandRows rows;
    RowTarget target{};
    int outputFirst = 0;  // its first own row in the whole picture's output
    bool cancelled = false;

    void decodeRows() {
        try {
            session->run(&readRows, &target);
        } catch (const WorkCancelled&) {
            cancelled = true;
        }
    }
    // libjpeg's code when the band ended early, else 0.
    int failureCode() const {
        const int code = session->failureCode();
        if (code == 0 && rows.ownLeft > 0) return JERR_BAD_STATE;
        return code;
    }
};

// Sets up the decoder of `band` over the file and checks that libjpeg sees the band as planned;
// false when it does not (the picture is then decoded on one thread).
bool setUpBand(Band& band, const QByteArray& bytes, const RestartLayout& layout,
               const JpegHeader& header, const BandedDecodeRequest& request, int bandCount,
               QImage& image) {
    const BandRange& range = band.range;
    const int height = layout.codedSize.height();
    const int top = range.decodeFirst * layout.imcuHeight;
    const int bottom = std::min(range.decodeEnd * layout.imcuHeight, height);
    const int bandHeight = bottom - top;
    band.head = bytes.left(layout.dataStart);
    band.head[layout.sofHeightOffset] = static_cast<char>(bandHeight >> 8);
    band.head[layout.sofHeightOffset + 1] = static_cast<char>(bandHeight & 0xFF);
    const BandInput input{&band.head,
                          reinterpret_cast<const unsigned char*>(bytes.constData()) + range.offset,
                          static_cast<std::size_t>(bytes.size() - range.offset), range.segment};
    // The file's bytes and libjpeg's buffers share the decode's working memory.
    const std::int64_t libjpegShare =
        (kDecodeWorkingBudgetBytes - static_cast<std::int64_t>(bytes.size())) / bandCount;
    band.session = std::make_unique<JpegSession>(input, libjpegShare);
    BandSetup setup{request.scaleDenominator, outputColourFor(header.colour)};
    if (band.session->failureCode() != 0 || band.session->run(&startBand, &setup) != 0)
        return false;

    const jpeg_decompress_struct& info = band.session->info();
    const int d = request.scaleDenominator;
    const int rowsPerImcu = layout.imcuHeight / d;
    const int outputHeight = (bandHeight + d - 1) / d;
    if (static_cast<int>(info.output_width) != request.output.width() ||
        static_cast<int>(info.output_height) != outputHeight ||
        info.max_v_samp_factor * DCTSIZE != layout.imcuHeight || info.restart_interval == 0 ||
        info.progressive_mode || info.arith_code || info.buffered_image ||
        info.comps_in_scan != info.num_components)
        return false;

    band.outputFirst = range.ownFirst * rowsPerImcu;
    const int ownEnd =
        range.ownEnd == layout.imcuRows ? request.output.height() : range.ownEnd * rowsPerImcu;
    band.rows.contextLeft = (range.ownFirst - range.decodeFirst) * rowsPerImcu;
    band.rows.ownLeft = ownEnd - band.outputFirst;
    if (band.rows.ownLeft <= 0 || band.rows.contextLeft + band.rows.ownLeft > outputHeight)
        return false;

    band.buffer = QImage(request.output.width(), kRowsPerRead, QImage::Format_RGB32);
    bool rowsOk = false;
    band.cmykRows = cmykRowBuffer(header, request.output.width(), rowsOk);
    if (band.buffer.isNull() || !rowsOk) return false;
    if (request.kept != request.output) {
        band.scaler = std::make_unique<RowDownscaler>(request.output, image, band.outputFirst);
        band.rows.scaler = band.scaler.get();
    } else {
        band.rows.bits =
            image.bits() + static_cast<qsizetype>(band.outputFirst) * image.bytesPerLine();
        band.rows.bytesPerLine = image.bytesPerLine();
        band.rows.rowBytes = static_cast<qsizetype>(request.output.width()) * 4;
    }
    band.target = rowTargetFor(band.buffer, header, band.cmykRows);
    band.target.height = static_cast<JDIMENSION>(band.rows.contextLeft + band.rows.ownLeft);
    band.target.sink = &takeBandRows;
    band.target.sinkContext = &band.rows;
    return true;
}

// Decodes every band, the first on this thread and the others each on a thread of its own,
// and waits for all of them. A band whose thread cannot be started is decoded here after.
void decodeSideBySide(std::vector<Band>& bands) {
    const std::function<bool()> wanted = stillWantedHere();
    std::vector<std::thread> threads;
    std::vector<Band*> here{&bands.front()};
    for (std::size_t k = 1; k < bands.size(); ++k) {
        Band* band = &bands[k];
        try {
            threads.emplace_back([band, wanted] {
                const CancellationScope scope(wanted);
                band->decodeRows();
            });
        } catch (const std::system_error&) {
            here.push_back(band);
        }
    }
    for (Band* band : here) band->decodeRows();
    for (std::thread& thread : threads) thread.join();
}

// Writes the output rows that two or more bands shrank parts of, top down, as far as the bands
// got before the first that failed (`last`).
void joinSharedRows(std::vector<Band>& bands, std::size_t last, bool lastFailed) {
    std::vector<const std::vector<std::uint32_t>*> parts;
    int carried = -1;
    for (std::size_t k = 0; k <= last; ++k) {
        RowDownscaler& scaler = *bands[k].scaler;
        const bool failed = lastFailed && k == last;
        if (carried >= 0) {
            const RowDownscaler::PartialRow leading = scaler.leading();
            if (leading.row == carried) {
                parts.push_back(leading.sums);
                scaler.joinRows(carried, parts);
                parts.clear();
                carried = -1;
            } else if (!failed) {
                // The band began and ended inside the row: its part goes on to the next band.
                const RowDownscaler::PartialRow trailing = scaler.trailing();
                if (trailing.row == carried) parts.push_back(trailing.sums);
                continue;
            }
        }
        if (failed) return;
        const RowDownscaler::PartialRow trailing = scaler.trailing();
        if (trailing.row >= 0) {
            carried = trailing.row;
            parts.assign(1, trailing.sums);
        }
    }
}

// Hands over `read` (what was read before), then goes on with `rest`.
ChunkReader replayThen(QByteArray read, ChunkReader rest) {
    auto first = std::make_shared<QByteArray>(std::move(read));
    return [first, rest = std::move(rest)]() -> QByteArray {
        if (!first->isEmpty()) {
            QByteArray piece;
            piece.swap(*first);
            return piece;
        }
        return rest();
    };
}

}  // namespace

bool mayDecodeInBands(const JpegHeader& header) {
    const long long pixels =
        static_cast<long long>(header.codedSize.width()) * header.codedSize.height();
    return decodeThreads() >= 2 && !header.progressive && header.restartInterval > 0 &&
           pixels >= minBandedPixels();
}

JpegInput inputForBands(const JpegInput& input) {
    if (!input.chunks) return input;
    const qsizetype most = static_cast<qsizetype>(kDecodeWorkingBudgetBytes / 2);
    QByteArray read;
    for (;;) {
        QByteArray piece;
        try {
            piece = input.chunks();
        } catch (const WorkCancelled&) {
            throw;
        } catch (...) {
            // The decode meets the failure where it would have met it.
            return JpegInput(
                replayThen(std::move(read), [error = std::current_exception()]() -> QByteArray {
                    std::rethrow_exception(error);
                }));
        }
        if (piece.isEmpty()) return JpegInput(std::move(read));
        if (read.size() > most - piece.size()) {
            read += piece;
            return JpegInput(replayThen(std::move(read), input.chunks));
        }
        read += piece;
    }
}

std::optional<DecodedJpeg> decodeInBands(const JpegInput& input, const JpegHeader& header,
                                         const BandedDecodeRequest& request) {
    const int threads = decodeThreads();
    const QByteArray& bytes = input.bytes;
    if (!mayDecodeInBands(header) || input.chunks || bytes.isEmpty() ||
        bytes.size() >= kDecodeWorkingBudgetBytes)
        return std::nullopt;
    const std::optional<RestartLayout> layout = readRestartLayout(bytes);
    if (!layout || layout->codedSize != header.codedSize) return std::nullopt;
    const std::vector<BandRange> plan = planBands(*layout, threads);
    if (plan.size() < 2) return std::nullopt;

    QImage image(request.kept, QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    std::vector<Band> bands(plan.size());
    for (std::size_t k = 0; k < plan.size(); ++k) {
        bands[k].range = plan[k];
        if (!setUpBand(bands[k], bytes, *layout, header, request, static_cast<int>(plan.size()),
                       image))
            return std::nullopt;
    }
    decodeSideBySide(bands);
    for (const Band& band : bands)
        if (band.cancelled) throw WorkCancelled{};

    DecodedJpeg result;
    result.bands = static_cast<int>(bands.size());
    for (const Band& band : bands) result.workingPeakBytes += band.session->workingPeakBytes();
    std::size_t last = bands.size() - 1;
    for (std::size_t k = 0; k < bands.size(); ++k) {
        if (const int code = bands[k].failureCode(); code != 0) {
            result.failureCode = code;
            last = k;
            break;
        }
    }
    const bool failed = result.failureCode != 0;
    if (request.kept != request.output) joinSharedRows(bands, last, failed);
    if (failed) {
        if (!request.keepPartial) return result;
        // Rows the one-thread decode would not have reached are grey, whatever later bands made.
        const Band& band = bands[last];
        fillRowsGrey(image, band.scaler ? band.scaler->finishedRows()
                                        : band.outputFirst + band.rows.delivered);
    }
    result.image = applyOrientation(image, header.orientation);
    return result;
}

}  // namespace zarovia::picture::jpeg
