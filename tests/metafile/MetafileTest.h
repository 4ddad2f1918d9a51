#pragma once

#include "MetafileWriter.h"
#include "RecordingCanvas.h"
#include "picture/metafile/MetafilePicture.h"
#include "picture/metafile/ParsedMetafile.h"

#include <QObject>

namespace zarovia::picture::metafile::test {

// Plays a parsed metafile on the recording fake.
inline RecordingCanvas record(const ParsedMetafile& parsed) {
    RecordingCanvas canvas;
    parsed.list.play(canvas);
    return canvas;
}

class MetafileTest : public QObject {
    Q_OBJECT

private slots:
    // Record framing.
    void wmfFramingEnds_data();
    void wmfFramingEnds();
    void wmfShortRecordIsSkippedAndTheNextIsDrawn();
    void wmfOversizedRecordKeepsTheLoopInStep();
    void wmfPolygonCountBeyondItsRecordIsSkipped();
    void emfFramingEnds_data();
    void emfFramingEnds();
    void emfPolylineCountBeyondItsRecordIsSkipped();
    void everyPrefixOfAFileFailsCleanlyOrDraws();

    // Objects.
    void wmfNewObjectTakesTheLowestFreeSlot();
    void wmfSelectingADeletedIndexChangesNothing();
    void wmfCreateWithTheTableFullIsIgnored();
    void emfStockObjects();
    void emfSlotZeroAndSlotsOutsideTheTableIgnoreCreates();
    void emfHugeHandleCountIsCapped();
    void saveAndRestoreBringBackTheState();

    // Mapping and sizes.
    void pageToDevice_data();
    void pageToDevice();
    void placeableNaturalSize_data();
    void placeableNaturalSize();
    void emfFrameNaturalSize_data();
    void emfFrameNaturalSize();
    void placeableBoundsFillThePicture();
    void plainWmfTakesItsSizeFromTheWindow();
    void emptyPicturesFail_data();
    void emptyPicturesFail();
    void emfFrameMapsThroughTheReferenceDevice();
    void emfDescriptionIsNoHeaderExtension();
    void drawMapsTheFrameOntoTheTarget();
    void toImageIsTransparentWhereNothingIsDrawn();
    void clipRectanglesLimitDrawing();

    // Text.
    void japaneseFacesMapToInstalledFonts_data();
    void japaneseFacesMapToInstalledFonts();
    void shiftJisTextIsDecodedAndDrawn();
    void doubleByteAdvancesAreSummedPerCharacter();
    void textAlignmentUpdatesTheCurrentPosition();
    void emfWideTextKeepsItsAdvances();
    void simpleGlyphsMatchTheTextLayout_data();
    void simpleGlyphsMatchTheTextLayout();
    void decorationsFollowTheFontMetrics_data();
    void decorationsFollowTheFontMetrics();
    void justificationSpreadsTheExtraSpace_data();
    void justificationSpreadsTheExtraSpace();
    void escapementTurnsTextOnTheDevice_data();
    void escapementTurnsTextOnTheDevice();
    void officeChartTitlesReadUpwards_data();
    void officeChartTitlesReadUpwards();
    void symbolFacesInRecords_data();
    void symbolFacesInRecords();

    // Bitmaps and raster operations.
    void stretchDibitsDrawsTheDibTheRightWayUp();
    void dibRecordsPlaceTheirBitmap_data();
    void dibRecordsPlaceTheirBitmap();
    void rasterOperationsWithoutSource_data();
    void rasterOperationsWithoutSource();
    void hatchedBrushInOpaqueModeFillsTheGaps();
    void stretchModesChooseSmoothing_data();
    void stretchModesChooseSmoothing();
    void maskBltChoosesBetweenTwoOperations();
    void plgBltMapsTheSourceOntoAParallelogram();
    void gradientFillShadesRectanglesAndTriangles();
    void patternBlitsFillTheirBars();

    // Real files.
    void goldenRenderings_data();
    void goldenRenderings();
    void badFilesFailOrDraw_data();
    void badFilesFailOrDraw();
    void corpusFilesRender_data();
    void corpusFilesRender();
    void hostileCountsStayCheap();

    // EMF+.
    void emfPlusHeaderDecidesWhatIsDrawn_data();
    void emfPlusHeaderDecidesWhatIsDrawn();
    void emfPlusObjectsAndRecords_data();
    void emfPlusObjectsAndRecords();
    void emfPlusStatesAndClips_data();
    void emfPlusStatesAndClips();
    void emfPlusStringsAndImages();
    void emfPlusBitmapFormats_data();
    void emfPlusBitmapFormats();
    void emfPlusRunLengthBitmapGapsAreCleared();
    void emfPlusDrawsShareTheirBitmap();
    void emfPlusObjectPartsAreCounted();
    void emfPlusPenAndHatchStyles_data();
    void emfPlusPenAndHatchStyles();
    void emfPlusOutlines_data();
    void emfPlusOutlines();

    // The parsed form and its budget.
    void lineRunsShareSteps_data();
    void lineRunsShareSteps();
    void clipStatesAreStoredOnce();
    void budgetRefusesWhatDoesNotFit();
    void hugeNaturalSizeRastersWithinTheBudget();
    void preparedPixelsDrawTheSame();
    void areaCombinationsStayWithinTheirBudget_data();
    void areaCombinationsStayWithinTheirBudget();
    void areaBudgetIsShared();
    void drawCostCoversMeasuredTimes_data();
    void drawCostCoversMeasuredTimes();
    void bombsStopWithinTheirCaps_data();
    void bombsStopWithinTheirCaps();
    void decodingOnAWorkerDrawsTheSame_data();
    void decodingOnAWorkerDrawsTheSame();
    void metafilesDecodeOffTheGuiThread();
    void workNoLongerWantedStops_data();
    void workNoLongerWantedStops();
};

}  // namespace zarovia::picture::metafile::test
