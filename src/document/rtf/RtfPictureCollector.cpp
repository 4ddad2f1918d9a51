#include "document/rtf/RtfPictureCollector.h"
#include "document/rtf/RtfTokenizer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zarovia::document::rtf {

namespace {

constexpr int kMaxGoalTwips = 4 * 31680;

}  // namespace

void PictureCollector::start() {
    format_ = PictureFormat::Unknown;
    width_ = height_ = goalWidth_ = goalHeight_ = 0;
    scaleX_ = scaleY_ = 100;
    data_.clear();
    nibble_ = -1;
    tooLarge_ = false;
}

void PictureCollector::setProperty(Word word, int parameter) {
    switch (word) {
        case Word::PngBlip:
            format_ = PictureFormat::Png;
            break;
        case Word::JpegBlip:
            format_ = PictureFormat::Jpeg;
            break;
        case Word::EmfBlip:
            format_ = PictureFormat::Emf;
            break;
        case Word::WindowsMetafile:
            format_ = PictureFormat::Wmf;
            break;
        case Word::DeviceIndependentBitmap:
            format_ = PictureFormat::Dib;
            break;
        case Word::DeviceBitmap:
            format_ = PictureFormat::DeviceBitmap;
            break;
        case Word::MacPicture:
        case Word::OS2Metafile:
            format_ = PictureFormat::Unsupported;
            break;
        case Word::PictureWidth:
            width_ = std::clamp(parameter, 0, 1 << 24);
            break;
        case Word::PictureHeight:
            height_ = std::clamp(parameter, 0, 1 << 24);
            break;
        case Word::PictureGoalWidth:
            goalWidth_ = std::clamp(parameter, 0, kMaxGoalTwips);
            break;
        case Word::PictureGoalHeight:
            goalHeight_ = std::clamp(parameter, 0, kMaxGoalTwips);
            break;
        case Word::PictureScaleX:
            scaleX_ = std::clamp(parameter, 1, 1000);
            break;
        case Word::PictureScaleY:
            scaleY_ = std::clamp(parameter, 1, 1000);
            break;
        default:
            break;
    }
}

bool PictureCollector::roomFor(qsizetype bytes) {
    if (!tooLarge_ && data_.size() + bytes > limits_.maxPictureBytes) tooLarge_ = true;
    return !tooLarge_;
}

void PictureCollector::appendHex(std::string_view text) {
    for (char c : text) {
        const int v = hexDigitValue(c);
        if (v < 0) continue;  // blanks and line breaks between the digits
        if (nibble_ < 0) {
            nibble_ = v;
            continue;
        }
        if (!roomFor(1)) return;
        data_ += static_cast<char>(nibble_ * 16 + v);
        nibble_ = -1;
    }
}

void PictureCollector::appendData(std::string_view bytes) {
    if (roomFor(static_cast<qsizetype>(bytes.size()))) {
        data_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
}

std::optional<DecodedPicture> PictureCollector::finish() {
    const QByteArray data = std::exchange(data_, QByteArray());
    if (tooLarge_ || data.isEmpty() || count_ >= limits_.maxPictures) return std::nullopt;
    if (totalBytes_ + data.size() > limits_.maxTotalPictureBytes) return std::nullopt;
    ++count_;
    totalBytes_ += data.size();

    const bool metafile = format_ == PictureFormat::Wmf || format_ == PictureFormat::Emf;
    // Shown size: the goal size (twips) scaled, else the natural size (pixels for bitmaps,
    // 0.01 mm for metafiles), else the decoded image's own.
    double width = 0, height = 0;
    if (goalWidth_ > 0 && goalHeight_ > 0) {
        width = goalWidth_ / 15.0;
        height = goalHeight_ / 15.0;
    } else if (width_ > 0 && height_ > 0) {
        const double unit = metafile ? 96.0 / 2540.0 : 1.0;
        width = width_ * unit;
        height = height_ * unit;
    }
    width *= scaleX_ / 100.0;
    height *= scaleY_ / 100.0;
    const double side = kMaxPictureSide;
    // Without a size of its own the picture is shown at the size its pixels are kept at.
    const bool sized = width >= 1 && height >= 1;
    const QSize shown = sized ? QSize(static_cast<int>(std::lround(std::min(width, side))),
                                      static_cast<int>(std::lround(std::min(height, side))))
                              : QSize();
    DecodedPicture picture{decodeRtfPicture(format_, data, shown, decodedBudget_),
                           QSizeF(width, height)};
    if (picture.image.isNull()) return std::nullopt;
    if (!sized) picture.shownSize = QSizeF(picture.image.size());
    picture.shownSize = QSizeF(std::clamp(picture.shownSize.width(), 1.0, side),
                               std::clamp(picture.shownSize.height(), 1.0, side));
    return picture;
}

}  // namespace zarovia::document::rtf
