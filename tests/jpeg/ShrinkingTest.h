#pragma once

#include <QObject>

// Shrinking a decode as its rows come out: the area-averaging scaler, and the shrunk decode
// against the whole decode scaled afterwards.
class ShrinkingTest : public QObject {
    Q_OBJECT
private slots:
    void averagesWholeBlocks();
    void splitsPixelsAcrossOutputPixels_data();
    void splitsPixelsAcrossOutputPixels();
    void rowsNeverGivenLeaveTheOutputAlone();
    void refusesToEnlarge();
    void shrunkDecodeMatchesScaledDecode_data();
    void shrunkDecodeMatchesScaledDecode();
    void shrunkDecodeOfATruncatedFile();
};
