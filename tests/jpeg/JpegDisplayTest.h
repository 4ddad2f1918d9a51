#pragma once

#include <QObject>

// Showing: the DCT scale chosen for a display size, the caches, colour models, printing size.
class JpegDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void coveringScale_data();
    void coveringScale();
    void prepareDecodesAtCoveringScale_data();
    void prepareDecodesAtCoveringScale();
    void drawCountsDevicePixels();
    void largerRequestDecodesAgainSmallerReuses();
    void repaintAtSameSizeDoesNotRescale();
    void toImageIsFullSizeAndKeepsScreenDecode();
    void colourModels_data();
    void colourModels();
    void imageMagickCmykMatchesItsSource();
    void drawWhilePreparingOnAnotherThread();
    void toImageCoveringPicksTheSmallestScale_data();
    void toImageCoveringPicksTheSmallestScale();
    void scaleStaysWithinTheBudget_data();
    void scaleStaysWithinTheBudget();
    void drawOnAHugeTargetUsesTheDecode();
    void drawUsesTheDecodeThereIsPrepareMakesALarger();
    void bytesGoOnceDecodedAndAreReadAgain();
    void decodedFromTheFileInPieces_data();
    void decodedFromTheFileInPieces();
    void pieceReadFailures_data();
    void pieceReadFailures();
    void fileChangedSinceKeepsWhatIsShown();
    void failedDecodeKeepsItsBytes();
};
