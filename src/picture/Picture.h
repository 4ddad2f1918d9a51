#pragma once

#include "picture/MemoryBudget.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;

namespace zarovia::picture {

enum class PictureKind { Bitmap, Icon, Metafile, Jpeg };

// Receives an early, coarse rendering of a picture while its decode goes on (the first scans
// of a progressive JPEG). Called on the decoding thread, at most once per decode, while the
// picture's own decode is still in progress: it must not wait for a thread that draws that
// same picture.
using FirstLookSink = std::function<void(const QImage& look)>;

// What a decoder produces: one decoded (or, for JPEG, header-only) picture. Immutable to its
// users; implementations that decode lazily guard their caches, so every method may be
// called from any thread.
class PictureData {
public:
    virtual ~PictureData() = default;
    virtual PictureKind kind() const = 0;
    // Natural size in pixels; never 0 x 0 for a loaded picture (a decoder rejects that).
    virtual QSize naturalSize() const = 0;
    // Draws the picture stretched into `target` (logical coordinates of the painter).
    // Bitmaps and JPEGs are opaque; icons keep their mask; metafiles cover what they draw.
    virtual void draw(QPainter& painter, const QRectF& target) const = 0;
    // Makes drawing at `devicePixels` cheap (a JPEG decodes at the smallest DCT scale that
    // covers it). Safe to call on a worker thread ahead of the show.
    virtual void prepare(QSize devicePixels) const { (void)devicePixels; }
    // False while drawing at `devicePixels` would want a prepare() first to look its best (a
    // JPEG decoded smaller than that). Never waits.
    virtual bool isPreparedFor(QSize devicePixels) const {
        (void)devicePixels;
        return true;
    }
    // True when drawing at `devicePixels` draws pixels already held at that size, decoded
    // without a failure: no decode and no scaling (a JPEG once prepared for that size). Never
    // waits. Pictures held as they are drawn always are.
    virtual bool isReadyFor(QSize devicePixels) const {
        (void)devicePixels;
        return true;
    }
    // Like prepare(), and hands `firstLook` an early rendering when the decode has one (a
    // progressive JPEG: its first pass covering every component, upright, at the size of the
    // finished decode). Pictures without such a pass never call it.
    virtual void prepareWithFirstLook(QSize devicePixels, const FirstLookSink& firstLook) const {
        (void)firstLook;
        prepare(devicePixels);
    }
    // Like prepareWithFirstLook(), for a show: throws the failure that ended the decode for
    // that size when the picture shows only part of itself (a damaged JPEG: what was decoded
    // shows, the rest grey), so that the caller reports it. Throws WorkCancelled when its job is
    // no longer wanted.
    virtual void prepareToShow(QSize devicePixels, const FirstLookSink& firstLook) const {
        prepareWithFirstLook(devicePixels, firstLook);
    }
    // What the picture holds in memory now: its pixels (a JPEG: its screen decode, and its
    // file's bytes while they are held; a metafile: its parsed form and prepared pixels).
    virtual std::int64_t residentBytes() const = 0;
    // Memory that prepare() needs for a while beyond what it keeps (a progressive JPEG holds
    // all its coefficients while it decodes). Reading ahead skips pictures that need much.
    virtual long long prepareWorkingBytes() const { return 0; }
    // The picture as a raster image at its natural size, for printing. A picture whose full
    // size would not fit kPictureBudgetBytes throws its decoder's failure instead.
    virtual QImage toImage() const = 0;
    // The picture as a raster image at least covering `devicePixels` where the decoder can
    // scale while decoding (a JPEG: the smallest DCT scale that covers it, within
    // kPictureBudgetBytes, smaller when even that would not fit); otherwise toImage().
    virtual QImage toImageCovering(QSize devicePixels) const {
        (void)devicePixels;
        return toImage();
    }
};

// The picture holder: a value whose copies share one PictureData.
class Picture {
public:
    Picture() = default;
    explicit Picture(std::shared_ptr<const PictureData> data) : data_(std::move(data)) {}

    bool isNull() const noexcept { return !data_; }
    PictureKind kind() const { return data_->kind(); }
    QSize size() const { return data_ ? data_->naturalSize() : QSize(); }
    int width() const { return size().width(); }
    int height() const { return size().height(); }
    void draw(QPainter& painter, const QRectF& target) const;
    void prepare(QSize devicePixels) const {
        if (data_) data_->prepare(devicePixels);
    }
    void prepareWithFirstLook(QSize devicePixels, const FirstLookSink& firstLook) const {
        if (data_) data_->prepareWithFirstLook(devicePixels, firstLook);
    }
    void prepareToShow(QSize devicePixels, const FirstLookSink& firstLook = {}) const {
        if (data_) data_->prepareToShow(devicePixels, firstLook);
    }
    bool isPreparedFor(QSize devicePixels) const {
        return !data_ || data_->isPreparedFor(devicePixels);
    }
    bool isReadyFor(QSize devicePixels) const { return !data_ || data_->isReadyFor(devicePixels); }
    std::int64_t residentBytes() const { return data_ ? data_->residentBytes() : 0; }
    QImage toImage() const { return data_ ? data_->toImage() : QImage(); }
    QImage toImageCovering(QSize devicePixels) const {
        return data_ ? data_->toImageCovering(devicePixels) : QImage();
    }
    long long prepareWorkingBytes() const { return data_ ? data_->prepareWorkingBytes() : 0; }
    const PictureData* data() const noexcept { return data_.get(); }
    bool sharesDataWith(const Picture& other) const noexcept { return data_ == other.data_; }

private:
    std::shared_ptr<const PictureData> data_;
};

// A picture held as a ready raster image (bitmaps, icons, PNG entries).
class RasterPictureData : public PictureData {
public:
    RasterPictureData(PictureKind kind, QImage image) : kind_(kind), image_(std::move(image)) {}
    PictureKind kind() const override { return kind_; }
    QSize naturalSize() const override { return image_.size(); }
    void draw(QPainter& painter, const QRectF& target) const override;
    QImage toImage() const override { return image_; }
    std::int64_t residentBytes() const override { return image_.sizeInBytes(); }
    const QImage& image() const noexcept { return image_; }

private:
    PictureKind kind_;
    QImage image_;
};

// A stand-in for `of` while it decodes: the kind and natural size of `of`, drawn as `look`
// stretched smoothly into the target, so that it goes through the same fitting and centring.
// `look` is usually smaller than the natural size (a first look at the size shown). Printed,
// it prints `of` from its own finished decode.
Picture previewPicture(const Picture& of, QImage look);

// The largest raster, in pixels, that any decoder will allocate: kPictureBudgetBytes of
// ARGB32.
inline constexpr long long kMaxPicturePixels = kPictureBudgetBytes / 4;

}  // namespace zarovia::picture
