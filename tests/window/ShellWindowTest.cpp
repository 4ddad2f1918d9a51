// The main window through its real controls: the start state, commands and shortcuts, the
// three entrances and the routing, failures in the error box, full-screen mode, the About box.
#include "document/widgets/RichEditControl.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TextInk.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"
#include "window/Unit3.h"

#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace zarovia;
using shell::Command;

namespace {

QByteArray writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return QFile::encodeName(f.fileName());
}

QString counterOf(TzaroForm1& form) {
    return form.CounterPanel->caption();
}

}  // namespace

class ShellWindowTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    std::unique_ptr<TAboutBox> about;
    QTemporaryDir dir;

    void makeForm(std::vector<QByteArray> args = {}) {
        rec = testing::Recorded();
        about.reset();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        about = std::make_unique<TAboutBox>(form.get());
        form->setAboutBox(about.get());
        form->setCommandLineFiles(std::move(args));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    bool enabled(Command c) { return form->command(c)->isEnabled(); }
    // Handlers called directly run in the window's guard, as the event loop runs them.
    void drop(const QList<QByteArray>& files) {
        form->guard([&] { form->FormDropFiles(files); });
    }
    void press(Qt::MouseButton b) {
        form->guard([&] { form->BP1MouseDown(b); });
    }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void cleanup() {
        about.reset();
        form.reset();
    }

    void startState() {
        makeForm();
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       "));
        QCOMPARE(form->size(), QSize(640, 480));
        QVERIFY(form->BP1->isVisible());
        QVERIFY(form->ButtonPanel1->isVisible());
        QVERIFY(!form->BackPanel->isVisible());
        QVERIFY(!form->MojiPanel->isVisible());
        QCOMPARE(form->BP1->geometry(), QRect(0, 0, 640, 480));
        QCOMPARE(counterOf(*form), QString());
        QVERIFY(!enabled(Command::Start));
        QVERIFY(!enabled(Command::Stop));
        for (Command c : {Command::Open, Command::Close, Command::FullScreen, Command::Back,
                          Command::Next, Command::About, Command::Print, Command::CharPrint})
            QVERIFY(enabled(c));
        QVERIFY(!rec.cursorHidden);
        QVERIFY(!about->isVisible());
        QCOMPARE(form->SpinEdit1->value(), 3);
        QCOMPARE(form->FullScreenButton->glyphIndex(), 6);
    }

    void controlTreeNamesHintsAndPlaces() {
        makeForm();
        struct Row {
            const char* name;
            QRect bounds;
        } rows[] = {
            {"OpenButton", {0, 2, 23, 22}},        {"EndButton", {23, 2, 23, 22}},
            {"FullScreenButton", {54, 2, 23, 22}}, {"StartButton", {85, 2, 23, 22}},
            {"StopButton", {108, 2, 23, 22}},      {"BackButton", {131, 2, 23, 22}},
            {"NextButton", {154, 2, 23, 22}},      {"Label1", {185, 2, 39, 22}},
            {"SpinEdit1", {231, 2, 50, 26}},       {"Label2", {289, 2, 40, 22}},
            {"CounterPanel", {337, 2, 89, 22}},    {"HelpButton", {434, 2, 23, 22}},
            {"ToolButton14", {465, 2, 23, 22}},    {"CheckBox2", {496, 2, 97, 22}},
            {"ToolButton2", {0, 2, 26, 24}},       {"FSBT", {60, 2, 26, 24}},
            {"ToolButton4", {0, 0, 23, 22}},       {"Label5", {62, 0, 34, 22}},
            {"SizePanel", {104, 0, 100, 22}},      {"ToolButton19", {212, 0, 23, 22}},
            {"ToolButton21", {243, 0, 23, 22}},    {"MediaPlayer1", {120, 3, 57, 26}},
            {"TrackBar1", {264, 5, 336, 20}},      {"Wide", {209, 7, 50, 17}},
            {"Image3", {528, 48, 105, 105}},
        };
        // The media pane's controls are made the first time one of them is used.
        QVERIFY(form->MediaPlayer1.get());
        QVERIFY(form->SpinEdit1.get());
        for (const Row& row : rows) {
            auto* w = form->findChild<QWidget*>(QString::fromLatin1(row.name));
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), row.bounds);
            QVERIFY2(!w->accessibleName().isEmpty(), row.name);
        }
        QCOMPARE(form->findChild<QWidget*>("ToolButton14")->toolTip(), QStringLiteral("印刷"));
        QCOMPARE(form->findChild<QWidget*>("ToolButton21")->toolTip(), QStringLiteral("印刷"));
        QCOMPARE(form->SpinEdit1->toolTip(), QStringLiteral("表示時間（秒）"));
        QCOMPARE(form->CounterPanel->toolTip(), QStringLiteral("画像数表示"));
        QCOMPARE(form->Label1->text(), QStringLiteral("タイマ-"));
        QCOMPARE(form->Label3->text(), QStringLiteral("音の再生"));
        // The labels are placed as defined and sized to their text.
        QCOMPARE(form->Label3->pos(), QPoint(536, 48));
        QCOMPARE(form->Label4->pos(), QPoint(584, 56));
        QCOMPARE(form->Label4->size(), form->Label4->sizeHint());
        for (const shell::CommandRow& row : shell::commandTable()) {
            QAction* a = form->command(row.id);
            QCOMPARE(a->objectName(), QString::fromLatin1(row.name));
            if (*row.hint) QCOMPARE(a->toolTip(), QString::fromUtf8(row.hint));
        }
    }

    // Each tool-bar button runs its own command and shows that command's glyph; a separator
    // is a plain line that runs nothing and takes no keyboard.
    void toolBarItemsAndTheirCommands_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("command");  // -1: a separator
        const struct {
            const char* name;
            int command;
        } items[] = {
            {"OpenButton", int(Command::Open)},
            {"EndButton", int(Command::Close)},
            {"ToolButton9", -1},
            {"FullScreenButton", int(Command::FullScreen)},
            {"StartButton", int(Command::Start)},
            {"StopButton", int(Command::Stop)},
            {"BackButton", int(Command::Back)},
            {"NextButton", int(Command::Next)},
            {"ToolButton15", -1},
            {"HelpButton", int(Command::About)},
            {"ToolButton14", int(Command::Print)},
            {"ToolButton2", int(Command::Open)},
            {"ToolButton3", int(Command::Close)},
            {"ToolButton22", -1},
            {"FSBT", int(Command::FullScreen)},
            {"ToolButton4", int(Command::Open)},
            {"ToolButton5", int(Command::Close)},
            {"ToolButton16", -1},
            {"ToolButton19", int(Command::About)},
            {"ToolButton21", int(Command::CharPrint)},
        };
        for (const auto& item : items)
            QTest::newRow(item.name) << QString::fromLatin1(item.name) << item.command;
    }

    void toolBarItemsAndTheirCommands() {
        QFETCH(QString, name);
        QFETCH(int, command);
        makeForm();
        form->MediaPlayer1.get();  // the media pane's tool bar is made with its controls
        auto* widget = form->findChild<QWidget*>(name);
        QVERIFY(widget);
        auto* button = qobject_cast<controls::CommandButton*>(widget);
        if (command < 0) {
            QVERIFY(!button);
            QVERIFY(dynamic_cast<controls::ToolSeparator*>(widget));
            QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
            return;
        }
        QVERIFY(button);
        const auto id = static_cast<Command>(command);
        QCOMPARE(button->command(), form->command(id));
        // The full-screen buttons show the glyph of the mode they lead to, set at start.
        if (id != Command::FullScreen) QCOMPARE(button->glyphIndex(), shell::commandRow(id).glyph);
    }

    void fontsResolveToJapaneseSubstitutes() {
        makeForm();
        QCOMPARE(QFontInfo(form->font()).family(), QStringLiteral("IPAPGothic"));
        QCOMPARE(QFontInfo(form->Label4->font()).family(), QStringLiteral("AoyagiKouzanFontT"));
        QCOMPARE(QFontInfo(form->Label3->font()).family(), QStringLiteral("IPAPMincho"));
        QFont fixed(QStringLiteral("FixedSys"));
        QCOMPARE(QFontInfo(fixed).family(), QStringLiteral("IPAGothic"));
    }

    // Every text of the tool bar is drawn live by Qt through the desktop's fonts: each comes
    // out as the same text drawn by a plain label in the same font and colours, at whatever
    // scale factor and font settings the test runs with (ctest runs it at 1, 1.5 and 2, and
    // with antialiasing off and full hinting).
    void toolBarTextsLookLikeAPlainLabel_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::newRow("timer label") << "Label1"
                                     << "タイマ-";
        QTest::newRow("counter label") << "Label2"
                                       << "カウンタ";
        QTest::newRow("landscape check box") << "CheckBox2"
                                             << "横向き印刷";
        QTest::newRow("counter") << "CounterPanel"
                                 << "12/345";
        QTest::newRow("interval field") << "SpinEdit1"
                                        << "37";
        QTest::newRow("size readout") << "SizePanel"
                                      << "1024 KB";
    }
    void toolBarTextsLookLikeAPlainLabel() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        makeForm();
        // The interval field comes with the tool bar right after the window's first paint.
        QTRY_VERIFY(form->findChild<QWidget*>(control));
        auto* widget = form->findChild<QWidget*>(control);
        QColor ink = widget->palette().color(QPalette::WindowText);
        QColor paper = widget->palette().color(QPalette::Window);
        if (control == u"CounterPanel") {
            form->CounterPanel->setCaption(text);
        } else if (control == u"SizePanel") {
            form->SizePanel->setCaption(text);
            form->MojiPanel->show();
            form->BP1->hide();
        } else if (control == u"SpinEdit1") {
            form->SpinEdit1->setValue(text.toInt());
            ink = widget->palette().color(QPalette::Text);
            paper = widget->palette().color(QPalette::Base);
        }
        QTRY_VERIFY(widget->isVisible());
        // A plain label with the text, the font and the colours, placing its text as the
        // control does: panels centre their caption in their frame, the others set it from the
        // left.
        QLabel plain(text, form.get());
        plain.setFont(widget->font());
        QPalette p = plain.palette();
        p.setColor(QPalette::WindowText, ink);
        p.setColor(QPalette::Window, paper);
        plain.setPalette(p);
        plain.setAutoFillBackground(true);
        if (auto* panel = qobject_cast<controls::Panel*>(widget)) {
            plain.setFrameStyle(panel->frameStyle());
            plain.setLineWidth(panel->lineWidth());
            plain.setAlignment(Qt::AlignCenter);
            plain.resize(panel->size());
        } else {
            plain.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            plain.adjustSize();
            plain.resize(plain.width(), widget->height());
        }
        plain.show();
        const QImage shown = widget->grab().toImage();
        // Glyphs fall between device pixels where a control starts its text at a pixel that
        // the scale factor does not map onto a whole device pixel: the label starts its text
        // one, two or three pixels in as well, and one of these must match.
        QString problem;
        QImage reference;
        for (int indent = 0; indent < 4; ++indent) {
            plain.setIndent(indent);
            reference = plain.grab().toImage();
            problem = testing::sameInk(shown, reference, ink, paper);
            if (problem.isEmpty()) break;
        }
        QVERIFY2(problem.isEmpty(), qPrintable(control + QStringLiteral(": ") + problem));

        // The comparison tells a picture of the text apart: the text as drawn at one device
        // pixel per pixel, blown up to this density.
        const qreal ratio = reference.devicePixelRatio();
        if (ratio > 1.0) {
            QImage low(plain.size(), QImage::Format_RGB32);
            low.fill(paper);
            {
                QPainter painter(&low);
                painter.setFont(plain.font());
                painter.setPen(ink);
                painter.drawText(low.rect(), int(plain.alignment()), text);
            }
            QImage blownUp =
                low.scaled(reference.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            blownUp.setDevicePixelRatio(ratio);
            QVERIFY2(!testing::sameInk(shown, blownUp, ink, paper).isEmpty(),
                     "a blown-up picture of the text passes for the text");
        }
        // Under subpixel font settings, the text's edges are coloured, as the desktop asks.
        if (qEnvironmentVariableIsSet("ZAROVIA_EXPECT_SUBPIXEL_TEXT")) {
            const QImage rgb = reference.convertToFormat(QImage::Format_RGB32);
            int fringed = 0;
            for (int y = 0; y < rgb.height(); ++y)
                for (int x = 0; x < rgb.width(); ++x) {
                    const QRgb c = rgb.pixel(x, y);
                    fringed += std::max({qRed(c), qGreen(c), qBlue(c)}) -
                                   std::min({qRed(c), qGreen(c), qBlue(c)}) >
                               40;
                }
            QVERIFY2(fringed > 4 || ink.saturation() > 0 || paper.saturation() > 0,
                     qPrintable(QString::number(fringed)));
        }
        // Under font settings that turn antialiasing off, the text has no shades between its
        // ink and its paper, as the desktop asks.
        if (qEnvironmentVariableIsSet("ZAROVIA_EXPECT_ALIASED_TEXT")) {
            const std::vector<float> coverage = testing::inkCoverage(reference, ink, paper);
            const auto shaded = std::count_if(coverage.begin(), coverage.end(),
                                              [](float c) { return c > 0.1f && c < 0.9f; });
            QCOMPARE(shaded, 0);
        }
    }

    void shortcutsAtStart() {
        makeForm();
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!form->Timer1->isEnabled());
        QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(rec.errors.isEmpty());
        // Ctrl+O with a cancel and nothing opened yet: the title picture stays, no error.
        QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(rec.openDialogShown, 1);
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       "));
        QTest::keyClick(form.get(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(about->isVisible());
        about->hide();
        QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!form->state().WindowedMode);
        QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form->state().WindowedMode);
        // Next before any open: the list is empty, so the list-index failure at position 0.
        QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(rec.errors.value(0),
                 QStringLiteral("リストのインデックスが範囲を超えています (0)"));
        QCOMPARE(counterOf(*form), QStringLiteral("1/0"));
        QTest::keyClick(form.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!form->isVisible());
    }

    // Before any file, a left click on the start picture (or Next, or Back) finds the picture
    // list empty and reports the list-index failure; the start picture stays on the screen,
    // also after the window is resized and goes full screen and back.
    void startPictureStaysAfterTheListIndexError_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("error");
        QTest::newRow("left click") << "click"
                                    << "リストのインデックスが範囲を超えています (0)";
        QTest::newRow("Ctrl+N") << "next"
                                << "リストのインデックスが範囲を超えています (0)";
        QTest::newRow("Ctrl+B") << "back"
                                << "リストのインデックスが範囲を超えています (-1)";
    }
    void startPictureStaysAfterTheListIndexError() {
        QFETCH(QString, how);
        QFETCH(QString, error);
        makeForm();
        // The start picture's colours in the middle of the pane (its top is sky, its foot cloud).
        const auto titleShows = [&] {
            const QImage shown = form->grab().toImage();
            const QPoint centre = form->rect().center();
            int colours = 0;
            QSet<QRgb> seen;
            for (int dy = -40; dy <= 40; dy += 4)
                for (int dx = -40; dx <= 40; dx += 4)
                    seen.insert(shown.pixel(centre + QPoint(dx, dy)));
            colours = seen.size();
            return form->P1->isVisible() && form->Image2->isVisible() &&
                   form->Image2->picture().size() == QSize(640, 506) && colours > 8;
        };
        QVERIFY(titleShows());
        if (how == u"click") {
            const QPoint at = form->Image2->rect().center();
            QTest::mouseClick(form->Image2, Qt::LeftButton, Qt::NoModifier, at);
        } else {
            QTest::keyClick(form.get(), how == u"next" ? Qt::Key_N : Qt::Key_B,
                            Qt::ControlModifier);
        }
        QCOMPARE(rec.errors, QStringList{error});
        QVERIFY(titleShows());
        form->resize(800, 600);
        QTRY_COMPARE(form->size(), QSize(800, 600));
        QVERIFY(titleShows());
        form->command(Command::FullScreen)->trigger();
        QTRY_COMPARE(form->size(), rec.screen);
        QVERIFY(titleShows());
        form->command(Command::FullScreen)->trigger();
        QTRY_COMPARE(form->size(), QSize(640, 480));
        QVERIFY(titleShows());
        QCOMPARE(rec.errors.size(), 1);
    }

    void shortcutsWinOverTheRichEdit() {
        const QByteArray text = writeFile(dir, "note.txt", "hello");
        makeForm({text});
        QVERIFY(form->MojiPanel->isVisible());
        form->RichEdit1->setFocus();
        QTRY_VERIFY(form->RichEdit1->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(about->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!form->isVisible());
    }

    void commandLineDocument() {
        const QByteArray text = writeFile(dir, "readme", "plain words");
        makeForm({text});
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       readme"));
        QVERIFY(form->MojiPanel->isVisible());
        QVERIFY(!form->BP1->isVisible());
        QVERIFY(!form->state().PictureMode);
        QCOMPARE(counterOf(*form), QStringLiteral("1/0"));
        QVERIFY(enabled(Command::Start));
        QVERIFY(!enabled(Command::Stop));
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("11 byt"));
        QCOMPARE(form->state().CurrentFile, text);
    }

    void commandLineFailureStopsTheRest() {
        const QByteArray good = writeFile(dir, "b.txt", "x");
        const QByteArray missing = QFile::encodeName(dir.filePath("missing.txt"));
        makeForm({missing, good});
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルが見つかりません.")});
        QCOMPARE(form->state().CurrentFile, missing);
        QVERIFY(form->isVisible());
        QVERIFY(!form->MojiPanel->isVisible());
        QVERIFY(!form->BP1->isVisible());
        QVERIFY(!form->BackPanel->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       missing.txt"));
    }

    void droppedFolderAndFifo_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("folder") << QStringLiteral("holiday");
        QTest::newRow("fifo named .txt") << QStringLiteral("pipe.txt");
    }
    void droppedFolderAndFifo() {
        QFETCH(QString, name);
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (name == QLatin1String("holiday"))
            QDir(dir.path()).mkdir(name);
        else
            ::mkfifo(path.constData(), 0600);
        makeForm();
        drop({path, QFile::encodeName(dir.filePath("other.txt"))});
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルへのアクセスが拒否されました.")});
        QCOMPARE(form->state().CurrentFile, path);
        QVERIFY(!form->MojiPanel->isVisible());
        QVERIFY(!form->BP1->isVisible());
    }

    void droppedLongNameIsTakenWhole() {
        QString sub = dir.path();
        for (int i = 0; i < 6; ++i) {
            sub += QStringLiteral("/") + QString(50, QChar(u'd'));
            QDir().mkpath(sub);
        }
        QFile f(sub + QStringLiteral("/long-named-document.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("abc");
        f.close();
        const QByteArray path = QFile::encodeName(f.fileName());
        QVERIFY(path.size() > 300);
        makeForm();
        drop({path});
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(form->state().CurrentFile, path);
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("3 byt"));
    }

    // A real drop event: the names come from the text/uri-list bytes, so a CP932 name (not
    // valid UTF-8) opens as the file system holds it.
    void realDropOpensACp932Name() {
        const QByteArray name = QByteArray("\x93\xfa\x96\x7b\x8c\xea.txt");  // 日本語.txt
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        QFile file(QString::fromLocal8Bit(path));
        {
            FILE* out = std::fopen(path.constData(), "wb");
            QVERIFY(out);
            std::fputs("dropped", out);
            std::fclose(out);
        }
        makeForm();
        auto* mime = new QMimeData;
        mime->setData(QStringLiteral("text/uri-list"),
                      "file://" + path.toPercentEncoding("/") + "\r\n");
        const QPointF at(320, 240);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &dropEvent);
        delete mime;
        QTRY_COMPARE(form->state().CurrentFile, path);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QTRY_VERIFY(form->MojiPanel->isVisible());
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("7 byt"));
        QVERIFY(form->windowTitle().endsWith(QStringLiteral("日本語.txt")));
        std::remove(path.constData());
    }

    void openDialogCancelReopensPrevious() {
        const QByteArray doc = writeFile(dir, "a.csv", "1,2");
        makeForm();
        rec.openAnswers = {doc, QByteArray()};
        form->command(Command::Open)->trigger();
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       a.csv"));
        QFile::remove(QFile::decodeName(doc));
        // The previous file is opened again from scratch: now it is gone.
        form->command(Command::Open)->trigger();
        QCOMPARE(rec.openDialogShown, 2);
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルが見つかりません.")});
    }

    void openCommandKeepsCounterColour() {
        const QByteArray doc = writeFile(dir, "c.ini", "[x]");
        makeForm();
        form->CounterPanel->setFontColor(Qt::red);
        rec.openAnswers = {doc};
        form->command(Command::Open)->trigger();
        QCOMPARE(form->CounterPanel->palette().color(QPalette::WindowText), QColor(Qt::red));
        drop({doc});
        QCOMPARE(form->CounterPanel->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    }

    void fullScreenTwiceReturnsTo640x480() {
        makeForm();
        form->resize(800, 700);
        form->command(Command::FullScreen)->trigger();
        QVERIFY(form->state().FullScreenActive);
        QVERIFY(!form->state().WindowedMode);
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(form->FullScreenButton->glyphIndex(), 7);
        QCOMPARE(form->FSBT->glyphIndex(), 7);
        QTRY_COMPARE(form->size(), rec.screen);
        form->command(Command::FullScreen)->trigger();
        QVERIFY(!form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QTRY_COMPARE(form->size(), QSize(640, 480));
        QCOMPARE(form->FullScreenButton->glyphIndex(), 6);
        QCOMPARE(form->FSBT->glyphIndex(), 6);
        QVERIFY(form->state().WindowedMode);
        QVERIFY(!form->state().FullScreenActive);
    }

    void documentLeavesFullScreen() {
        const QByteArray doc = writeFile(dir, "d.bat", "echo");
        makeForm();
        form->command(Command::FullScreen)->trigger();
        drop({doc});
        QVERIFY(form->state().WindowedMode);
        QTRY_COMPARE(form->size(), QSize(640, 480));
        QVERIFY(form->MojiPanel->isVisible());
    }

    void aboutBox() {
        makeForm();
        form->command(Command::About)->trigger();
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(about->findChild<QLabel*>("Version")->text(), QStringLiteral("バージョン 1.2"));
        QCOMPARE(about->findChild<QLabel*>("ProductName")->text(), QStringLiteral("Zarovia"));
        QCOMPARE(about->size(), QSize(273, 195));
        QTest::keyClick(about.get(), Qt::Key_Escape);
        QVERIFY(about->isVisible());
        QTest::keyClick(about.get(), Qt::Key_Return);
        QVERIFY(!about->isVisible());
        form->command(Command::About)->trigger();
        QVERIFY(about->isVisible());
        about->findChild<QPushButton*>("OKButton")->click();
        QVERIFY(!about->isVisible());
        // The main window stays usable while the box is shown.
        form->command(Command::About)->trigger();
        form->command(Command::FullScreen)->trigger();
        QVERIFY(!form->state().WindowedMode);
    }

    void rightPressTogglesToolBarAndCursor() {
        makeForm();
        press(Qt::RightButton);
        QVERIFY(form->ButtonPanel1->isHidden());
        QVERIFY(rec.cursorHidden);
        press(Qt::MiddleButton);
        QVERIFY(form->ButtonPanel1->isHidden());
        press(Qt::RightButton);
        QVERIFY(!form->ButtonPanel1->isHidden());
        QVERIFY(!rec.cursorHidden);
    }
};

QTEST_MAIN(ShellWindowTest)
#include "ShellWindowTest.moc"
