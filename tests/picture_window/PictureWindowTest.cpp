// Pictures through the real window: opening a folder's picture, stepping, the slide show with
// a controllable timer, failures in the middle of a show, reading ahead, fitting on resize,
// and printing to PDF.
#include "picture/PictureCache.h"
#include "picture/PictureLoader.h"
#include "picture/jpeg/JpegPictureData.h"
#include "picture/metafile/MetafilePicture.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestInputs.h"
#include "support/TestPictures.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using namespace zarovia;
using shell::Command;
using testing::writeProgressive;

namespace {

QByteArray writePicture(const QTemporaryDir& dir, const QString& name, QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    const QByteArray format =
        name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) ? "BMP" : "JPEG";
    image.save(path, format.constData(), 95);
    return QFile::encodeName(path);
}

const QColor kRedText(255, 0, 0);
const QColor kAquaText(0, 255, 255);

}  // namespace

class PictureWindowTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    std::unique_ptr<QTemporaryDir> dir;
    QByteArray a, b, c;

    void makeForm() {
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // Pictures load on the workers: each step waits until what it started has arrived.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000); }
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
        settle();
    }
    void run(Command cmd) {
        form->command(cmd)->trigger();
        settle();
    }
    void tick() {
        form->Timer1->fire();
        settle();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form.get(), k, modifiers);
        settle();
    }
    void press(Qt::MouseButton button, bool onPicture = false) {
        form->guard([&] {
            if (onPicture)
                form->Image2MouseDown(button);
            else
                form->BP1MouseDown(button);
        });
        settle();
    }
    // The longest time the window's event loop went without turning while `until` was false.
    int longestStallMs(const std::function<bool()>& until) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer beat;
        beat.setInterval(5);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        beat.start();
        while (!until() && clock.elapsed() < 10000) QTest::qWait(5);
        return static_cast<int>(longest);
    }
    QString counter() { return form->CounterPanel->caption(); }
    QColor counterColour() { return form->CounterPanel->palette().color(QPalette::WindowText); }
    QSize shownSize() { return form->Image2->picture().size(); }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void init() {
        rec = testing::Recorded();
        rec.pdfPath = QString();
        dir = std::make_unique<QTemporaryDir>();
        a = writePicture(*dir, "a.jpg", {200, 100}, Qt::red);
        b = writePicture(*dir, "b.bmp", {300, 100}, Qt::green);
        c = writePicture(*dir, "c.JPG", {400, 100}, Qt::blue);
        makeForm();
    }
    void cleanup() { form.reset(); }

    void titlePictureFillsThePaneUntilTheFirstShow() {
        // Below the tool bar, over the rest of the client area.
        QCOMPARE(form->P1->geometry(), QRect(0, 32, 640, 448));
        QCOMPARE(form->Image2->geometry(), QRect(0, 0, 640, 448));
        QCOMPARE(form->Image2->picture().size(), QSize(640, 506));
        form->resize(700, 500);
        QTRY_COMPARE(form->Image2->geometry(), QRect(0, 0, 700, 468));
    }

    void openingShowsTheOpenedPictureAtItsPlace() {
        drop(c);
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(shownSize(), QSize(400, 100));
        QCOMPARE(counter(), QStringLiteral("3/3"));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       c.JPG"));
        QCOMPARE(form->P1->geometry(), QRect(120, 190, 400, 100));
        QVERIFY(form->command(Command::Start)->isEnabled());
        // Next goes on from the opened picture and wraps to the first.
        run(Command::Next);
        QCOMPARE(counter(), QStringLiteral("1/3"));
        QCOMPARE(shownSize(), QSize(200, 100));
        run(Command::Back);
        key(Qt::Key_Left);
        QCOMPARE(counter(), QStringLiteral("2/3"));
        key(Qt::Key_Right);
        key(Qt::Key_Left);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       b.bmp"));
    }

    void slideShow() {
        drop(a);
        form->SpinEdit1->setValue(5);
        run(Command::Start);
        QVERIFY(form->Timer1->isEnabled());
        QVERIFY(form->ButtonPanel1->isHidden());
        QVERIFY(rec.cursorHidden);
        QVERIFY(!form->command(Command::Print)->isEnabled());
        QVERIFY(!form->command(Command::Start)->isEnabled());
        QVERIFY(form->command(Command::Stop)->isEnabled());
        QCOMPARE(counterColour(), kRedText);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        auto        a.jpg"));
        // The first advance keeps the interval the timer had; the tick then takes the field's.
        QCOMPARE(form->Timer1->interval(), 1000);
        tick();
        QCOMPARE(form->Timer1->interval(), 5000);
        QCOMPARE(counter(), QStringLiteral("2/3"));
        const int restarts = form->Timer1->restarts();
        tick();
        QCOMPARE(form->Timer1->restarts(), restarts);  // same interval: the rhythm holds
        form->SpinEdit1->setValue(10);
        tick();
        QCOMPARE(form->Timer1->restarts(), restarts + 1);
        QCOMPARE(counter(), QStringLiteral("1/3"));  // wrapped past the end
        // Ctrl+P stops it while the tool bar is hidden.
        key(Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!form->Timer1->isEnabled());
        QCOMPARE(counterColour(), kAquaText);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       a.jpg"));
        QVERIFY(form->command(Command::Print)->isEnabled());
        QVERIFY(form->ButtonPanel1->isHidden());
        QVERIFY(rec.cursorHidden);
    }

    void intervalIsKeptWithinBounds() {
        drop(a);
        run(Command::Start);
        form->SpinEdit1->editor()->setText(QStringLiteral("0"));
        tick();
        QCOMPARE(form->Timer1->interval(), 1000);
        form->SpinEdit1->editor()->setText(QStringLiteral("999"));
        tick();
        QCOMPARE(form->Timer1->interval(), 60000);
    }

    void spinEditTakesDigitsAndItsBoundsOnLeaving() {
        form->SpinEdit1->setFocus();
        form->SpinEdit1->editor()->selectAll();
        QTest::keyClicks(form->SpinEdit1->editor(), QStringLiteral("9a9-"));
        QCOMPARE(form->SpinEdit1->editor()->text(), QStringLiteral("99"));
        QTest::keyClicks(form->SpinEdit1->editor(), QStringLiteral("9"));
        QTest::keyClicks(form->SpinEdit1->editor(), QStringLiteral("9"));  // a fourth digit
        QCOMPARE(form->SpinEdit1->editor()->text(), QStringLiteral("999"));
        form->SpinEdit1->clearFocus();
        QCOMPARE(form->SpinEdit1->value(), 60);
        form->SpinEdit1->setValue(1);
        QTest::keyClick(form->SpinEdit1.get(), Qt::Key_Down);
        QCOMPARE(form->SpinEdit1->value(), 1);
        QTest::keyClick(form->SpinEdit1.get(), Qt::Key_Up);
        QCOMPARE(form->SpinEdit1->value(), 2);
    }

    // Return takes the typed value as leaving the field does, and so does a tick while the
    // field keeps the focus: to the nearer bound.
    void intervalOnReturnAndTick_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::newRow("61") << "61" << 60;
        QTest::newRow("99") << "99" << 60;
        QTest::newRow("0") << "0" << 1;
        QTest::newRow("7") << "7" << 7;
    }
    void intervalOnReturnAndTick() {
        QFETCH(QString, typed);
        QFETCH(int, value);
        drop(a);
        run(Command::Start);
        form->SpinEdit1->setFocus();
        form->SpinEdit1->editor()->selectAll();
        QTest::keyClicks(form->SpinEdit1->editor(), typed);
        tick();
        QCOMPARE(form->Timer1->interval(), value * 1000);
        QTest::keyClick(form->SpinEdit1->editor(), Qt::Key_Return);
        QCOMPARE(form->SpinEdit1->value(), value);
        QCOMPARE(form->SpinEdit1->editor()->text(), QString::number(value));
        tick();
        QCOMPARE(form->Timer1->interval(), value * 1000);
    }

    void onePictureShow() {
        QFile::remove(QFile::decodeName(b));
        QFile::remove(QFile::decodeName(c));
        drop(a);
        run(Command::Start);
        tick();
        tick();
        QCOMPARE(counter(), QStringLiteral("1/1"));
        QVERIFY(rec.errors.isEmpty());
    }

    void failingPictureInTheMiddleOfAShow() {
        QFile bad(QFile::decodeName(b));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("BMnot really a bitmap");
        bad.close();
        drop(a);
        run(Command::Start);
        tick();
        QCOMPARE(rec.errors.size(), 1);
        QCOMPARE(counter(), QStringLiteral("2/3"));
        QCOMPARE(shownSize(), QSize(200, 100));  // the previous picture stays
        QVERIFY(form->Timer1->isEnabled());
        tick();
        QCOMPARE(counter(), QStringLiteral("3/3"));
        QCOMPARE(shownSize(), QSize(400, 100));
    }

    void pressesDuringAShow() {
        drop(a);
        run(Command::Start);
        press(Qt::RightButton);
        QVERIFY(!form->ButtonPanel1->isHidden());
        QVERIFY(!rec.cursorHidden);
        QVERIFY(form->Timer1->isEnabled());
        press(Qt::RightButton);
        QVERIFY(form->ButtonPanel1->isHidden());
        press(Qt::LeftButton, true);
        QVERIFY(!form->Timer1->isEnabled());
        QCOMPARE(counter(), QStringLiteral("2/3"));
        QVERIFY(form->ButtonPanel1->isHidden());
        QVERIFY(rec.cursorHidden);
        QVERIFY(form->command(Command::Print)->isEnabled());
    }

    void startAfterADocumentGoesOverThePictureList() {
        drop(b);
        QFile text(dir->filePath(QStringLiteral("n.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("words");
        text.close();
        drop(QFile::encodeName(text.fileName()));
        QVERIFY(!form->BP1->isVisible());
        run(Command::Start);
        QVERIFY(rec.errors.isEmpty());
        QVERIFY(form->BP1->isVisible());
        QCOMPARE(counter(), QStringLiteral("2/3"));
        tick();
        QCOMPARE(counter(), QStringLiteral("3/3"));
        QVERIFY(rec.errors.isEmpty());
    }

    void hiddenOnlyPictureIsShownWithoutAFailure() {
        QTemporaryDir other;
        const QByteArray hidden = writePicture(other, ".hidden.jpg", {50, 40}, Qt::gray);
        drop(hidden);
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(shownSize(), QSize(50, 40));
        QCOMPARE(counter(), QStringLiteral("1/0"));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       .hidden.jpg"));
    }

    void deletedEntryFailsAndKeepsThePrevious() {
        drop(a);
        QFile::remove(QFile::decodeName(b));
        run(Command::Next);
        QCOMPARE(rec.errors.size(), 1);
        QVERIFY(rec.errors[0].startsWith(QStringLiteral("ファイル \"")));
        QCOMPARE(counter(), QStringLiteral("2/3"));
        QCOMPARE(shownSize(), QSize(200, 100));
    }

    void readAheadSeesAReplacedFile() {
        drop(a);
        // b is being read ahead now; replace it before it is shown.
        QTest::qWait(200);
        QFile::remove(QFile::decodeName(b));
        writePicture(*dir, "b.bmp", {123, 45}, Qt::yellow);
        run(Command::Next);
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(shownSize(), QSize(123, 45));
        // c was read ahead while b was shown and is taken from the cache.
        QTest::qWait(200);
        const int hits = form->pictureCache().hits();
        run(Command::Next);
        QCOMPARE(shownSize(), QSize(400, 100));
        QCOMPARE(form->pictureCache().hits(), hits + 1);
    }

    void resizeRefitsThePicture() {
        const QByteArray big = writePicture(*dir, "big.jpg", {1000, 760}, Qt::white);
        drop(big);
        QCOMPARE(form->P1->geometry(), QRect(0, -3, 640, 486));
        form->resize(800, 600);
        QTRY_COMPARE(form->P1->geometry(), QRect(0, 0, 800, 608).translated(0, (600 - 608) / 2));
    }

    // A large picture read ahead is decoded for exactly the size the pane then paints it at:
    // shown, it is neither decoded again nor rescaled.
    void readAheadJpegIsShownAsDecoded() {
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("photos")));
        const QByteArray first = writePicture(*dir, "photos/p1.jpg", {4000, 3000}, Qt::white);
        const QByteArray second = writePicture(*dir, "photos/p2.jpg", {3000, 4000}, Qt::red);
        drop(first);
        QTRY_VERIFY(form->pictureCache().holds(second));
        run(Command::Next);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       p2.jpg"));
        const auto* jpeg =
            dynamic_cast<const picture::jpeg::JpegPictureData*>(form->Image2->picture().data());
        QVERIFY(jpeg);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Image2->repaint();
        const auto state = jpeg->screenState();
        QCOMPARE(state.decodeCount, 1);
        QCOMPARE(state.rescaleCount, 1);  // the copy painted is the decode itself
        QCOMPARE(state.scaledSize, state.decodedSize);
        QCOMPARE(state.pixelBytes, 4LL * state.decodedSize.width() * state.decodedSize.height());
    }

    // Grown to full size, the picture is decoded again, larger, on a worker from the file read
    // again (the shown picture holds its pixels, not its file); the pane draws the smaller
    // decode meanwhile.
    void grownWindowDecodesLargerOnAWorker() {
        // Alone in its folder, so that no read-ahead of a neighbour counts among the reads.
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("alone")));
        const QByteArray big = writePicture(*dir, "alone/big.jpg", {4000, 3000}, Qt::white);
        drop(big);
        const auto* jpeg =
            dynamic_cast<const picture::jpeg::JpegPictureData*>(form->Image2->picture().data());
        QVERIFY(jpeg);
        QCOMPARE(jpeg->screenState().scaleDenominator, 4);  // 1000 x 750 covers 640 x 480
        QVERIFY(jpeg->heldBytes().isEmpty());
        const int readsBefore = *rec.reads;
        form->resize(1600, 1200);
        QTRY_COMPARE(jpeg->screenState().scaleDenominator, 2);
        QCOMPARE(*rec.reads, readsBefore + 1);
        QCOMPARE(*rec.readsOnWindowThread, 0);
        QVERIFY(jpeg->heldBytes().isEmpty());
        QTRY_COMPARE(jpeg->screenState().scaledSize, QSize(1600, 1200));
    }

    // The view asks its preparer once per picture until told it is done, drawing the decode
    // there is meanwhile; a picture already prepared for the size is never asked for.
    void imageViewAsksItsPreparerOnceAtATime() {
        const QByteArray big = writePicture(*dir, "view.jpg", {1600, 1200}, Qt::white);
        const picture::Picture picture = picture::loadPictureFile(big);
        picture.prepare(QSize(200, 150));
        picture::ImageView view;
        view.setStretch(true);
        QList<QSize> asked;
        view.setPreparer(
            [&](const picture::Picture&, QSize devicePixels) { asked << devicePixels; });
        view.setPicture(picture);
        view.resize(200, 150);
        (void)view.grab();
        QVERIFY(asked.isEmpty());
        view.resize(800, 600);
        (void)view.grab();
        (void)view.grab();
        view.resize(1000, 750);  // asked already: drawn from the small decode meanwhile
        (void)view.grab();
        QCOMPARE(asked, QList<QSize>{QSize(800, 600)});
        picture.prepare(asked.first());
        view.resize(780, 585);
        view.refresh(picture);
        (void)view.grab();  // covered by the 1/2 decode
        QCOMPARE(asked.size(), 1);
        view.resize(1600, 1200);
        (void)view.grab();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.last(), QSize(1600, 1200));
    }

    void printing_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("landscape picture, portrait page") << QSize(300, 200) << false;
        QTest::newRow("portrait picture, portrait page") << QSize(200, 300) << false;
        QTest::newRow("landscape picture, landscape page") << QSize(300, 200) << true;
        QTest::newRow("portrait picture, landscape page") << QSize(200, 300) << true;
        QTest::newRow("small picture enlarged") << QSize(3, 2) << false;
    }
    void printing() {
        QFETCH(QSize, picture);
        QFETCH(bool, landscape);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            ZAROVIA_REQUIRE_INPUT(false, "pdftoppm (poppler-utils)");
        const QByteArray path = writePicture(*dir, "p.bmp", picture, Qt::black);
        drop(path);
        form->CheckBox2->setChecked(landscape);
        rec.pdfPath = dir->filePath(QStringLiteral("out.pdf"));
        run(Command::Print);
        QVERIFY(rec.errors.isEmpty());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {rec.pdfPath});
        QVERIFY(info.waitForFinished());
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(out));
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                      rec.pdfPath, dir->filePath(QStringLiteral("page"))});
        QVERIFY(raster.waitForFinished());
        const QImage page(dir->filePath(QStringLiteral("page-1.png")));
        QVERIFY(!page.isNull());
        QCOMPARE(page.width() > page.height(), landscape);
        // The picture lies in the top-left corner of the printable area, as large as the page
        // allows: black there, white below it or to its right.
        const bool widerThanPage =
            double(picture.width()) / picture.height() > double(page.width()) / page.height();
        auto dark = [&](double fx, double fy) {
            return qGray(page.pixel(int(fx * (page.width() - 1)), int(fy * (page.height() - 1)))) <
                   64;
        };
        QVERIFY(dark(0.1, 0.1));
        if (widerThanPage) {
            QVERIFY(dark(0.9, 0.1));
            QVERIFY(!dark(0.5, 0.97));
        } else {
            QVERIFY(dark(0.1, 0.9));
            QVERIFY(!dark(0.97, 0.5));
        }
    }

    // Icons and metafiles print by the same page rule as bitmaps, on white paper.
    void printingIconsAndMetafiles_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("icon") << QStringLiteral("ico/icotool_32x32_bpp32.ico");
        QTest::newRow("metafile") << QStringLiteral("metafile/wmf/inkscape_shapes_text.wmf");
    }
    void printingIconsAndMetafiles() {
        QFETCH(QString, source);
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            ZAROVIA_REQUIRE_INPUT(false, "pdfinfo (poppler-utils)");
        const QString copy = dir->filePath(QFileInfo(source).fileName());
        QVERIFY(QFile::copy(QStringLiteral(ZAROVIA_TEST_DATA "/") + source, copy));
        drop(QFile::encodeName(copy));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        rec.pdfPath = dir->filePath(QStringLiteral("shape.pdf"));
        run(Command::Print);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {rec.pdfPath});
        QVERIFY(info.waitForFinished());
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
        if (source.endsWith(QLatin1String(".wmf"))) {
            // A metafile is drawn on the page, not as a picture of the page: no raster image in
            // the PDF, and ink where its shapes are.
            QProcess images;
            images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), rec.pdfPath});
            QVERIFY(images.waitForFinished());
            const QStringList lines =
                QString::fromUtf8(images.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            QVERIFY2(lines.size() == 2, qPrintable(lines.join(u'\n')));  // the header only
            QProcess raster;
            raster.start(QStringLiteral("pdftoppm"),
                         {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                          rec.pdfPath, dir->filePath(QStringLiteral("shape"))});
            QVERIFY(raster.waitForFinished());
            const QImage page(dir->filePath(QStringLiteral("shape-1.png")));
            QVERIFY(!page.isNull());
            int ink = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x) ink += qGray(page.pixel(x, y)) < 200;
            QVERIFY(ink > 50);
        }
    }

    // A slow disk: the window keeps turning, answers Stop and Next at once, shows the busy
    // cursor, and the picture arrives in its place.
    void slowReadKeepsTheWindowTurning() {
        drop(a);
        *rec.readDelayMs = 2000;
        form->guard([&] { form->FormDropFiles({c}); });
        QVERIFY(form->isLoading());
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       c.JPG"));
        QTRY_COMPARE(form->cursor().shape(), Qt::BusyCursor);
        form->command(Command::Stop)->trigger();  // at once, while the load goes on
        QVERIFY(form->isLoading());
        const int stall = longestStallMs([&] { return !form->isLoading(); });
        // A read on the window's thread would stall it the whole 2000 ms.
        QVERIFY2(stall < 500, qPrintable(QStringLiteral("the window stalled %1 ms").arg(stall)));
        QCOMPARE(shownSize(), QSize(400, 100));
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(*rec.readsOnWindowThread, 0);
        QVERIFY(rec.errors.isEmpty());
    }

    void nextDuringALoadMovesOn() {
        drop(a);
        *rec.readDelayMs = 150;
        form->guard([&] { form->NextButtonClick(); });  // b, slow
        QVERIFY(form->isLoading());
        *rec.readDelayMs = 0;
        form->guard([&] { form->NextButtonClick(); });  // c supersedes it
        settle();
        QCOMPARE(counter(), QStringLiteral("3/3"));
        QCOMPARE(shownSize(), QSize(400, 100));
        // b's late answer changes nothing.
        QTest::qWait(250);
        QCOMPARE(shownSize(), QSize(400, 100));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       c.JPG"));
    }

    void closeAnswersAtOnceDuringALoad() {
        drop(a);
        *rec.readDelayMs = 2000;
        form->guard([&] { form->NextButtonClick(); });
        QVERIFY(form->isLoading());
        QElapsedTimer clock;
        clock.start();
        form->command(Command::Close)->trigger();
        QVERIFY(!form->isVisible());
        // Waiting for the load would take the whole 2000 ms.
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    }

    void ticksDoNotPileUpLoads() {
        drop(a);
        run(Command::Start);
        QTest::qWait(300);  // b has been read ahead by now
        const int readsBefore = *rec.reads;
        *rec.readDelayMs = 400;
        form->Timer1->fire();
        form->Timer1->fire();
        form->Timer1->fire();
        settle();
        QCOMPARE(counter(), QStringLiteral("2/3"));
        // b came from what was read ahead; at most c is being read ahead now.
        QVERIFY(*rec.reads - readsBefore <= 1);
        QVERIFY(form->Timer1->isEnabled());
    }

    // The error box is modal but the timers go on: a tick while it is open shows the next
    // picture.
    void ticksGoOnWhileTheErrorBoxIsOpen() {
        QFile bad(QFile::decodeName(b));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("BMnot a bitmap");
        bad.close();
        drop(a);
        run(Command::Start);
        bool ticked = false;
        rec.whileErrorShown = [&] {
            if (ticked) return;
            ticked = true;
            form->Timer1->fire();
            form->Timer3->fire();  // no media open: nothing happens
            QTRY_VERIFY(!form->isLoading());
        };
        tick();  // b fails; in the box, the next tick shows c
        QVERIFY(ticked);
        QCOMPARE(rec.errors.size(), 1);
        QCOMPARE(counter(), QStringLiteral("3/3"));
        QCOMPARE(shownSize(), QSize(400, 100));
        QVERIFY(form->Timer1->isEnabled());
    }

    void slowMetafileArrivesInPlace() {
        const QString copy = dir->filePath(QStringLiteral("shapes.wmf"));
        QVERIFY(QFile::copy(
            QStringLiteral(ZAROVIA_TEST_DATA "/metafile/wmf/inkscape_shapes_text.wmf"), copy));
        *rec.readDelayMs = 2000;
        form->guard([&] { form->FormDropFiles({QFile::encodeName(copy)}); });
        const int stall = longestStallMs([&] { return !form->isLoading(); });
        // A read on the window's thread would stall it the whole 2000 ms.
        QVERIFY2(stall < 500, qPrintable(QStringLiteral("the window stalled %1 ms").arg(stall)));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QCOMPARE(form->Image2->picture().kind(), picture::PictureKind::Metafile);
        QCOMPARE(*rec.readsOnWindowThread, 0);
    }

    // Resizing the window and full screen never play a metafile's steps on the window's thread:
    // the view shows the pixels it has, scaled, until a worker has drawn them at the new size.
    void metafileSizesAreDrawnOnWorkers() {
        const QString copy = dir->filePath(QStringLiteral("sized.wmf"));
        QVERIFY(QFile::copy(QStringLiteral(ZAROVIA_TEST_DATA "/metafile/wmf/wmfviewer_sample.wmf"),
                            copy));
        form->guard([&] { form->FormDropFiles({QFile::encodeName(copy)}); });
        QTRY_VERIFY(!form->isLoading());
        const auto* shown = dynamic_cast<const picture::metafile::MetafilePictureData*>(
            form->Image2->picture().data());
        QVERIFY(shown);
        const auto pixels = [&] {
            return (QSizeF(form->Image2->size()) * form->Image2->devicePixelRatioF()).toSize();
        };
        for (const QSize size : {QSize(900, 700), QSize(1200, 900), QSize(700, 500)}) {
            form->resize(size);
            (void)form->grab();  // a paint at once, with the pixels there are
            QTRY_VERIFY(shown->isPreparedFor(pixels()));
        }
        form->guard([&] { form->FullScreenButtonClick(); });
        (void)form->grab();
        QTRY_VERIFY(shown->isPreparedFor(pixels()));
        QCOMPARE(shown->playsOnApplicationThread(), 0);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
    }

    // Every picture the window puts up while `until` is false, in order.
    QList<const picture::PictureData*> picturesShownUntil(const std::function<bool()>& until) {
        QList<const picture::PictureData*> shown;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            const picture::PictureData* now = form->Image2->picture().data();
            if (shown.isEmpty() || shown.last() != now) shown.append(now);
            if (until()) break;
            QTest::qWait(1);
        }
        return shown;
    }

    // A progressive JPEG shows its first scans at once, fitted as the finished picture, which
    // then takes their place.
    void progressiveShowsAFirstLook() {
        const QByteArray p = writeProgressive(*dir, "p.jpg", {3000, 2000});
        form->guard([&] { form->FormDropFiles({p}); });
        const auto shown = picturesShownUntil([&] { return !form->isLoading(); });
        QVERIFY2(shown.size() >= 3, "title picture, first look, finished picture");
        QCOMPARE(form->Image2->picture().size(), QSize(3000, 2000));
        QCOMPARE(form->P1->geometry(), QRect(0, 26, 640, 427));
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       p.jpg"));
    }

    // Stepping on past a progressive picture never shows its first look afterwards.
    void noStaleFirstLook() {
        const QByteArray p = writeProgressive(*dir, "a2.jpg", {3000, 2000});  // between a and b
        drop(a);
        form->guard([&] { form->NextButtonClick(); });  // p: decoding
        form->guard([&] { form->NextButtonClick(); });  // b at once
        const auto shown = picturesShownUntil([&] { return !form->isLoading(); });
        QTest::qWait(300);
        for (const picture::PictureData* data : shown)
            QVERIFY(!data || data->naturalSize() != QSize(3000, 2000));
        QCOMPARE(shownSize(), QSize(300, 100));
        QCOMPARE(counter(), QStringLiteral("3/4"));
    }

    void printingCancelledPrintsNothing() {
        drop(a);
        rec.printConfirm = false;
        rec.pdfPath = dir->filePath(QStringLiteral("none.pdf"));
        run(Command::Print);
        QCOMPARE(rec.printDialogShown, 1);
        QVERIFY(!QFile::exists(rec.pdfPath));
    }
};

QTEST_MAIN(PictureWindowTest)
#include "PictureWindowTest.moc"
