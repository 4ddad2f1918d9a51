// The display's profile under a real X server: a profile put on the root window becomes the
// pictures' destination and changes what a picture draws; removing it restores sRGB; another
// screen's property is that screen's.

#include "picture/colour/ColourProfile.h"
#include "picture/colour/DisplayColour.h"
#include "picture/jpeg/Jpeg.h"
#include "platform/qt/X11DisplayProfiles.h"
#include "support/ColourFiles.h"
#include "window/DisplayColourWatch.h"

#include <xcb/xcb.h>
#include <QPainter>
#include <QWidget>
#include <QtTest>
#include <atomic>
#include <cstdlib>
#include <mutex>

using namespace zarovia;
using namespace zarovia::picture;
using namespace zarovia::colourtest;

namespace {

// Sets (or with empty bytes deletes) a property of the first screen's root window.
void setRootProperty(const char* name, const QByteArray& bytes) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(connection));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
    QVERIFY(atom);
    if (bytes.isEmpty())
        xcb_delete_property(connection, root, atom->atom);
    else
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_CARDINAL,
                            8, uint32_t(bytes.size()), bytes.constData());
    std::free(atom);
    // A round trip: the change is made before the connection closes.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

QRgb drawnRed(const Picture& picture) {
    const QSize shown(16, 16);
    picture.prepare(shown);
    QImage out(shown, QImage::Format_RGB32);
    QPainter painter(&out);
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
    return out.pixel(8, 8);
}

}  // namespace

class DisplayColourTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "runs under an X server (xvfb-run)");
    }

    // Each screen's property reaches the listener as it is set, changed and removed.
    void watcherFollowsProperties() {
        std::mutex mutex;
        std::vector<QByteArray> latest;
        std::atomic<int> reports = 0;
        platform::X11DisplayProfiles watcher([&](const std::vector<QByteArray>& byScreen) {
            const std::lock_guard lock(mutex);
            latest = byScreen;
            ++reports;
        });
        QTRY_VERIFY(reports >= 1);
        const auto at = [&](int screen) {
            const std::lock_guard lock(mutex);
            return screen < int(latest.size()) ? latest[screen] : QByteArray("?");
        };
        QCOMPARE(at(0), QByteArray());
        setRootProperty("_ICC_PROFILE", "first");
        QTRY_COMPARE(at(0), QByteArray("first"));
        setRootProperty("_ICC_PROFILE_1", "second");
        QTRY_COMPARE(at(1), QByteArray("second"));
        QCOMPARE(at(0), QByteArray("first"));
        setRootProperty("_ICC_PROFILE", {});
        setRootProperty("_ICC_PROFILE_1", {});
        QTRY_COMPARE(at(0), QByteArray());
        QTRY_COMPARE(at(1), QByteArray());
    }

    // On the window: a profile on the root window changes what a picture draws; removing it
    // restores sRGB. A broken profile is sRGB.
    void profileChangesWhatIsDrawn() {
        const QByteArray swapped =
            readFile(installedProfile(QStringLiteral("SwappedRedAndGreen.icc")));
        QVERIFY2(!swapped.isEmpty(), "colord-data: SwappedRedAndGreen.icc");
        QWidget window;
        window.resize(64, 64);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int changes = 0;
        window::DisplayColourWatch watch(&window, [&] { ++changes; });
        const Picture picture = loadJpeg(jpegWith(patches({qRgb(255, 0, 0)}, 32), {}));
        QTRY_VERIFY(qRed(drawnRed(picture)) > 245);

        setRootProperty("_ICC_PROFILE", swapped);
        QTRY_VERIFY(!colour::displayColour().profile.isNull());
        QVERIFY(changes >= 1);
        const QRgb onSwapped = drawnRed(picture);
        QVERIFY2(qGreen(onSwapped) > 245 && qRed(onSwapped) < 10,
                 qPrintable(QString::number(onSwapped, 16)));

        setRootProperty("_ICC_PROFILE", QByteArray(3000, 'x'));
        QTRY_VERIFY(colour::displayColour().profile.isNull());
        setRootProperty("_ICC_PROFILE", swapped);
        QTRY_VERIFY(!colour::displayColour().profile.isNull());
        setRootProperty("_ICC_PROFILE", {});
        QTRY_VERIFY(colour::displayColour().profile.isNull());
        QVERIFY(qRed(drawnRed(picture)) > 245);
    }
};

QTEST_MAIN(DisplayColourTest)
#include "DisplayColourTest.moc"
