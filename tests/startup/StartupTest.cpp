// What the window does to start quickly without changing what it shows: glyphs and the icon
// baked at build time (each density drawn from the nearest baked one at or above it), the media
// pane and the document pane's rich text made at their first use, the black pane while the
// first picture loads, the first look of a picture read ahead from the command line.
#include "document/widgets/RichEditControl.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/PictureCache.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestPictures.h"
#include "window/BakedPixels.h"
#include "window/DeferredPane.h"
#include "window/Glyphs.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAccessible>
#include <QCheckBox>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <type_traits>

using namespace zarovia;
using shell::Command;
using testing::writeProgressive;

namespace {

QString resourceDir() {
    return QStringLiteral(ZAROVIA_RESOURCES);
}

QImage bakedImage(const window::baked::BakedImage& baked) {
    return QImage(reinterpret_cast<const uchar*>(baked.pixels), baked.width, baked.height,
                  baked.width * 4, QImage::Format_ARGB32_Premultiplied)
        .copy();
}

QImage renderSvg(const QString& path, int size) {
    QSvgRenderer renderer(path);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

// The mean difference of two pictures of one size, over all four channels (0 to 255).
double difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * a.width() * a.height());
}

QByteArray writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes);
    return QFile::encodeName(file.fileName());
}

QByteArray writeBitmap(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(dir.filePath(name), "BMP");
    return QFile::encodeName(dir.filePath(name));
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    QTemporaryDir dir;

    void makeForm() {
        form.reset();
        rec = testing::Recorded();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
    }
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
    }
    // What toolBarFollowsTheFirstFile looks at when the tool bar comes.
    std::function<void()> whenToolBarShown_;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (whenToolBarShown_ && form && watched == form->ToolBar1 &&
            event->type() == QEvent::ShowToParent)
            whenToolBarShown_();
        return false;
    }
    bool mediaPaneBuilt() const {
        return form->findChild<QWidget*>(QStringLiteral("MediaPlayer1")) != nullptr;
    }

private slots:
    void initTestCase() {
        window::substitutePlatformFonts();
        QVERIFY(dir.isValid());
    }
    void cleanup() { form.reset(); }

    // --- Pictures baked at build time ---------------------------------------------------

    void bakedGlyphsAreTheirSvgDrawn_data() {
        QTest::addColumn<int>("glyph");
        for (int i = 0; i < shell::kGlyphCount; ++i) QTest::addRow("glyph %d", i) << i;
    }
    void bakedGlyphsAreTheirSvgDrawn() {
        QFETCH(int, glyph);
        const QString source = resourceDir() + QStringLiteral("/glyphs/glyph%1.svg").arg(glyph);
        QCOMPARE(bakedImage(window::baked::kGlyphs[glyph]), renderSvg(source, 16));
        QCOMPARE(bakedImage(window::baked::kGlyphsDoubleDensity[glyph]), renderSvg(source, 32));
    }

    // A glyph is drawn from the smallest baked size at or above the device pixels it covers,
    // scaled down; above the largest it is drawn from its source at that size. Never a smaller
    // picture blown up.
    void glyphsComeFromTheNearestDensityAtOrAbove_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("from");
        QTest::newRow("1") << 1.0 << 16;
        QTest::newRow("1.25") << 1.25 << 32;
        QTest::newRow("1.5") << 1.5 << 32;
        QTest::newRow("1.75") << 1.75 << 32;
        QTest::newRow("2") << 2.0 << 32;
        QTest::newRow("2.5") << 2.5 << 0;
        QTest::newRow("3") << 3.0 << 0;
    }
    void glyphsComeFromTheNearestDensityAtOrAbove() {
        QFETCH(qreal, ratio);
        QFETCH(int, from);
        const int device = qRound(window::kGlyphSize * ratio);
        QCOMPARE(window::bakedGlyphSizeFor(device), from);
        const auto glyphs = window::loadGlyphs();
        for (int i = 0; i < shell::kGlyphCount; ++i) {
            const QIcon& icon = glyphs[size_t(i)];
            QImage drawn = icon.pixmap(QSize(window::kGlyphSize, window::kGlyphSize), ratio)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(drawn.devicePixelRatio(), ratio);
            drawn.setDevicePixelRatio(1.0);
            QCOMPARE(drawn.size(), QSize(device, device));
            const QString source = resourceDir() + QStringLiteral("/glyphs/glyph%1.svg").arg(i);
            if (from == device) {
                QCOMPARE(drawn, renderSvg(source, device));
                continue;
            }
            if (from == 0) {
                // Drawn from the source at this size, as the baking draws it.
                QCOMPARE(drawn, renderSvg(source, device));
                QCOMPARE(drawn, window::renderGlyphSource(i, device));
                continue;
            }
            // Scaled down from the larger picture: closer to the source drawn at this size than
            // the smaller picture blown up is.
            const QImage exact = renderSvg(source, device);
            const QImage blownUp =
                bakedImage(window::baked::kGlyphs[i])
                    .scaled(device, device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY2(difference(drawn, exact) < difference(blownUp, exact),
                     qPrintable(QStringLiteral("glyph %1: %2 against %3")
                                    .arg(i)
                                    .arg(difference(drawn, exact))
                                    .arg(difference(blownUp, exact))));
        }
        // A disabled button's glyph is the style's greyed look of the same picture.
        const QImage disabled =
            glyphs[2]
                .pixmap(QSize(window::kGlyphSize, window::kGlyphSize), ratio, QIcon::Disabled)
                .toImage();
        QCOMPARE(disabled.size(), QSize(device, device));
        QVERIFY(disabled !=
                glyphs[2].pixmap(QSize(window::kGlyphSize, window::kGlyphSize), ratio).toImage());
    }

    void bakedIconIsTheProgramIcon_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size");
        QTest::newRow("window icon") << "icon/zarovia-32.png" << 32;
        QTest::newRow("about box") << "icon/zarovia-64.png" << 64;
    }
    void bakedIconIsTheProgramIcon() {
        QFETCH(QString, file);
        QFETCH(int, size);
        const QImage expected = QImage(resourceDir() + u'/' + file)
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!expected.isNull());
        const QImage baked = size == 32 ? window::programIcon().pixmap(32).toImage()
                                        : window::programEmblem().toImage();
        QCOMPARE(baked.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    }

    // --- Deferred panes -----------------------------------------------------------------

    void deferredControlBuildsItsPaneOnce() {
        window::DeferredPane pane;
        QWidget parent;
        window::DeferredControl<QLabel> first(pane), second(pane);
        int builds = 0;
        bool builtDuringBuild = false;
        pane.setBuilder([&] {
            ++builds;
            builtDuringBuild = pane.built();
            first = new QLabel(&parent);
            second = new QLabel(&parent);
            first->setText(QStringLiteral("made"));  // the builder uses what it made
        });
        QVERIFY(!pane.built());
        QCOMPARE(first.ifBuilt(), nullptr);
        QCOMPARE(builds, 0);
        QCOMPARE(second->text(), QString());  // using any control builds them all
        QCOMPARE(builds, 1);
        QVERIFY(builtDuringBuild);
        QCOMPARE(first.get()->text(), QStringLiteral("made"));
        QVERIFY(first.ifBuilt() != nullptr);
        QCOMPARE(second.get()->parentWidget(), &parent);
        // Only get() and -> use a control: a comparison or a look at it cannot build the pane.
        static_assert(!std::is_convertible_v<window::DeferredControl<QLabel>&, QLabel*>);
        static_assert(!std::is_convertible_v<window::DeferredControl<QLabel>&, bool>);
        pane.ensureBuilt();
        QCOMPARE(builds, 1);
    }

    // The window starts without the media pane's controls and makes them as defined when
    // one is first used, in the state the opens before left them in.
    void mediaPaneIsMadeAtFirstUse_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("controlsHidden");
        QTest::newRow("at start") << "" << false;
        QTest::newRow("after a picture") << "picture" << false;
        QTest::newRow("after a document") << "document" << true;
    }
    void mediaPaneIsMadeAtFirstUse() {
        QFETCH(QString, before);
        QFETCH(bool, controlsHidden);
        makeForm();
        QVERIFY(!mediaPaneBuilt());
        if (before == u"picture") {
            drop(writeBitmap(dir, QStringLiteral("p.bmp"), {40, 30}));
            QTRY_VERIFY(!form->isLoading());
        } else if (before == u"document") {
            drop(writeFile(dir, QStringLiteral("d.txt"), "text"));
            QTRY_VERIFY(!form->isLoading());
        }
        QVERIFY(rec.errors.isEmpty());
        QVERIFY2(!mediaPaneBuilt(), "pictures and documents leave the media pane unmade");
        QVERIFY2(!rec.mediaDevice, "pictures and documents load no media engine");

        QCOMPARE(form->TrackBar1->geometry(), QRect(264, 5, 336, 20));
        QVERIFY(mediaPaneBuilt());
        QCOMPARE(form->MediaPlayer1->parentWidget(), form->Panel2.get());
        QCOMPARE(form->Panel2->parentWidget(), form->CoolBar1.get());
        QCOMPARE(form->CoolBar1->parentWidget(), form->BackPanel);
        QCOMPARE(&form->MediaPlayer1->device(), static_cast<media::MediaDevice*>(rec.mediaDevice));
        QCOMPARE(form->Label4->size(), form->Label4->sizeHint());
        QCOMPARE(QFontInfo(form->Label3->font()).family(), QStringLiteral("IPAPMincho"));
        QVERIFY(form->CoolBar1->isHidden());
        QVERIFY(form->DisplayPanel->isHidden());
        for (QWidget* control :
             {static_cast<QWidget*>(form->Image3.get()), static_cast<QWidget*>(form->Label3.get()),
              static_cast<QWidget*>(form->Label4.get()),
              static_cast<QWidget*>(form->MediaPlayer1.get()),
              static_cast<QWidget*>(form->TrackBar1.get())})
            QCOMPARE(control->isHidden(), controlsHidden);
        QVERIFY(!form->Wide->isHidden());
    }

    // A pane made while the window shows it looks as one made with the window.
    void mediaPaneMadeOnScreenShowsItsControls() {
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        drop(writeFile(dir, QStringLiteral("t.wav"), QByteArray(64, '\0')));
        QVERIFY(mediaPaneBuilt());
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(form->CoolBar1->isVisible());
        QVERIFY(form->TrackBar1->isVisible());
        QVERIFY(form->MediaPlayer1->isVisible());
        QVERIFY(form->Image3->isVisible());
        QVERIFY(form->Label3->isVisible());
        QVERIFY(form->Label4->isVisible());
        QVERIFY(!form->Wide->isVisible());
    }

    // The interval field's line edit loads the font machinery as it is made: the field is made,
    // and the picture tool bar shown with it, right after the window's first paint, so the
    // first picture comes first. Nothing stands in for it: the tool bar is not on the screen
    // before. It is the real spin box, in its place with its range and hint.
    void intervalFieldComesWithTheToolBarAfterTheFirstPaint() {
        makeForm();
        QVERIFY(!form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")));
        QVERIFY(form->ToolBar1->isHidden());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")));
        auto* field = form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
        QCOMPARE(static_cast<QSpinBox*>(form->SpinEdit1.get()), field);
        QVERIFY(form->ToolBar1->isVisible());
        QVERIFY(field->isVisible());
        QCOMPARE(field->geometry(), QRect(231, 2, 50, 26));
        QCOMPARE(field->value(), 3);
        QCOMPARE(field->minimum(), 1);
        QCOMPARE(field->maximum(), 60);
        QCOMPARE(field->toolTip(), QStringLiteral("表示時間（秒）"));
        QVERIFY(!form->RichEdit1.ifBuilt());
    }

    // Used before the first paint (a slide show's tick, or the window not shown at all), the
    // field is made then; an assistive tool starting after the window gets it at once.
    void intervalFieldIsMadeWhenWanted_data() {
        QTest::addColumn<bool>("assistiveTool");
        QTest::newRow("a tick reads it") << false;
        QTest::newRow("an assistive tool starts") << true;
    }
    void intervalFieldIsMadeWhenWanted() {
        QFETCH(bool, assistiveTool);
        makeForm();
        QVERIFY(!form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")));
        if (assistiveTool) {
            QAccessible::setActive(true);
            QAccessible::setActive(false);
            QVERIFY(form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")));
            QVERIFY(!form->ToolBar1->isHidden());
            return;
        }
        form->guard([&] { form->StartButtonClick(); });
        form->Timer1->fire();
        QCOMPARE(form->Timer1->interval(), 3000);
        QVERIFY(form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1")));
        QVERIFY(!form->ToolBar1->isHidden());
        form->SpinEdit1->setValue(7);
        form->Timer1->fire();
        QCOMPARE(form->Timer1->interval(), 7000);
    }

    void richTextIsMadeWithTheFirstDocument() {
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(!form->RichEdit1.ifBuilt());
        form->resize(700, 520);
        drop(writeFile(dir, QStringLiteral("first.txt"), "first document"));
        QTRY_VERIFY(!form->isLoading());
        QVERIFY(rec.errors.isEmpty());
        document::RichEditControl* const richText = form->RichEdit1.ifBuilt();
        QVERIFY(richText);
        QVERIFY(richText->isVisible());
        QCOMPARE(richText->toPlainText(), QStringLiteral("first document"));
        // Made after the window grew, it fills the document pane below its tool bar as one made
        // with the window does.
        const QRect made = richText->geometry();
        form->resize(640, 480);
        form->resize(700, 520);
        QCOMPARE(richText->geometry(), made);
    }

    void fullScreenGlyphReachesALaterPane() {
        makeForm();
        form->guard([&] { form->FullScreenButtonClick(); });
        QCOMPARE(form->FullScreenButton->glyphIndex(), shell::kGlyphFullScreen);
        QVERIFY(!mediaPaneBuilt());
        QCOMPARE(form->FSBT->glyphIndex(), shell::kGlyphFullScreen);
        form->guard([&] { form->FullScreenButtonClick(); });
        QCOMPARE(form->FSBT->glyphIndex(), shell::kGlyphNormalScreen);
    }

    void positionTimerBeforeAnyMediaDoesNothing() {
        makeForm();
        form->Timer3->fire();
        QVERIFY(!mediaPaneBuilt());
        QVERIFY(rec.errors.isEmpty());
    }

    // --- The first picture --------------------------------------------------------------

    // While the first picture loads the pane is black (no title picture for a moment); a
    // picture that cannot be shown leaves the title picture, with the error.
    void firstPictureLoadsOnABlackPane_data() {
        QTest::addColumn<bool>("loads");
        QTest::newRow("picture") << true;
        QTest::newRow("damaged picture") << false;
    }
    void firstPictureLoadsOnABlackPane() {
        QFETCH(bool, loads);
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->P1->isVisible());  // the title picture
        const QByteArray path =
            loads ? writeBitmap(dir, QStringLiteral("first.bmp"), {60, 40})
                  : writeFile(dir, QStringLiteral("bad.bmp"), QByteArray(64, 'x'));
        *rec.readDelayMs = 300;
        drop(path);
        QVERIFY(form->isLoading());
        QVERIFY(form->BP1->isVisible());
        QVERIFY(!form->P1->isVisible());
        QTRY_VERIFY(!form->isLoading());
        QVERIFY(form->P1->isVisible());
        if (loads) {
            QVERIFY(rec.errors.isEmpty());
            QCOMPARE(form->Image2->picture().size(), QSize(60, 40));
        } else {
            QCOMPARE(rec.errors.size(), 1);
            QCOMPARE(form->Image2->picture().size(), QSize(640, 506));
        }
        // Later pictures replace the one shown without a black pane in between.
        if (loads) {
            drop(writeBitmap(dir, QStringLiteral("second.bmp"), {50, 40}));
            QVERIFY(form->isLoading());
            QVERIFY(form->P1->isVisible());
            QTRY_VERIFY(!form->isLoading());
        }
    }

    // The first file comes before the tool bar's text: while it loads (the picture pane black),
    // the tool bar waits; once the file is on the screen, the tool bar follows. A file slower
    // than the wait does not keep the tool bar away.
    void toolBarFollowsTheFirstFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<bool>("fileFirst");
        QTest::newRow("a picture in time") << "slow.bmp" << 10000 << true;
        QTest::newRow("a slow picture") << "slow.bmp" << 0 << false;
        QTest::newRow("a document in time") << "slow.txt" << 10000 << true;
    }
    void toolBarFollowsTheFirstFile() {
        QFETCH(QString, file);
        QFETCH(int, waitMs);
        QFETCH(bool, fileFirst);
        makeForm();
        form->setToolBarWaitMs(waitMs);
        *rec.readDelayMs = 300;
        const bool picture = file.endsWith(u".bmp");
        form->setCommandLineFiles(
            {picture ? writeBitmap(dir, file, {60, 40}) : writeFile(dir, file, "a slow document")});
        form->ToolBar1->installEventFilter(this);
        bool shownWhenToolBarCame = false;
        whenToolBarShown_ = [&] {
            shownWhenToolBarCame =
                picture ? form->Image2->picture().size() == QSize(60, 40)
                        : form->RichEdit1.ifBuilt() &&
                              form->RichEdit1.ifBuilt()->toPlainText() == u"a slow document";
        };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(!form->ToolBar1->isHidden());
        QTRY_VERIFY(!form->isLoading());
        whenToolBarShown_ = nullptr;
        QCOMPARE(shownWhenToolBarCame, fileFirst);
        QVERIFY(rec.errors.isEmpty());
    }

    // The command line opens its next file after the file it opened has loaded, not after a
    // load the user began meanwhile: stepping to another picture ends the list there.
    void commandLineWaitsForItsOwnFile() {
        QTemporaryDir folder;
        const QByteArray first = writeBitmap(folder, QStringLiteral("a.bmp"), {60, 40});
        writeBitmap(folder, QStringLiteral("c.bmp"), {30, 20});
        const QByteArray next = writeFile(folder, QStringLiteral("b.txt"), "next on the list");
        makeForm();
        *rec.readDelayMs = 300;
        form->setCommandLineFiles({first, next});
        form->show();
        QVERIFY(form->isLoading());  // the first picture is still being read
        form->guard([&] { form->NextButtonClick(); });
        QTRY_VERIFY(!form->isLoading());
        // Had the user's load let the list go on, the document would open now.
        QTest::qWait(400);
        QVERIFY(!form->isLoading());
        QVERIFY(form->state().PictureMode);
        QVERIFY(form->state().CurrentFile != next);
        QCOMPARE(form->Image2->picture().size(), QSize(30, 20));
        QVERIFY(rec.errors.isEmpty());
    }

    // A picture read ahead for a certain show is handed over on the calling thread, without a
    // worker and without touching the file, only while it is fresh and ready to draw at the
    // size asked for; anything else goes to the workers.
    void readyNowOnlyForAFreshCertainReadAhead_data() {
        QTest::addColumn<bool>("certain");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("freshForMs");
        QTest::addColumn<bool>("ready");
        QTest::newRow("bitmap") << true << "r.bmp" << QSize(640, 480) << 5000 << true;
        QTest::newRow("jpeg") << true << "r.jpg" << QSize(640, 480) << 5000 << true;
        QTest::newRow("read ahead for a step")
            << false << "r.bmp" << QSize(640, 480) << 5000 << false;
        QTest::newRow("jpeg, another size")
            << true << "r.jpg" << QSize(1280, 1024) << 5000 << false;
        QTest::newRow("no longer fresh") << true << "r.bmp" << QSize(640, 480) << 0 << false;
    }
    void readyNowOnlyForAFreshCertainReadAhead() {
        QFETCH(bool, certain);
        QFETCH(QString, file);
        QFETCH(QSize, client);
        QFETCH(int, freshForMs);
        QFETCH(bool, ready);
        rec = testing::Recorded();
        picture::PictureCache cache(testing::fakeFileSource(&rec), std::make_shared<WorkerPool>());
        const QByteArray path = file.endsWith(u".jpg")
                                    ? writeProgressive(dir, file, QSize(1600, 1200))
                                    : writeBitmap(dir, file, QSize(1600, 1200));
        QCOMPARE(cache.readyNow(path, QSize(640, 480), 1.0, 5000).has_value(), false);
        cache.prefetch(path, QSize(640, 480),
                       certain ? picture::PictureCache::Use::Certain
                               : picture::PictureCache::Use::Speculative);
        QTRY_VERIFY(cache.holds(path));
        QTest::qWait(5);
        const auto now = cache.readyNow(path, client, 1.0, freshForMs);
        QCOMPARE(now.has_value(), ready);
        if (ready) {
            QCOMPARE(now->picture.size(), QSize(1600, 1200));
            QVERIFY(now->fromCache);
            QVERIFY(!now->failure);
        }
        // Read once: a large JPEG by its head, then piece by piece as it decodes.
        QCOMPARE(*rec.reads, file.endsWith(u".jpg") ? 2 : 1);
        QCOMPARE(*rec.readsOnWindowThread, 0);
    }

    // The picture named on the command line, read ahead while the window was built, is in the
    // window's first paint: the show takes it at once.
    void commandLinePictureIsShownAtOnce() {
        form.reset();
        rec = testing::Recorded();
        const QByteArray path = writeBitmap(dir, QStringLiteral("cmd.bmp"), QSize(300, 200));
        auto cache = std::make_unique<picture::PictureCache>(testing::fakeFileSource(&rec),
                                                             std::make_shared<WorkerPool>());
        cache->prefetch(path, QSize(640, 480), picture::PictureCache::Use::Certain);
        QTRY_VERIFY(cache->holds(path));
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec), std::move(cache));
        form->setCommandLineFiles({path});
        form->show();  // no event is processed before these checks
        // Nothing is loading but the folder's list, which follows the picture.
        QVERIFY(form->isListingFolder());
        QVERIFY(form->P1->isVisible());
        QCOMPARE(form->Image2->picture().size(), QSize(300, 200));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       cmd.bmp"));
        QVERIFY(rec.errors.isEmpty());
    }

    // The picture named on the command line is read ahead before the window exists; a
    // progressive one shows its first look from that decode while it goes on.
    void readAheadPictureShowsItsFirstLook() {
        const QByteArray path =
            writeProgressive(dir, QStringLiteral("start.jpg"), QSize(3000, 2000));
        rec = testing::Recorded();
        auto cache = std::make_unique<picture::PictureCache>(testing::fakeFileSource(&rec),
                                                             std::make_shared<WorkerPool>());
        // The read ahead is still reading when the window asks for the picture.
        *rec.readDelayMs = 200;
        cache->prefetch(path, QSize(640, 480), picture::PictureCache::Use::Certain);
        std::atomic<int> looks{0};
        std::atomic<bool> lookSizeRight{true};
        std::optional<picture::LoadedPicture> result;
        cache->load(
            path, QSize(640, 480), 1.0, this,
            [&](picture::LoadedPicture loaded) { result = std::move(loaded); },
            [&](picture::Picture preview) {  // on a worker
                if (preview.size() != QSize(3000, 2000)) lookSizeRight = false;
                ++looks;
            });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
        QVERIFY(!result->failure);
        QVERIFY(result->fromCache);
        QCOMPARE(looks.load(), 1);
        QVERIFY(lookSizeRight);
        QCOMPARE(*rec.reads, 2);  // the read ahead's head and decode; the load read nothing
        // A load after the decode has finished shows the picture, with no first look.
        std::optional<picture::LoadedPicture> again;
        cache->load(
            path, QSize(640, 480), 1.0, this,
            [&](picture::LoadedPicture loaded) { again = std::move(loaded); },
            [&](picture::Picture) { ++looks; });
        QTRY_VERIFY(again.has_value());
        QCOMPARE(looks.load(), 1);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
