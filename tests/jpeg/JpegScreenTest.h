#pragma once

#include <QObject>

// The screen decodes a JPEG picture holds: what it says it holds in memory, when it says it is
// ready to be drawn at a size, and one decode per size however many threads ask for it.
class JpegScreenTest : public QObject {
    Q_OBJECT

private slots:
    void whatItHoldsAndWhenItIsReady_data();
    void whatItHoldsAndWhenItIsReady();
    void aDecodeUnderWayServesTheSizesItCovers_data();
    void aDecodeUnderWayServesTheSizesItCovers();
    void waitingForAnotherThreadsDecodeStopsWhenUnwanted();
};
