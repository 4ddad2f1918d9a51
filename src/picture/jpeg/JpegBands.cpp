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
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zarovia::picture::jpeg {

namespace {

// Where a band's rows go as libjpeg hands them over, counted from the first row it decodes: the
// rows of context above its own are passed by, then its own rows are copied into the picture or
// shrunk into it. Holds nothing with a destructor: it is called inside the decoder.
struct BandRows {
    int contextRows = 0;
    int ownEnd = 0;  // the row after its own rows
    int nextRow = 0;
    int delivered = 0;
    uchar* bits = nullptr;  // not shrinking: the picture's rows, from the band's first own row
    qsizetype bytesPerLine = 0;
    qsizetype rowBytes = 0;
    RowDownscaler* scaler = nullptr;
};

void takeBandRows(void* context, const uchar* rows, qsizetype bytesPerLine, int count) {
    auto& band = *static_cast<BandRows*>(context);
    for (int i = 0; i < count; ++i) {
        const int row = band.nextRow++;
        if (row < band.contextRows || row >= band.ownEnd) continue;
        const uchar* pixels = rows + static_cast<qsizetype>(i) * bytesPerLine;
        if (band.scaler != nullptr)
            band.scaler->addRow(reinterpret_cast<const QRgb*>(pixels));
        else
            std::memcpy(band.bits + static_cast<qsizetype>(band.delivered) * band.bytesPerLine,
                        pixels, static_cast<std::size_t>(band.rowBytes));
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

// What every band shares: the picture asked for, and the picture its rows go into (its memory
// taken once, on the thread that starts the decode).
struct Shared {
    const JpegHeader& header;
    const BandedDecodeRequest& request;
    QImage& image;
    uchar* bits;
    qsizetype bytesPerLine;
    std::int64_t memoryShare;
};

// One band's decoder, the buffers it reads into and where its rows go.
class Band {
public:
    // Where the band's own rows start in the picture's output, and the rows of context it
    // decodes above them.
    int outputFirst = 0;
    int contextRows = 0;
    QByteArray head;
    std::unique_ptr<JpegSession> session;
    std::unique_ptr<RowDownscaler> scaler;
    BandRows rows;
    bool started = false;
    bool cancelled = false;
    bool ran = false;

    // Made on the thread that starts the decode, whatever thread decodes it.
    explicit Band(const Shared& shared) {
        if (shared.request.kept != shared.request.output)
            scaler = std::make_unique<RowDownscaler>(shared.request.output, shared.image, 0);
    }

    // Sets the decoder up and checks that libjpeg sees the band as planned: the picture's
    // width, and `outputRows` rows from its first decoded row to the picture's bottom. False
    // (with failureCode() when libjpeg failed) when it does not.
    bool start(const Shared& shared, int outputRows) {
        BandSetup setup{shared.request.scaleDenominator, outputColourFor(shared.header.colour)};
        if (session->failureCode() != 0 || session->run(&startBand, &setup) != 0) return false;
        const jpeg_decompress_struct& info = session->info();
        const int width = shared.request.output.width();
        if (static_cast<int>(info.output_width) != width ||
            static_cast<int>(info.output_height) != outputRows || info.buffered_image)
            return false;
        buffer_ = QImage(width, kRowsPerRead, QImage::Format_RGB32);
        bool rowsOk = false;
        cmykRows_ = cmykRowBuffer(shared.header, width, rowsOk);
        if (buffer_.isNull() || !rowsOk) return false;
        rows.contextRows = contextRows;
        ownEnd_ = outputRows;
        if (scaler) {
            scaler->beginAt(outputFirst);
            rows.scaler = scaler.get();
        } else {
            rows.bits = shared.bits + static_cast<qsizetype>(outputFirst) * shared.bytesPerLine;
            rows.bytesPerLine = shared.bytesPerLine;
            rows.rowBytes = static_cast<qsizetype>(width) * 4;
        }
        target_ = rowTargetFor(buffer_, shared.header, cmykRows_);
        target_.sink = &takeBandRows;
        target_.sinkContext = &rows;
        started = true;
        return true;
    }

    // Ends the band's own rows at `row` (counted from its first decoded row): the band below
    // decodes from there. False when the band is reading within `margin` rows of it (it reads
    // a batch at a time) or has passed it.
    bool endOwnRowsAt(int row, int margin) {
        const std::lock_guard lock(mutex_);
        if (reading_ + margin > row || row >= ownEnd_) return false;
        ownEnd_ = row;
        return true;
    }

    // Reads the band's rows batch by batch, each no further than its own rows' end as it stands.
    void decodeRows() {
        ran = true;
        try {
            const jpeg_decompress_struct& info = session->info();
            for (;;) {
                const int first = static_cast<int>(info.output_scanline);
                int end = 0;
                {
                    const std::lock_guard lock(mutex_);
                    reading_ = first;
                    end = ownEnd_;
                }
                if (first >= end) return;
                rows.ownEnd = end;
                target_.height = static_cast<JDIMENSION>(std::min(first + kRowsPerRead, end));
                if (session->run(&readRows, &target_) != 0) return;
            }
        } catch (const WorkCancelled&) {
            cancelled = true;
        }
    }

    // libjpeg's code when the band ended before its own rows did, else 0.
    int failureCode() const {
        const int code = session->failureCode();
        if (code == 0 && rows.delivered < ownEnd_ - contextRows) return JERR_BAD_STATE;
        return code;
    }

private:
    QImage buffer_;
    std::vector<unsigned char> cmykRows_;
    RowTarget target_{};
    std::mutex mutex_;
    int ownEnd_ = 0;
    int reading_ = 0;
};

using Bands = std::vector<std::unique_ptr<Band>>;

int outputRowsPerImcu(const RestartLayout& layout, const BandedDecodeRequest& request) {
    return layout.imcuHeight / request.scaleDenominator;
}

// The head of a band decoded from the row of iMCUs `decodeFirst` on: the file's headers with
// the picture's height made that of the rows from there to the bottom.
QByteArray bandHead(const QByteArray& headers, const RestartLayout& layout, int decodeFirst) {
    const int height = layout.codedSize.height() - decodeFirst * layout.imcuHeight;
    QByteArray head = headers.left(layout.dataStart);
    head[layout.sofHeightOffset] = static_cast<char>(height >> 8);
    head[layout.sofHeightOffset + 1] = static_cast<char>(height & 0xFF);
    return head;
}

// Sets up a band after the first, decoded from `start` (the row start just above its own rows)
// over `rest` (the file's data from there on).
bool startLaterBand(Band& band, const Shared& shared, const QByteArray& headers,
                    const RestartLayout& layout, const RowStart& start, ChunkReader rest) {
    const int perImcu = outputRowsPerImcu(layout, shared.request);
    band.head = bandHead(headers, layout, start.imcuRow);
    band.outputFirst = (start.imcuRow + 1) * perImcu;
    band.contextRows = perImcu;
    band.session = std::make_unique<JpegSession>(
        BandInput{&band.head, std::move(rest), start.segment}, shared.memoryShare);
    const int outputRows = shared.request.output.height() - start.imcuRow * perImcu;
    return band.start(shared, outputRows);
}

// Hands `piece` over once, then `rest`'s pieces.
ChunkReader pieceThen(QByteArray piece, ChunkReader rest) {
    auto first = std::make_shared<QByteArray>(std::move(piece));
    return [first, rest = std::move(rest)]() -> QByteArray {
        if (!first->isEmpty()) {
            QByteArray out;
            out.swap(*first);
            return out;
        }
        return rest ? rest() : QByteArray();
    };
}

// Decodes every band that has a decoder, the first on this thread and the others each on a
// thread of its own, and waits for all of them. A band whose thread cannot be started is
// decoded here after.
void decodeSideBySide(Bands& bands) {
    const std::function<bool()> wanted = stillWantedHere();
    std::vector<std::thread> threads;
    std::vector<Band*> here{bands.front().get()};
    for (std::size_t k = 1; k < bands.size(); ++k) {
        Band* band = bands[k].get();
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

// A picture held in memory: the bands are planned from its markers and set up before any
// decodes. Empty when it does not go in bands.
Bands bandsInMemory(const JpegInput& input, const Shared& shared, int threads) {
    const QByteArray& bytes = input.bytes;
    const std::optional<RestartLayout> layout = readRestartLayout(bytes);
    if (!layout || layout->codedSize != shared.header.codedSize) return {};
    const std::vector<BandRange> plan = planBands(*layout, threads);
    if (plan.size() < 2) return {};
    const int perImcu = outputRowsPerImcu(*layout, shared.request);
    Bands bands;
    for (std::size_t k = 0; k < plan.size(); ++k) {
        auto band = std::make_unique<Band>(shared);
        bool started = false;
        if (k == 0) {
            band->session = std::make_unique<JpegSession>(input, shared.memoryShare);
            started = band->start(shared, shared.request.output.height());
        } else {
            const BandRange& range = plan[k];
            const QByteArray rest = QByteArray::fromRawData(bytes.constData() + range.offset,
                                                            bytes.size() - range.offset);
            started = startLaterBand(*band, shared, bytes, *layout,
                                     {range.decodeFirst, range.offset, range.segment},
                                     pieceThen(rest, {}));
        }
        if (!started) return {};
        if (k + 1 < plan.size() &&
            !band->endOwnRowsAt(
                plan[k + 1].ownFirst * perImcu - band->outputFirst + band->contextRows, 0))
            return {};
        bands.push_back(std::move(band));
    }
    return bands;
}

// For a picture read in pieces: reads the file again from its start on this thread, finds the
// row start nearest the middle from the markers as the pieces pass, sets up the second band
// there and, when the first band has not come near it, ends the first band's own rows there and
// decodes the second band. Gives up silently (the first band then decodes the whole picture)
// when the file cannot be read again, is not laid out for bands, or the first band is too far.
void findAndDecodeSecondBand(Band& first, Band& second, const Shared& shared,
                             const std::function<ChunkReader()>& reopen) {
    try {
        ChunkReader reader = reopen();
        QByteArray headers;
        std::optional<RestartLayout> layout;
        for (;;) {
            const QByteArray piece = reader();
            if (piece.isEmpty()) return;
            headers += piece;
            bool needMore = false;
            layout = readRestartHeader(headers, &needMore);
            if (layout) break;
            if (!needMore) return;
        }
        if (layout->codedSize != shared.header.codedSize) return;
        const int rows = layout->imcuRows;
        const int wanted = rows / 2;  // the second band's own first row
        if (wanted < 2 || rows - wanted < 2) return;

        RestartScanner scanner(*layout);
        std::vector<RowStart> found;
        QByteArray piece = headers.mid(layout->dataStart);
        qsizetype offset = layout->dataStart;
        for (;;) {
            const auto* data = reinterpret_cast<const unsigned char*>(piece.constData());
            const std::size_t used = scanner.scan(data, static_cast<std::size_t>(piece.size()),
                                                  offset, found, wanted - 1);
            if (!found.empty() && found.back().imcuRow >= wanted - 1) {
                const RowStart start = found.back();
                if (start.imcuRow + 1 > rows - 2) return;
                const QByteArray rest = piece.mid(static_cast<qsizetype>(used));
                if (!startLaterBand(second, shared, headers, *layout, start,
                                    pieceThen(rest, std::move(reader))))
                    return;
                // The first band reads a batch at a time: it must not be in the one that reaches
                // the second band's rows.
                if (!first.endOwnRowsAt(second.outputFirst, 2 * kRowsPerRead)) return;
                second.decodeRows();
                return;
            }
            if (scanner.ended()) return;
            offset += piece.size();
            piece = reader();
            if (piece.isEmpty()) return;
        }
    } catch (const WorkCancelled&) {
        second.cancelled = true;
    } catch (...) {
        // The file could not be read again: the first band goes on alone.
    }
}

// The first band over the file read in pieces, which starts at once; the second band is looked
// for on a thread of its own meanwhile (none when that thread cannot be made, or the first band
// fails to start: the one-thread decode fails there too).
Bands bandsFromPieces(const JpegInput& input, const Shared& shared, std::thread& helper) {
    Bands bands;
    bands.push_back(std::make_unique<Band>(shared));
    bands.push_back(std::make_unique<Band>(shared));
    Band& first = *bands[0];
    first.session = std::make_unique<JpegSession>(input, shared.memoryShare);
    if (!first.start(shared, shared.request.output.height())) {
        bands.pop_back();
        return bands;
    }
    try {
        helper = std::thread([&first, second = bands[1].get(), &shared, reopen = input.reopen,
                              wanted = stillWantedHere()] {
            const CancellationScope scope(wanted);
            findAndDecodeSecondBand(first, *second, shared, reopen);
        });
    } catch (const std::system_error&) {
        bands.pop_back();
    }
    return bands;
}

// Writes the output rows that two or more bands shrank parts of, top down, as far as the bands
// got before the first that failed (`last`).
void joinSharedRows(Bands& bands, std::size_t last, bool lastFailed) {
    std::vector<const std::vector<std::uint32_t>*> parts;
    int carried = -1;
    for (std::size_t k = 0; k <= last; ++k) {
        RowDownscaler& scaler = *bands[k]->scaler;
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

DecodedJpeg joined(Bands& bands, const Shared& shared) {
    DecodedJpeg result;
    // A second band that never ran leaves the first with the whole picture.
    while (bands.size() > 1 && !bands.back()->ran) bands.pop_back();
    result.bands = static_cast<int>(bands.size());
    for (const auto& band : bands) result.workingPeakBytes += band->session->workingPeakBytes();
    std::size_t last = bands.size() - 1;
    for (std::size_t k = 0; k < bands.size(); ++k) {
        if (const int code = bands[k]->failureCode(); code != 0) {
            result.failureCode = code;
            last = k;
            break;
        }
    }
    const bool failed = result.failureCode != 0;
    if (shared.request.kept != shared.request.output) joinSharedRows(bands, last, failed);
    if (failed) {
        if (!shared.request.keepPartial) return result;
        // Rows the one-thread decode would not have reached are grey, whatever later bands made.
        const Band& band = *bands[last];
        fillRowsGrey(shared.image, band.scaler ? band.scaler->finishedRows()
                                               : band.outputFirst + band.rows.delivered);
    }
    result.image = applyOrientation(shared.image, shared.header.orientation);
    return result;
}

}  // namespace

bool mayDecodeInBands(const JpegHeader& header) {
    const long long pixels =
        static_cast<long long>(header.codedSize.width()) * header.codedSize.height();
    return decodeThreads() >= 2 && !header.progressive && header.restartInterval > 0 &&
           pixels >= minBandedPixels();
}

std::optional<DecodedJpeg> decodeInBands(const JpegInput& input, const JpegHeader& header,
                                         const BandedDecodeRequest& request) {
    if (!mayDecodeInBands(header)) return std::nullopt;
    const bool inMemory = !input.chunks && !input.bytes.isEmpty();
    if (!inMemory && !(input.chunks && input.reopen)) return std::nullopt;
    QImage image(request.kept, QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    const int threads = decodeThreads();
    const int bandCount = inMemory ? threads : 2;
    const Shared shared{
        header, request, image, image.bits(), image.bytesPerLine(), kMaxLibjpegMemory / bandCount};

    if (inMemory) {
        Bands bands = bandsInMemory(input, shared, threads);
        if (bands.empty()) return std::nullopt;
        decodeSideBySide(bands);
        for (const auto& band : bands)
            if (band->cancelled) throw WorkCancelled{};
        return joined(bands, shared);
    }

    std::thread helper;
    Bands bands = bandsFromPieces(input, shared, helper);
    // The second band's thread uses the bands: it ends before they go, however this ends.
    struct JoinFirst {
        std::thread& thread;
        ~JoinFirst() {
            if (thread.joinable()) thread.join();
        }
    } joinFirst{helper};
    if (!bands.front()->started) {
        // As the one-thread decode ends when its decoder does not start: all grey.
        DecodedJpeg result;
        result.failureCode = bands.front()->session->failureCode();
        if (result.failureCode == 0) result.failureCode = JERR_BAD_STATE;
        if (request.keepPartial) result.image = uprightGrey(request.kept, header.orientation);
        return result;
    }
    bands.front()->decodeRows();
    if (helper.joinable()) helper.join();
    for (const auto& band : bands)
        if (band->cancelled) throw WorkCancelled{};
    return joined(bands, shared);
}

}  // namespace zarovia::picture::jpeg
