// The capture window on a scripted screen and clipboard: the size controls, the cross dragged
// over the screen (also started from the keyboard, and given up with Escape), moving the picture
// inside the preview, the clipboard both ways, saving as a BMP file and the modal results, also
// through a real modal run; and, on a real X display, the cross dragged over a picture on the
// screen with real pointer events, and Escape from the real keyboard.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "capture/select_area.h"
#include "platform/bmp_codec.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"
#include "support/temp_folder.h"

using namespace gf;

namespace {

constexpr Color Red = Rgb(255, 0, 0);

// Every pixel of the scripted screen tells where it is.
Color ScreenColour(int x, int y) {
    return Rgb(static_cast<std::uint8_t>(x & 255), static_cast<std::uint8_t>(y & 255),
               static_cast<std::uint8_t>(((x >> 8) << 4) | (y >> 8)));
}

Bitmap PatternScreen(int w, int h) {
    Bitmap screen(w, h, PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            screen.SetPixel(x, y, ScreenColour(x, y));
    return screen;
}

// "" when `picture` shows the scripted screen from `origin` on (red where that lies off the
// screen of w x h), else the first pixel that does not.
QString DiffFromScreen(const Bitmap& picture, QPoint origin, int w, int h) {
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const int sx = origin.x() + x, sy = origin.y() + y;
            const bool on = sx >= 0 && sy >= 0 && sx < w && sy < h;
            const Color want = on ? ScreenColour(sx, sy) : Red;
            if (picture.GetPixel(x, y) != want)
                return QStringLiteral("(%1, %2): %3, not %4")
                    .arg(x)
                    .arg(y)
                    .arg(picture.GetPixel(x, y), 6, 16, QLatin1Char('0'))
                    .arg(want, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

Bitmap Solid(int w, int h, Color c) {
    Bitmap b(w, h, PixelFormat::Bits24);
    b.Fill(c);
    return b;
}

// The release a held pointer hands to its holder.
void ReleaseHeld(ScriptedSeam& seam, QPoint global) {
    QWidget* holder = seam.PointerHolder;
    QVERIFY(holder);
    QMouseEvent up(QEvent::MouseButtonRelease, holder->mapFromGlobal(QPointF(global)),
                   QPointF(global), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(holder, &up);
}

// Press, ticks at `ticks` (the pointer moved there first), release at `releaseAt`.
void DragCross(TForm2& form, ScriptedSeam& seam, const std::vector<QPoint>& ticks,
               QPoint releaseAt) {
    QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
    for (QPoint p : ticks) {
        seam.Pointer = p;
        form.Timer2Timer();
    }
    seam.Pointer = releaseAt;
    ReleaseHeld(seam, releaseAt);
}

void Press(QWidget* w, QPoint p) {
    QTest::mousePress(w, Qt::LeftButton, {}, p);
}
void Release(QWidget* w, QPoint p) {
    QTest::mouseRelease(w, Qt::LeftButton, {}, p);
}

// A scripted seam whose modal windows run for real, for checks of the modal loop itself.
class ExecSeam : public ScriptedSeam {
  public:
    int RunModal(QDialog& dialog) override { return dialog.exec(); }
};

// The known picture: every pixel tells where it is, and none is black or white.
constexpr QRect Target(600, 300, 160, 120);

QRgb TargetColour(int x, int y) {
    return qRgb(40 + x, 40 + y, 150);
}

QImage TargetPicture() {
    QImage picture(Target.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, TargetColour(x, y));
    return picture;
}

bool Xdotool(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

bool MovePointerTo(QPoint p) {
    return Xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

bool IsDot(QRgb c) {
    c &= 0xFFFFFF;
    return c == 0x000000 || c == 0xFFFFFF;
}

}  // namespace

class TestSelectArea : public QObject {
    Q_OBJECT
  private slots:
    void startsAsTheFormDoes();
    void slidersMoveTogetherWhileWidthEqualsHeight();
    void presetsSetTheSize_data();
    void presetsSetTheSize();
    void clipboardPictures_data();
    void clipboardPictures();
    void anEmptyClipboardKeepsThePreviousPicture();
    void movingThePictureStopsWhenItHasLeftThePreview();
    void draggingTheCrossTakesTheAreaOfTheLastTick();
    void aReleaseBeforeTheFirstTickTakesTheReleasePoint();
    void anAreaPartlyOffTheScreenIsRedThere();
    void anUnreadableScreenIsToldAndNothingIsHeld();
    void theCrossFromTheKeyboard_data();
    void theCrossFromTheKeyboard();
    void aSideOf0LeavesNothingToTake();
    void theSizeBoxShowsTheSizeInForce();
    void copyToClipboard();
    void saveAsBitmapFile();
    void okAndCancel();
    void theModalRunOutlastsACrossDrag();
    void crossOnARealDisplay();
    void escapeOnARealDisplay();
};

void TestSelectArea::startsAsTheFormDoes() {
    ScriptedSeam seam;
    TForm2 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Capture picture from screen"));
    QCOMPARE(form.size(), QSize(492, 346));
    QCOMPARE(form.Image1->pos(), QPoint(32, 32));
    QCOMPARE(form.Label3->pos(), QPoint(299, 8));
    QCOMPARE(form.Label4->pos(), QPoint(3, 290));
    QCOMPARE(form.TrackBar1->maximum(), 256);
    QCOMPARE(form.TrackBar2->minimum(), 0);
    QVERIFY(form.CheckBox2->isChecked());
    QVERIFY(form.SpeedButton4->isChecked());
    QVERIFY(!form.SpeedButton1->isVisibleTo(&form));
    QVERIFY(!form.Timer2->isActive());
    QCOMPARE(form.Timer2->interval(), 100);
    QCOMPARE(form.Label1->text(),
             QStringLiteral("Drag the following cross  to  capture screen area"));
    QCOMPARE(form.ComboBox1->count(), 6);
    QCOMPARE(form.ComboBox1->itemText(4), QStringLiteral("128 x 128"));
    QCOMPARE(form.SaveDialog1.Filter, QStringLiteral("Bitmap|*.bmp"));
    QVERIFY(form.CapturedBitmap.Empty());
    // Until a capture, the preview shows only its background.
    QCOMPARE(form.Picture.GetPixel(5, 5), White);
    QCOMPARE(form.CaptureWidth, 32);
}

void TestSelectArea::slidersMoveTogetherWhileWidthEqualsHeight() {
    ScriptedSeam seam;
    TForm2 form;
    form.TrackBar1->setValue(100);
    QCOMPARE(form.TrackBar2->value(), 100);
    form.TrackBar2->setValue(20);
    QCOMPARE(form.TrackBar1->value(), 20);
    QCOMPARE(form.Picture.Width(), 20);
    QCOMPARE(form.Image1->size(), QSize(20, 20));
    QCOMPARE(form.Label3->text(), QStringLiteral("20"));
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("20x20"));

    form.CheckBox2->setChecked(false);
    form.TrackBar1->setValue(70);
    QCOMPARE(form.TrackBar2->value(), 20);
    QCOMPARE(form.CaptureWidth, 70);
    QCOMPARE(form.CaptureHeight, 20);
    QCOMPARE(form.Label4->text(), QStringLiteral("20"));
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("70x20"));
}

void TestSelectArea::presetsSetTheSize_data() {
    QTest::addColumn<bool>("widthEqualsHeight");
    QTest::addColumn<QString>("text");  // picked from the list when it is an item, else typed
    QTest::addColumn<int>("side");      // 0: nothing changes
    QTest::newRow("16") << true << "16 x 16" << 16;
    QTest::newRow("64") << true << "64 x 64" << 64;
    QTest::newRow("64, sides free") << false << "64 x 64" << 64;
    QTest::newRow("256") << true << "256 x 256" << 256;
    QTest::newRow("picked twice") << true << "32 x 32|32 x 32" << 32;
    QTest::newRow("typed, a preset") << true << "typed:128 x 128" << 128;
    QTest::newRow("typed, completed") << true << "typed:6" << 64;
    QTest::newRow("typed, not a preset") << true << "typed:70 x 70" << 0;
    QTest::newRow("typed, the refresh's own text") << true << "typed:64x64" << 0;
}

void TestSelectArea::presetsSetTheSize() {
    QFETCH(bool, widthEqualsHeight);
    QFETCH(QString, text);
    QFETCH(int, side);
    ScriptedSeam seam;
    TForm2 form;
    form.CheckBox2->setChecked(widthEqualsHeight);
    form.TrackBar1->setValue(40);
    form.TrackBar2->setValue(30);
    const QSize before(form.CaptureWidth, form.CaptureHeight);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QStringList steps = text.split(QLatin1Char('|'));
    for (const QString& step : steps) {
        if (&step != &steps.front())
            form.TrackBar1->setValue(20);  // so that picking the same item again has to count
        if (step.startsWith(QStringLiteral("typed:"))) {
            QLineEdit* box = form.ComboBox1->lineEdit();
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, step.mid(6));
            // Typing alone changes nothing, also where the box completes a preset.
            QCOMPARE(QSize(form.CaptureWidth, form.CaptureHeight), before);
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            // As the user picks it from the list.
            form.ComboBox1->showPopup();
            QAbstractItemView* list = form.ComboBox1->view();
            list->setCurrentIndex(
                form.ComboBox1->model()->index(form.ComboBox1->findText(step), 0));
            QTest::keyClick(list->viewport(), Qt::Key_Return);
        }
    }
    if (side == 0) {
        QCOMPARE(QSize(form.CaptureWidth, form.CaptureHeight), before);
        QCOMPARE(form.ComboBox1->currentText(),
                 QStringLiteral("%1x%2").arg(before.width()).arg(before.height()));
        return;
    }
    QCOMPARE(form.CaptureWidth, side);
    QCOMPARE(form.CaptureHeight, side);
    QCOMPARE(form.Picture.Width(), side);
    QCOMPARE(form.Picture.Height(), side);
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("%1x%1").arg(side));
}

void TestSelectArea::clipboardPictures_data() {
    QTest::addColumn<QSize>("clipped");
    QTest::addColumn<QSize>("result");
    QTest::addColumn<bool>("stillEqual");
    QTest::newRow("300 x 200 is too large") << QSize(300, 200) << QSize(128, 128) << true;
    QTest::newRow("100 x 60") << QSize(100, 60) << QSize(100, 60) << false;
    QTest::newRow("40 x 40") << QSize(40, 40) << QSize(40, 40) << true;
    QTest::newRow("256 x 256") << QSize(256, 256) << QSize(256, 256) << true;
    QTest::newRow("257 x 10") << QSize(257, 10) << QSize(128, 128) << true;
}

void TestSelectArea::clipboardPictures() {
    QFETCH(QSize, clipped);
    QFETCH(QSize, result);
    QFETCH(bool, stillEqual);
    ScriptedSeam seam;
    seam.Clipboard = PatternScreen(clipped.width(), clipped.height());
    TForm2 form;
    form.FillPicture(Red);
    form.PictureOffset = QPoint(5, 5);
    form.suiButton5->click();

    QVERIFY(seam.Messages.isEmpty());
    QCOMPARE(form.CheckBox2->isChecked(), stillEqual);
    QCOMPARE(QSize(form.CaptureWidth, form.CaptureHeight), result);
    QCOMPARE(form.CapturedBitmap.Width(), clipped.width());
    QCOMPARE(form.PictureOffset, QPoint(0, 0));
    // The result shows the picture's top-left part; where it ends, the background.
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(0, 0), clipped.width(), clipped.height()),
             QString());
}

void TestSelectArea::anEmptyClipboardKeepsThePreviousPicture() {
    ScriptedSeam seam;
    seam.Clipboard = Solid(20, 20, Rgb(1, 2, 3));
    TForm2 form;
    form.suiButton5->click();
    seam.Clipboard.reset();
    form.suiButton5->click();
    seam.Clipboard = Bitmap();
    form.suiButton5->click();
    QCOMPARE(seam.Messages,
             QStringList(2, QStringLiteral("There is no bitmap image in clipboard.")));
    QCOMPARE(form.CapturedBitmap.GetPixel(19, 19), Rgb(1, 2, 3));
}

void TestSelectArea::movingThePictureStopsWhenItHasLeftThePreview() {
    ScriptedSeam seam;
    seam.Clipboard = PatternScreen(100, 60);
    TForm2 form;
    form.FillPicture(Red);
    form.suiButton5->click();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // The picture jumps on release, by the way the pointer went.
    Press(form.Image1, QPoint(50, 30));
    QCOMPARE(form.PictureOffset, QPoint(0, 0));
    Release(form.Image1, QPoint(40, 25));
    QCOMPARE(form.PictureOffset, QPoint(-10, -5));
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(10, 5), 100, 60), QString());
    // The part it uncovers shows the background: red, as the Capture command sets it.
    QCOMPARE(form.Picture.GetPixel(99, 59), Red);

    // Far to the left and up: it stops with its far edges on the preview's near edges.
    Press(form.Image1, QPoint(90, 50));
    Release(form.Image1, QPoint(-900, -900));
    QCOMPARE(form.PictureOffset, QPoint(-100, -60));
    QCOMPARE(form.Picture.GetPixel(0, 0), Red);
    // Far to the right and down: its near edges on the preview's far edges.
    Press(form.Image1, QPoint(1, 1));
    Release(form.Image1, QPoint(2000, 2000));
    QCOMPARE(form.PictureOffset, QPoint(100, 60));

    // A double click puts it back.
    QTest::mouseDClick(form.Image1, Qt::LeftButton, {}, QPoint(3, 3));
    Release(form.Image1, QPoint(3, 3));
    QCOMPARE(form.PictureOffset, QPoint(0, 0));
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(0, 0), 100, 60), QString());
}

void TestSelectArea::draggingTheCrossTakesTheAreaOfTheLastTick() {
    ScriptedSeam seam;
    seam.Screen = PatternScreen(640, 480);
    TForm2 form;
    form.TrackBar1->setValue(32);
    form.PictureOffset = QPoint(7, 7);
    form.show();

    QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
    QVERIFY(form.CrossDragging);
    QVERIFY(!form.isVisible());
    QVERIFY(form.Timer2->isActive());
    QCOMPARE(seam.PointerHolder, static_cast<QWidget*>(form.SpeedButton4));
    QCOMPARE(seam.HeldCursor, Qt::CrossCursor);
    QVERIFY(form.SpeedButton4->icon().isNull());
    QVERIFY(!seam.Frame);

    seam.Pointer = QPoint(200, 100);
    form.Timer2Timer();
    QCOMPARE(seam.Frame, std::optional<QRect>(QRect(184, 84, 32, 32)));
    seam.Pointer = QPoint(301, 222);
    form.Timer2Timer();
    QCOMPARE(seam.Frame, std::optional<QRect>(QRect(285, 206, 32, 32)));

    // The release lands elsewhere; the area is the one the frame showed at the last tick.
    seam.Log.clear();
    ReleaseHeld(seam, QPoint(500, 400));
    QVERIFY(!form.CrossDragging);
    QVERIFY(form.isVisible());
    QVERIFY(!form.Timer2->isActive());
    QVERIFY(!seam.PointerHolder);
    QVERIFY(!seam.Frame);
    QVERIFY(!form.SpeedButton4->icon().isNull());
    // The frame is gone before the screen is read.
    const int hidden = seam.Log.indexOf(QStringLiteral("frame hidden"));
    const int grab = seam.Log.indexOf(QStringLiteral("grab 285,206 32x32"));
    QVERIFY2(hidden >= 0 && grab > hidden, qPrintable(seam.Log.join(QLatin1Char('\n'))));
    QCOMPARE(form.PictureOffset, QPoint(0, 0));
    QCOMPARE(form.CapturedBitmap.Width(), 32);
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(285, 206), 640, 480), QString());

    // A stray release afterwards takes nothing.
    const Bitmap kept = form.CapturedBitmap;
    QTest::mouseRelease(form.SpeedButton4, Qt::LeftButton);
    QCOMPARE(form.CapturedBitmap, kept);
}

void TestSelectArea::aReleaseBeforeTheFirstTickTakesTheReleasePoint() {
    ScriptedSeam seam;
    seam.Screen = PatternScreen(640, 480);
    TForm2 form;
    form.CheckBox2->setChecked(false);
    form.TrackBar1->setValue(20);
    form.TrackBar2->setValue(11);
    DragCross(form, seam, {}, QPoint(100, 50));
    QVERIFY(seam.Log.contains(QStringLiteral("grab 90,45 20x11")));
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(90, 45), 640, 480), QString());
}

void TestSelectArea::anAreaPartlyOffTheScreenIsRedThere() {
    ScriptedSeam seam;
    seam.Screen = PatternScreen(640, 480);
    TForm2 form;
    form.TrackBar1->setValue(48);
    DragCross(form, seam, {QPoint(5, 470)}, QPoint(5, 470));
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(-19, 446), 640, 480), QString());
    QCOMPARE(form.Picture.GetPixel(0, 47), Red);
}

void TestSelectArea::anUnreadableScreenIsToldAndNothingIsHeld() {
    ScriptedSeam seam;
    seam.ScreenReadable = false;
    seam.Clipboard = Solid(16, 16, Rgb(9, 9, 9));
    TForm2 form;
    form.show();
    QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
    QTest::mouseRelease(form.SpeedButton4, Qt::LeftButton);
    QCOMPARE(seam.Messages.size(), 1);
    QVERIFY(seam.Messages.first().contains(QStringLiteral("Load from clipboard")));
    QVERIFY(!seam.Messages.first().contains(QLatin1Char('\n')));
    QVERIFY(form.isVisible());
    QVERIFY(!form.CrossDragging);
    QVERIFY(!seam.PointerHolder);
    QVERIFY(form.CapturedBitmap.Empty());
    // The clipboard still serves.
    form.suiButton5->click();
    QCOMPARE(form.Picture.GetPixel(3, 3), Rgb(9, 9, 9));
}

// A key the held keyboard hands to the cross, as the overlay does during a drag.
void PressHeldKey(ScriptedSeam& seam, int key) {
    QWidget* holder = seam.PointerHolder;
    QVERIFY(holder);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(holder, &press);
}

void TestSelectArea::theCrossFromTheKeyboard_data() {
    QTest::addColumn<bool>("startWithSpace");  // else with the mouse
    QTest::addColumn<int>("endKey");           // 0: a mouse release
    QTest::addColumn<bool>("taken");
    QTest::newRow("Space, then a click") << true << 0 << true;
    QTest::newRow("Space, then Space") << true << int(Qt::Key_Space) << true;
    QTest::newRow("Space, then Enter") << true << int(Qt::Key_Return) << true;
    QTest::newRow("Space, then Escape") << true << int(Qt::Key_Escape) << false;
    QTest::newRow("a mouse drag, then Escape") << false << int(Qt::Key_Escape) << false;
}

void TestSelectArea::theCrossFromTheKeyboard() {
    QFETCH(bool, startWithSpace);
    QFETCH(int, endKey);
    QFETCH(bool, taken);
    ScriptedSeam seam;
    seam.Screen = PatternScreen(640, 480);
    seam.Clipboard = Solid(20, 20, Rgb(1, 2, 3));
    TForm2 form;
    form.suiButton5->click();
    form.PictureOffset = QPoint(3, 3);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    if (startWithSpace) {
        form.SpeedButton4->setFocus();
        QTest::keyClick(form.SpeedButton4, Qt::Key_Space);
    } else {
        QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
    }
    QVERIFY(form.CrossDragging);
    QVERIFY(!form.isVisible());
    QCOMPARE(seam.PointerHolder, static_cast<QWidget*>(form.SpeedButton4));
    // Space neither clicks the cross nor lets it spring up.
    QVERIFY(form.SpeedButton4->isChecked());
    seam.Pointer = QPoint(200, 100);
    form.Timer2Timer();
    seam.Pointer = QPoint(210, 110);  // moved after the last tick
    if (endKey == 0)
        ReleaseHeld(seam, seam.Pointer);
    else
        PressHeldKey(seam, endKey);

    QVERIFY(!form.CrossDragging);
    QVERIFY(form.isVisible());
    QVERIFY(!form.Timer2->isActive());
    QVERIFY(!seam.PointerHolder);
    QVERIFY(!seam.Frame);
    if (taken) {
        QCOMPARE(form.PictureOffset, QPoint(0, 0));
        QCOMPARE(DiffFromScreen(form.Picture, QPoint(190, 90), 640, 480), QString());
    } else {
        // Given up: the picture before the drag, where it was.
        QCOMPARE(form.CapturedBitmap, Solid(20, 20, Rgb(1, 2, 3)));
        QCOMPARE(form.PictureOffset, QPoint(3, 3));
        QVERIFY(!seam.Log.join(QLatin1Char(' ')).contains(QStringLiteral("grab")));
    }
    // Escape, Enter and a second Space mean nothing once no drag is on: the window stays.
    QTest::keyClick(form.SpeedButton4, Qt::Key_Escape);
    QCOMPARE(form.result(), 0);
}

void TestSelectArea::aSideOf0LeavesNothingToTake() {
    ScriptedSeam seam;
    seam.Clipboard = Solid(20, 20, Rgb(1, 2, 3));
    TForm2 form;
    form.suiButton5->click();
    const std::vector<QWidget*> needsPicture = {form.SpeedButton4, form.BitBtn2, form.BitBtn3,
                                                form.BitBtn4};
    form.CheckBox2->setChecked(false);
    form.TrackBar2->setValue(0);
    for (QWidget* w : needsPicture)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(form.suiButton5->isEnabled());
    QVERIFY(form.BitBtn5->isEnabled());
    // The user's clipboard is not emptied by a picture of nothing.
    form.BitBtn2->click();
    QVERIFY(seam.Messages.isEmpty());
    QCOMPARE(seam.Clipboard->Width(), 20);
    form.TrackBar2->setValue(1);
    for (QWidget* w : needsPicture)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
}

void TestSelectArea::theSizeBoxShowsTheSizeInForce() {
    ScriptedSeam seam;
    TForm2 form;
    form.TrackBar1->setValue(48);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.BitBtn4->isDefault());
    QLineEdit* box = form.ComboBox1->lineEdit();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("100x60"));
    QCOMPARE(form.CaptureWidth, 48);
    // Enter confirms the box, which then shows the size in force; the window stays open.
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("48x48"));
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);
    // So does leaving it.
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("7"));
    form.CheckBox2->setFocus();
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("48x48"));
    // Elsewhere Enter is "Ok".
    QTest::keyClick(form.CheckBox2, Qt::Key_Return);
    QCOMPARE(form.result(), TForm2::ResultOk);
}

void TestSelectArea::copyToClipboard() {
    ScriptedSeam seam;
    seam.Clipboard = PatternScreen(50, 50);
    TForm2 form;
    form.suiButton5->click();
    form.TrackBar1->setValue(24);
    seam.Clipboard.reset();
    form.BitBtn2->click();
    QCOMPARE(seam.Messages, QStringList{QStringLiteral("Image have copied to clipboard!")});
    QVERIFY(seam.Clipboard);
    QCOMPARE(seam.Clipboard->Width(), 24);
    QCOMPARE(seam.Clipboard->Height(), 24);
    QCOMPARE(DiffFromScreen(*seam.Clipboard, QPoint(0, 0), 50, 50), QString());
}

void TestSelectArea::saveAsBitmapFile() {
    ScriptedSeam seam;
    test::TempFolder dir;
    seam.Clipboard = PatternScreen(30, 20);
    TForm2 form;
    form.suiButton5->click();

    // Another extension is replaced; no extension gets one.
    seam.FileAnswers = {{ToQString(dir / "shot.png")}, {ToQString(dir / "plain")}};
    form.BitBtn3->click();
    form.BitBtn3->click();
    QVERIFY(!std::filesystem::exists(dir / "shot.png"));
    for (const char* name : {"shot.bmp", "plain.bmp"}) {
        Result<Bitmap> saved = LoadBmpFile(dir / name);
        QVERIFY2(saved, name);
        QCOMPARE(saved->Format(), PixelFormat::Bits32);
        QCOMPARE(saved->Width(), 30);
        QCOMPARE(saved->Height(), 20);
        QCOMPARE(DiffFromScreen(saved->ConvertedTo(PixelFormat::Bits24), QPoint(0, 0), 30, 20),
                 QString());
    }
    QVERIFY(seam.Questions.isEmpty());
    QVERIFY(!seam.FileDialogsShown.front().OverwritePrompt);

    // An existing file is replaced only when the user agrees; a cancelled dialog does nothing.
    std::ofstream(dir / "old.bmp") << "mine";
    seam.FileAnswers = {{ToQString(dir / "old.jpg")}, {QString()}};
    seam.Answers = {Answer::No};
    form.BitBtn3->click();
    form.BitBtn3->click();
    QCOMPARE(seam.Questions.size(), 1);
    QVERIFY(seam.Questions.first().contains(ToQString(dir / "old.bmp")));
    QCOMPARE(std::filesystem::file_size(dir / "old.bmp"), std::uintmax_t{4});

    // A place that cannot be written: told, nothing left behind.
    seam.FileAnswers = {{ToQString(dir / "missing" / "x.bmp")}};
    form.BitBtn3->click();
    QCOMPARE(seam.Messages.size(), 1);
    QVERIFY(seam.Messages.first().startsWith(QStringLiteral("Can not write file ")));
}

void TestSelectArea::okAndCancel() {
    ScriptedSeam seam;
    TForm2 form;
    seam.ModalScripts.push_back([](QDialog& d) {
        static_cast<TForm2&>(d).BitBtn4->click();
        return d.result();
    });
    seam.ModalScripts.push_back([](QDialog& d) {
        static_cast<TForm2&>(d).BitBtn5->click();
        return d.result();
    });
    QCOMPARE(RunModal(form), TForm2::ResultOk);
    QCOMPARE(RunModal(form), TForm2::ResultCancel);
    QCOMPARE(Form2, &form);
}

void TestSelectArea::theModalRunOutlastsACrossDrag() {
    ExecSeam seam;
    seam.Screen = PatternScreen(640, 480);
    TForm2 form;
    form.TrackBar1->setValue(16);
    bool hiddenDuringDrag = false;
    QTimer::singleShot(0, &form, [&] {
        QTest::mousePress(form.SpeedButton4, Qt::LeftButton);
        hiddenDuringDrag = !form.isVisible();
        // Let the modal loop run with the window hidden, the timer following the pointer.
        seam.Pointer = QPoint(320, 240);
        QTest::qWait(250);
        ReleaseHeld(seam, QPoint(320, 240));
        QTimer::singleShot(0, &form, [&] { form.BitBtn4->click(); });
    });
    QCOMPARE(RunModal(form), TForm2::ResultOk);
    QVERIFY(hiddenDuringDrag);
    QCOMPARE(DiffFromScreen(form.Picture, QPoint(312, 232), 640, 480), QString());
}

// On a real X screen with the real seam: a window of the test's own shows a known picture,
// xdotool drags the cross from the capture window onto it with real pointer events, and the
// captured pixels must be that picture's, with nothing of the dotted frame in them, while the
// frame itself was on the screen around the area. With GF_SCREENSHOT set to a path the window
// is also saved there as a picture, after the capture.
#define SKIP_WITHOUT_A_REAL_DISPLAY()                                                 \
    do {                                                                              \
        if (QGuiApplication::platformName() != QLatin1String("xcb"))                  \
            QSKIP("needs an X display (run by tst_select_area_xvfb under xvfb-run)"); \
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())      \
            QSKIP("xdotool is missing (scripts/deps.sh --ci installs it)");           \
    } while (false)

void TestSelectArea::crossOnARealDisplay() {
    SKIP_WITHOUT_A_REAL_DISPLAY();

    QLabel target(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    target.setPixmap(QPixmap::fromImage(TargetPicture()));
    target.setGeometry(Target);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    TForm2 form;
    form.TrackBar1->setValue(32);
    form.move(40, 40);

    const QPoint centre = Target.topLeft() + QPoint(80, 60);
    const QRect area(centre - QPoint(16, 16), QSize(32, 32));
    bool hiddenWhileDragging = false;
    bool backAfterRelease = false;
    bool pointerDriven = true;
    QString frameProblem = QStringLiteral("not looked at");
    QTimer::singleShot(10000, &form, [&] { form.done(0); });  // never hang
    QTimer::singleShot(0, &form, [&] {
        if (!QTest::qWaitForWindowExposed(&form)) {
            form.done(0);
            return;
        }
        QTest::qWait(200);
        pointerDriven = MovePointerTo(form.SpeedButton4->mapToGlobal(QPoint(20, 20)));
        QTest::qWait(100);
        pointerDriven =
            pointerDriven && Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        QTest::qWait(300);
        hiddenWhileDragging = form.CrossDragging && !form.isVisible();
        pointerDriven = pointerDriven && MovePointerTo(centre - QPoint(30, 20));
        QTest::qWait(250);
        pointerDriven = pointerDriven && MovePointerTo(centre);
        QTest::qWait(450);

        // The frame is on the screen: dots on the ring just around the area, the area itself
        // untouched.
        const QImage seen = QGuiApplication::primaryScreen()
                                ->grabWindow(0, area.x() - 1, area.y() - 1, 34, 34)
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
        frameProblem.clear();
        for (int y = 0; y < 34 && frameProblem.isEmpty(); ++y) {
            for (int x = 0; x < 34; ++x) {
                const bool ring = x == 0 || y == 0 || x == 33 || y == 33;
                const QRgb c = seen.pixel(x, y) & 0xFFFFFF;
                const QPoint local = area.topLeft() - Target.topLeft() + QPoint(x - 1, y - 1);
                if (ring ? !IsDot(c) : c != (TargetColour(local.x(), local.y()) & 0xFFFFFF)) {
                    frameProblem = QStringLiteral("(%1, %2) on the screen is %3")
                                       .arg(x)
                                       .arg(y)
                                       .arg(c, 6, 16, QLatin1Char('0'));
                    break;
                }
            }
        }

        pointerDriven = pointerDriven && Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        QTest::qWait(300);
        backAfterRelease = form.isVisible() && !form.CrossDragging;
        const QByteArray shot = qgetenv("GF_SCREENSHOT");
        if (!shot.isEmpty())
            form.grab().save(QString::fromLocal8Bit(shot));
        form.done(TForm2::ResultOk);
    });
    const int result = RunModal(form);

    QVERIFY2(pointerDriven, "xdotool could not move the pointer");
    QVERIFY(hiddenWhileDragging);
    QVERIFY2(frameProblem.isEmpty(), qPrintable(frameProblem));
    QVERIFY(backAfterRelease);
    QCOMPARE(result, TForm2::ResultOk);
    QCOMPARE(form.CapturedBitmap.Width(), 32);
    QCOMPARE(form.CapturedBitmap.Height(), 32);
    // Exactly the picture under the area: no frame pixels, no red.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QPoint local = area.topLeft() - Target.topLeft() + QPoint(x, y);
            const QRgb want = TargetColour(local.x(), local.y());
            const Color got = form.Picture.GetPixel(x, y);
            if (got != Rgb(qRed(want), qGreen(want), qBlue(want)))
                QFAIL(qPrintable(QStringLiteral("captured (%1, %2) is %3")
                                     .arg(x)
                                     .arg(y)
                                     .arg(got, 6, 16, QLatin1Char('0'))));
        }
    }
}

// On a real X screen: Escape during a drag gives it up (the keyboard is held while the window
// is hidden), and the mouse release that follows takes nothing.
void TestSelectArea::escapeOnARealDisplay() {
    SKIP_WITHOUT_A_REAL_DISPLAY();
    TForm2 form;
    form.TrackBar1->setValue(32);
    const Bitmap before = Solid(32, 32, Rgb(1, 2, 3));
    form.CapturedBitmap = before;
    form.move(40, 40);
    bool pointerDriven = true;
    bool hiddenWhileDragging = false;
    bool backAfterEscape = false;
    bool frameGone = false;
    QTimer::singleShot(10000, &form, [&] { form.done(0); });  // never hang
    QTimer::singleShot(0, &form, [&] {
        if (!QTest::qWaitForWindowExposed(&form)) {
            form.done(0);
            return;
        }
        QTest::qWait(200);
        pointerDriven = MovePointerTo(form.SpeedButton4->mapToGlobal(QPoint(20, 20)));
        QTest::qWait(100);
        pointerDriven =
            pointerDriven && Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        QTest::qWait(300);
        pointerDriven = pointerDriven && MovePointerTo(QPoint(700, 400));
        QTest::qWait(300);
        hiddenWhileDragging = form.CrossDragging && !form.isVisible();
        pointerDriven = pointerDriven && Xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTest::qWait(300);
        backAfterEscape = form.isVisible() && !form.CrossDragging;
        const QWidgetList windows = QApplication::topLevelWidgets();
        frameGone = std::none_of(windows.begin(), windows.end(), [](const QWidget* w) {
            return w->objectName() == QLatin1String("ScreenFrame") && w->isVisible();
        });
        pointerDriven = pointerDriven && Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        QTest::qWait(200);
        form.done(TForm2::ResultOk);
    });
    RunModal(form);

    QVERIFY2(pointerDriven, "xdotool could not drive the pointer and the keyboard");
    QVERIFY(hiddenWhileDragging);
    QVERIFY(backAfterEscape);
    QVERIFY(frameGone);
    QCOMPARE(form.CapturedBitmap, before);
}

QTEST_MAIN(TestSelectArea)
#include "tst_select_area.moc"
