// The window without a mouse and through a screen reader's eyes: Tab and Shift+Tab reach every
// control that takes input in the order the user sees them, the interval field takes Up, Down
// and digits and hands the keys back on Return or Escape, a ring shows where the focus is; and
// the accessible tree names every control in Japanese with its role and value, also when
// accessibility is switched on after the window is built.
#include "document/widgets/RichEditControl.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/FocusRing.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <memory>

using namespace zarovia;
using shell::Command;

namespace {

QByteArray writePicture(const QTemporaryDir& dir, const QString& name) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(dir.filePath(name), "BMP");
    return QFile::encodeName(dir.filePath(name));
}

QByteArray clip(const char* name) {
    return QByteArray(ZAROVIA_TEST_DATA) + "/media/" + name;
}

// Every interface below `root`, keyed by its object's name (unnamed objects are left out).
void collect(QAccessibleInterface* root, QHash<QString, QAccessibleInterface*>& found) {
    if (!root) return;
    if (QObject* object = root->object(); object && !object->objectName().isEmpty())
        found.insert(object->objectName(), root);
    for (int i = 0; i < root->childCount(); ++i) collect(root->child(i), found);
}

bool hasJapanese(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x3000) return true;
    return false;
}

}  // namespace

class KeyboardAccessTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    QTemporaryDir dir;
    controls::FocusRing* ring = nullptr;

    void makeForm() {
        rec = testing::Recorded();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        ring = form->findChild<controls::FocusRing*>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        // The tool bar is completed right after the first paint.
        QTRY_VERIFY(form->findChild<QWidget*>(QStringLiteral("SpinEdit1")));
    }
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000); }
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
        settle();
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    // The controls Tab visits from where the focus is, `count` presses.
    QList<QWidget*> tabs(int count, bool backwards = false) {
        QList<QWidget*> visited;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(focus() ? focus() : form.get(),
                            backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            visited << focus();
        }
        return visited;
    }
    // The ring's colour is on the focused control's edge, where the control itself is not.
    bool ringShownOn(QWidget* control) {
        if (!ring || ring->control() != control) return false;
        const QImage shown = control->grab().toImage();
        const QColor highlight = form->palette().color(QPalette::Active, QPalette::Highlight);
        int ringPixels = 0;
        for (int x = 0; x < shown.width(); ++x)
            ringPixels += QColor(shown.pixel(x, 0)) == highlight;
        return ringPixels > shown.width() / 2;
    }

private slots:
    void initTestCase() {
        window::substitutePlatformFonts();
        QVERIFY(dir.isValid());
    }
    void cleanup() {
        QAccessible::setActive(false);
        form.reset();
    }

    // --- Keyboard ------------------------------------------------------------------------

    void pictureWindowTabOrder() {
        writePicture(dir, QStringLiteral("a.bmp"));
        writePicture(dir, QStringLiteral("b.bmp"));
        makeForm();
        drop(QFile::encodeName(dir.filePath(QStringLiteral("a.bmp"))));
        // The pane has the keys: the arrow keys step pictures.
        QCOMPARE(focus(), form->BP1);
        QCOMPARE(form->CounterPanel->caption(), QStringLiteral("1/2"));
        QWidget* field = form->SpinEdit1.get();
        QWidget* landscape = form->CheckBox2;
        QCOMPARE(tabs(3), (QList<QWidget*>{field, landscape, field}));
        QVERIFY(ringShownOn(field));
        QCOMPARE(tabs(2, true), (QList<QWidget*>{landscape, field}));
        QCOMPARE(tabs(1, true), QList<QWidget*>{landscape});
        QVERIFY(ringShownOn(landscape));
        QTest::keyClick(landscape, Qt::Key_Space);
        QVERIFY(form->CheckBox2->isChecked());
        // Back in the pane (a click on the picture), no ring is drawn.
        QTest::mouseClick(form->Image2, Qt::RightButton);
        QTest::mouseClick(form->Image2, Qt::RightButton);
        QCOMPARE(focus(), form->BP1);
        QCOMPARE(ring->control(), nullptr);
        QVERIFY(rec.errors.isEmpty());
    }

    // While the interval field has the keys, Up, Down and digits change it and the arrow keys
    // stay in it; Return or Escape hands the keys back to the pane, where → and ← step pictures.
    void intervalFieldByKeyboard_data() {
        QTest::addColumn<int>("leaveKey");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");
        QTest::newRow("Return") << int(Qt::Key_Return) << "15" << 15;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << "7" << 7;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << "42" << 42;
        QTest::newRow("Return, above the range") << int(Qt::Key_Return) << "99" << 60;
        QTest::newRow("Escape, below the range") << int(Qt::Key_Escape) << "0" << 1;
    }
    void intervalFieldByKeyboard() {
        QFETCH(int, leaveKey);
        QFETCH(QString, typed);
        QFETCH(int, expected);
        QTemporaryDir pictures;
        writePicture(pictures, QStringLiteral("a.bmp"));
        writePicture(pictures, QStringLiteral("b.bmp"));
        writePicture(pictures, QStringLiteral("c.bmp"));
        makeForm();
        drop(QFile::encodeName(pictures.filePath(QStringLiteral("a.bmp"))));
        auto* field = static_cast<controls::SpinEdit*>(form->SpinEdit1.get());
        QCOMPARE(tabs(1), QList<QWidget*>{field});
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(field->value(), 4);
        QTest::keyClick(field, Qt::Key_Down);
        QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(field->value(), 2);
        // The arrows move in the field, not through the pictures.
        QTest::keyClick(field, Qt::Key_Right);
        QTest::keyClick(field, Qt::Key_Left);
        settle();
        QCOMPARE(form->CounterPanel->caption(), QStringLiteral("1/3"));
        field->editor()->selectAll();
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, Qt::Key(leaveKey));
        QCOMPARE(focus(), form->BP1);
        QCOMPARE(field->value(), expected);
        QTest::keyClick(focus(), Qt::Key_Right);
        settle();
        QCOMPARE(form->CounterPanel->caption(), QStringLiteral("2/3"));
        QTest::keyClick(focus(), Qt::Key_Left);
        QTest::keyClick(focus(), Qt::Key_Left);
        settle();
        QCOMPARE(form->CounterPanel->caption(), QStringLiteral("3/3"));
        // The slide show takes the interval typed.
        form->guard([&] { form->StartButtonClick(); });
        form->Timer1->fire();
        QCOMPARE(form->Timer1->interval(), expected * 1000);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
    }

    void mediaWindowTabOrder() {
        makeForm();
        QSignalSpy started(form->MediaPlayer1.get(), &media::MediaPlayerControl::started);
        rec.mediaDevice->lengthMs = 2500;
        drop(clip("clip.mpg"));
        QTRY_COMPARE(started.count(), 1);
        // The media bar is shown by a right click on the black around the video.
        form->guard([&] { form->BackPanelMouseDown(Qt::RightButton); });
        QVERIFY(form->CoolBar1->isVisible());
        QCOMPARE(focus(), form->BackPanel);
        QList<QWidget*> expected;
        for (QWidget* control :
             {static_cast<QWidget*>(form->MediaPlayer1->buttonWidget(media::PlayerButton::Play)),
              static_cast<QWidget*>(form->MediaPlayer1->buttonWidget(media::PlayerButton::Stop)),
              static_cast<QWidget*>(form->Wide.get()),
              static_cast<QWidget*>(form->TrackBar1.get())})
            if (control->isVisible() && control->isEnabled()) expected << control;
        QVERIFY2(expected.size() >= 3, "a button, the Wide box and the position bar");
        QCOMPARE(tabs(int(expected.size())), expected);
        QVERIFY(ringShownOn(expected.constLast()));
        // The position bar takes the arrow keys.
        const int before = form->TrackBar1->value();
        QTest::keyClick(form->TrackBar1.get(), Qt::Key_Right);
        QVERIFY(form->TrackBar1->value() > before);
        QList<QWidget*> backwards(expected.rbegin() + 1, expected.rend());
        QCOMPARE(tabs(int(backwards.size()), true), backwards);
    }

    void documentWindowTabReachesTheDocument() {
        QTemporaryDir docs;
        QFile text(docs.filePath(QStringLiteral("notes.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("first line\nsecond line\n");
        text.close();
        makeForm();
        drop(QFile::encodeName(text.fileName()));
        QWidget* document = form->RichEdit1.get();
        // The document has the keys as soon as it is shown; Tab goes round to it again and
        // types no tab into it.
        QCOMPARE(focus(), document);
        QCOMPARE(tabs(2), (QList<QWidget*>{document, document}));
        QCOMPARE(tabs(1, true), QList<QWidget*>{document});
        QCOMPARE(form->RichEdit1->toPlainText(), QStringLiteral("first line\nsecond line\n"));
        QVERIFY(ringShownOn(document));
    }

    // --- The accessible tree -------------------------------------------------------------

    // Switched on after the window is built (and, in the second row, before its first paint):
    // every control is there with its Japanese name, its role and its value.
    void accessibleTree_data() {
        QTest::addColumn<bool>("beforeFirstPaint");
        QTest::newRow("after the window is up") << false;
        QTest::newRow("before the window is painted") << true;
    }
    void accessibleTree() {
        QFETCH(bool, beforeFirstPaint);
        writePicture(dir, QStringLiteral("a.bmp"));
        writePicture(dir, QStringLiteral("b.bmp"));
        if (beforeFirstPaint) {
            rec = testing::Recorded();
            form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
            QAccessible::setActive(true);
            QVERIFY(form->findChild<QWidget*>(QStringLiteral("SpinEdit1")));
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        } else {
            makeForm();
            QAccessible::setActive(true);
        }
        drop(QFile::encodeName(dir.filePath(QStringLiteral("b.bmp"))));
        QHash<QString, QAccessibleInterface*> tree;
        collect(QAccessible::queryAccessibleInterface(form.get()), tree);

        QAccessibleInterface* field = tree.value(QStringLiteral("SpinEdit1"));
        QVERIFY(field);
        QCOMPARE(field->role(), QAccessible::SpinBox);
        QCOMPARE(field->text(QAccessible::Name), QStringLiteral("表示時間（秒）"));
        QVERIFY(field->valueInterface());
        QCOMPARE(field->valueInterface()->currentValue().toInt(), 3);
        QCOMPARE(field->valueInterface()->minimumValue().toInt(), 1);
        QCOMPARE(field->valueInterface()->maximumValue().toInt(), 60);
        QVERIFY(field->state().focusable);
        form->SpinEdit1->setValue(9);
        QCOMPARE(field->valueInterface()->currentValue().toInt(), 9);

        QAccessibleInterface* counter = tree.value(QStringLiteral("CounterPanel"));
        QVERIFY(counter);
        QCOMPARE(counter->role(), QAccessible::StaticText);
        QCOMPARE(counter->text(QAccessible::Name), QStringLiteral("画像数表示"));
        QCOMPARE(counter->text(QAccessible::Value), QStringLiteral("2/2"));
        QAccessibleTextInterface* counterText = counter->textInterface();
        QVERIFY(counterText);
        QCOMPARE(counterText->text(0, counterText->characterCount()), QStringLiteral("2/2"));

        QAccessibleInterface* landscape = tree.value(QStringLiteral("CheckBox2"));
        QVERIFY(landscape);
        QCOMPARE(landscape->role(), QAccessible::CheckBox);
        QCOMPARE(landscape->text(QAccessible::Name), QStringLiteral("横向き印刷"));
        QVERIFY(!landscape->state().checked);
        form->CheckBox2->setChecked(true);
        QVERIFY(landscape->state().checked);

        struct Expected {
            const char* object;
            QAccessible::Role role;
            const char* name;
        };
        for (const Expected& e : {
                 Expected{"Label1", QAccessible::StaticText, "タイマ-"},
                 Expected{"Label2", QAccessible::StaticText, "カウンタ"},
                 Expected{"OpenButton", QAccessible::Button, "開く"},
                 Expected{"NextButton", QAccessible::Button, "次へ"},
                 Expected{"ToolButton14", QAccessible::Button, "印刷"},
                 Expected{"BP1", QAccessible::Client, "画像"},
             }) {
            QAccessibleInterface* item = tree.value(QString::fromLatin1(e.object));
            QVERIFY2(item, e.object);
            if (e.role != QAccessible::Client) QCOMPARE(item->role(), e.role);
            QCOMPARE(item->text(QAccessible::Name), QString::fromUtf8(e.name));
        }
        // Every control the user can reach or read has a Japanese name.
        for (auto it = tree.constBegin(); it != tree.constEnd(); ++it) {
            const QAccessible::Role role = it.value()->role();
            if (role != QAccessible::Button && role != QAccessible::CheckBox &&
                role != QAccessible::SpinBox && role != QAccessible::Slider &&
                role != QAccessible::StaticText && role != QAccessible::EditableText)
                continue;
            const QString name = it.value()->text(QAccessible::Name);
            QVERIFY2(hasJapanese(name) || name == QLatin1String("Zarovia"),
                     qPrintable(it.key() + QStringLiteral(": ") + name));
        }
    }

    void accessibleMediaAndDocumentControls() {
        makeForm();
        QAccessible::setActive(true);
        QSignalSpy started(form->MediaPlayer1.get(), &media::MediaPlayerControl::started);
        rec.mediaDevice->lengthMs = 2500;
        drop(clip("clip.mpg"));
        QTRY_COMPARE(started.count(), 1);
        QHash<QString, QAccessibleInterface*> tree;
        collect(QAccessible::queryAccessibleInterface(form.get()), tree);
        QAccessibleInterface* position = tree.value(QStringLiteral("TrackBar1"));
        QVERIFY(position);
        QCOMPARE(position->role(), QAccessible::Slider);
        QCOMPARE(position->text(QAccessible::Name), QStringLiteral("再生位置"));
        form->TrackBar1->setMax(2500);
        form->TrackBar1->setPosition(1200);
        QCOMPARE(position->valueInterface()->currentValue().toInt(), 1200);
        QCOMPARE(position->valueInterface()->maximumValue().toInt(), 2500);
        QCOMPARE(tree.value(QStringLiteral("PlayButton"))->text(QAccessible::Name),
                 QStringLiteral("再生"));
        QCOMPARE(tree.value(QStringLiteral("StopButton"))->text(QAccessible::Name),
                 QStringLiteral("停止"));
        QAccessibleInterface* wide = tree.value(QStringLiteral("Wide"));
        QCOMPARE(wide->role(), QAccessible::CheckBox);
        QCOMPARE(wide->text(QAccessible::Name), QStringLiteral("ワイド"));

        QTemporaryDir docs;
        QFile text(docs.filePath(QStringLiteral("n.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("hello");
        text.close();
        drop(QFile::encodeName(text.fileName()));
        tree.clear();
        collect(QAccessible::queryAccessibleInterface(form.get()), tree);
        QAccessibleInterface* document = tree.value(QStringLiteral("RichEdit1"));
        QVERIFY(document);
        QCOMPARE(document->role(), QAccessible::EditableText);
        QCOMPARE(document->text(QAccessible::Name), QStringLiteral("文書の内容"));
        QAccessibleInterface* size = tree.value(QStringLiteral("SizePanel"));
        QCOMPARE(size->role(), QAccessible::StaticText);
        QCOMPARE(size->text(QAccessible::Name), QStringLiteral("サイズ表示"));
        QCOMPARE(size->text(QAccessible::Value), QStringLiteral("5 byt"));
    }
};

QTEST_MAIN(KeyboardAccessTest)
#include "KeyboardAccessTest.moc"
