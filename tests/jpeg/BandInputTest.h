#pragma once

#include <QObject>

// A picture that may go in bands but whose file is read in pieces (a large file shown from its
// head): read whole first and decoded in bands, or, when reading fails or the job is dropped,
// ended as the one-thread decode ends.
class BandInputTest : public QObject {
    Q_OBJECT

private slots:
    void piecesDecodeInBands_data();
    void piecesDecodeInBands();
    void readFailureAsOneThread();
    void cancelledBandsStopTogether();
    void speculativeReadAheadKeepsOneThread();
};
