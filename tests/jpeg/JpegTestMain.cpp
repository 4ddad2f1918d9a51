#include "BandDecodeTest.h"
#include "BandInputTest.h"
#include "ExifOrientationTest.h"
#include "JpegDisplayTest.h"
#include "JpegLoadTest.h"
#include "JpegPassesTest.h"
#include "JpegScreenTest.h"
#include "JpegWorkTest.h"
#include "RestartLayoutTest.h"
#include "ShrinkingTest.h"

#include <QGuiApplication>
#include <QTest>

// One executable for the JPEG area: each class keeps to one concern.
int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = 0;
    {
        JpegLoadTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        JpegDisplayTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        JpegScreenTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        JpegPassesTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        JpegWorkTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ShrinkingTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        BandInputTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        RestartLayoutTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        BandDecodeTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ExifOrientationTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
