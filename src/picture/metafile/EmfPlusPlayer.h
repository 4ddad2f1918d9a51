#pragma once

#include "picture/ByteReader.h"
#include "picture/metafile/DeviceContext.h"
#include "picture/metafile/EmfPlusObjects.h"
#include "picture/metafile/EmfPlusRecords.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

namespace zarovia::picture::metafile {

class Gdi;

namespace plus {

// Plays the EMF+ records of an EMF's comments on the same Gdi as its EMF records. EMF+
// device pixels are the EMF's reference device pixels. An EMF+ only file is drawn from its
// EMF+ records, and its EMF records draw only after a GetDC record hands drawing to them, until
// the next EMF+ record. A dual file (its header says the EMF records suffice) is drawn from its
// EMF records, which hold everything, the metafiles that EMF+ records embed included; one
// whose EMF records draw nothing, though, is drawn from its EMF+ records as an EMF+ only file.
class Player {
public:
    // `dualByPlus`: a dual file is to be drawn from its EMF+ records.
    Player(Gdi& gdi, const QRectF& deviceFrame, bool dualByPlus);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The EMF+ records of one comment (after its identifier).
    void play(ByteReader records);
    // True when the EMF records are to be passed over.
    bool ownsDrawing() const noexcept { return playing() && !handedOver_; }

private:
    struct State {
        QTransform world;
        std::uint32_t pageUnit = UnitDisplay;
        double pageScale = 1.0;
        bool nearest = false;  // bitmaps scaled without interpolation
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
        Clip clip;
    };

    // The dispatch by record type (EmfPlusPlayer.cpp).
    void record(std::uint16_t type, std::uint16_t flags, ByteReader& r);

    // Objects, whole or gathered from several records (EmfPlusPlayerObjects.cpp).
    void object(std::uint16_t flags, ByteReader& r);
    // Lets go of the parts of an object gathered so far.
    void dropPending();

    // Fills, outlines and bitmaps (EmfPlusPlayerDrawing.cpp).
    void clear(ByteReader& r);
    void fillShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void drawShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void drawImage(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void fill(const QPainterPath& world, const Brush& brush);
    void stroke(const QPainterPath& world, std::uint32_t penId);
    QBrush onDevice(const QBrush& brush) const;

    // Strings (EmfPlusPlayerText.cpp).
    void drawString(std::uint16_t flags, ByteReader& r);
    void drawDriverString(std::uint16_t flags, ByteReader& r);

    // Transforms, clips, saved states and rendering modes (EmfPlusPlayerState.cpp).
    void stateRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void transformRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void clipRecord(std::uint16_t type, std::uint16_t flags, ByteReader& r);
    void save(std::uint32_t index);
    void restore(std::uint32_t index);

    // True once the header has come, unless the file is dual and drawn from its EMF records.
    bool playing() const noexcept { return header_ && (!dual_ || dualByPlus_); }
    QTransform toDevice() const;
    // The object in slot `id` when it is a `T`.
    template <class T>
    const T* objectAt(std::size_t id) const {
        return id < objects_.size() ? std::get_if<T>(&objects_[id]) : nullptr;
    }
    // The brush of a fill record: an ARGB colour (S flag) or a brush object.
    const Brush* brushOf(std::uint16_t flags, std::uint32_t field, Brush& scratch) const;

    Gdi& gdi_;
    // The parsed list's account (it outlives the parse, which hands the list on before this
    // player goes).
    BudgetAccount& budget_;
    QRectF deviceFrame_;
    bool dualByPlus_;
    bool header_ = false;
    bool dual_ = false;
    bool handedOver_ = false;
    bool ended_ = false;
    double dpiX_ = 96;
    double dpiY_ = 96;
    State state_;
    std::vector<std::pair<std::uint32_t, State>> saved_;
    std::array<Object, 64> objects_;
    // An object arriving in several records: its slot, type, declared size and bytes so far,
    // and what they took from the budget.
    struct Pending {
        int id = -1;
        std::uint32_t type = 0;
        std::uint32_t total = 0;
        QByteArray bytes;
        std::int64_t reserved = 0;
    } pending_;
};

// True when the EMF+ records in `comment` (an EMR_COMMENT's data after its identifier) draw
// something: any record that fills, draws or clears.
bool drawsSomething(ByteReader comment);

}  // namespace plus

}  // namespace zarovia::picture::metafile
