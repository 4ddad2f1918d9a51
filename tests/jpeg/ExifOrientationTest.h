#pragma once

#include <QObject>

// The EXIF orientation: read from APP1 with bounds, applied at every scale and for printing.
class ExifOrientationTest : public QObject {
    Q_OBJECT

private slots:
    void parsesOrientation_data();
    void parsesOrientation();
    void uprightPixels_data();
    void uprightPixels();
    void uprightAtReducedScale_data();
    void uprightAtReducedScale();
};
