#pragma once

#include <QObject>

// What a decode may cost and when it stops: the cap on scan block visits for a many-scan
// progressive file, libjpeg's memory counted against its budget, and a decode for a job no
// longer wanted stopping at its next checkpoint.
class JpegWorkTest : public QObject {
    Q_OBJECT

private slots:
    void manyScansStopAtTheWorkCap_data();
    void manyScansStopAtTheWorkCap();
    void abandonedDecodeStopsAtItsNextCheckpoint_data();
    void abandonedDecodeStopsAtItsNextCheckpoint();
    void abandonedPrepareLeavesThePictureUndecoded();
};
