#pragma once

#include "BandFiles.h"

#include <QObject>

// A picture with restart markers decoded in bands, one per thread, is the one-thread decode bit
// for bit: every restart interval and sampling, odd sizes, every DCT scale, shrunk sizes whose
// output rows straddle the bands' boundaries, several threads, and damaged files. Files without
// restart markers, progressive ones and small pictures keep one thread; a file read in pieces is
// banded too. A banded decode for a job no longer wanted stops.
class BandDecodeTest : public QObject {
    Q_OBJECT

private slots:
    void matchesOneThread_data();
    void matchesOneThread();
    void damagedMatchesOneThread_data();
    void damagedMatchesOneThread();
    void renumberedMarkerMatchesOneThread_data();
    void renumberedMarkerMatchesOneThread();
    void choosesThePath_data();
    void choosesThePath();
    void cmykThroughItsProfileOnSeveralThreads_data();
    void cmykThroughItsProfileOnSeveralThreads();
    void abandonedBandedDecodeStops_data();
    void abandonedBandedDecodeStops();

private:
    zarovia::picture::jpeg::test::BandFileMaker files_;
};
