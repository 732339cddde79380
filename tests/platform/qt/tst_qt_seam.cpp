// The real seam, driven the way a user would: each modal box is answered by a timer that finds
// it once it is up.

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "platform/qt/qt_seam.h"
#include "platform/qt/screen_overlay.h"
#include "support/modal_answers.h"

using namespace gf;
using gf::test::WhenShown;

class TestQtSeam : public QObject {
    Q_OBJECT
  private slots:
    void messagesAndQuestions();
    void openDialogWithFilterIndexAndPreview();
    void saveDialogAddsTheDefaultExtension();
    void cancelledDialogsChangeNothing();
    void colourDialogAndModalRunner();
    void screenClipboardAndShell();
    void aFailingDesktopOpenerIsReported_data();
    void aFailingDesktopOpenerIsReported();
    void screenFrameLiesAroundTheArea();
    void heldPointerSendsTheReleaseToTheHolder();

  private:
    QtSeam Seam;
};

void TestQtSeam::messagesAndQuestions() {
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    bool selectable = false;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        shownText = box.text();
        shownIcon = box.icon();
        selectable = box.textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
        box.button(QMessageBox::Ok)->click();
    });
    Seam.ShowMessage(nullptr, QStringLiteral("No icon exists in this file!"),
                     QStringLiteral("Glyphforge"));
    QCOMPARE(shownText, QStringLiteral("No icon exists in this file!"));
    QCOMPARE(shownIcon, QMessageBox::Information);
    QVERIFY(selectable);  // a path or address in it can be copied

    bool hadCancel = false;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        shownIcon = box.icon();
        hadCancel = box.button(QMessageBox::Cancel) != nullptr;
        box.button(QMessageBox::No)->click();
    });
    QCOMPARE(
        Seam.Ask(nullptr, QStringLiteral("Insert?"), QStringLiteral("Insert or overwrite"), true),
        Answer::No);
    QCOMPARE(shownIcon, QMessageBox::Question);
    QVERIFY(hadCancel);

    WhenShown<QMessageBox>([&](QMessageBox& box) {
        hadCancel = box.button(QMessageBox::Cancel) != nullptr;
        box.button(QMessageBox::Yes)->click();
    });
    QCOMPARE(Seam.Ask(nullptr, QStringLiteral("Overwrite?"), QStringLiteral("Overwrite"), false),
             Answer::Yes);
    QVERIFY(!hadCancel);

    WhenShown<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); });
    QCOMPARE(Seam.Ask(nullptr, QStringLiteral("Insert?"), QStringLiteral("c"), true),
             Answer::Cancel);
}

void TestQtSeam::openDialogWithFilterIndexAndPreview() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("picture.png"));
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(file));

    FileDialog open;
    open.Filter = QStringLiteral("All|*.png;*.bmp|Bitmaps (*.bmp)|*.bmp|PNG (*.png)|*.png|*.*|*.*");
    open.FilterIndex = 3;
    open.FileName = file;
    open.PicturePreview = true;
    QString shownFilter;
    bool hasPreview = false;
    WhenShown<QFileDialog>([&](QFileDialog& box) {
        shownFilter = box.selectedNameFilter();
        hasPreview = box.findChild<QLabel*>(QStringLiteral("PicturePreview")) != nullptr;
        box.selectNameFilter(box.nameFilters().at(3));
        box.selectFile(file);
        static_cast<QDialog&>(box).accept();
    });
    QVERIFY(Seam.RunFileDialog(nullptr, open));
    QCOMPARE(shownFilter, QStringLiteral("PNG (*.png)"));
    QVERIFY(hasPreview);
    QCOMPARE(open.FileName, file);
    QCOMPARE(open.FilterIndex, 4);
}

void TestQtSeam::saveDialogAddsTheDefaultExtension() {
    QTemporaryDir dir;
    FileDialog save;
    save.Mode = FileDialog::Kind::Save;
    save.Filter = QStringLiteral("ICON|*.ico|BMP|*.bmp|PNG|*.png");
    save.DefaultExt = QStringLiteral(".ico");
    save.FileName = dir.filePath(QStringLiteral("logo"));
    QSize shownSize;
    WhenShown<QFileDialog>([&](QFileDialog& box) {
        shownSize = box.size();
        static_cast<QDialog&>(box).accept();
    });
    QVERIFY(Seam.RunFileDialog(nullptr, save));
    // Room for the Size, Type and Date columns beside the names.
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    QVERIFY2(shownSize.width() >= std::min(800, screenWidth),
             qPrintable(QString::number(shownSize.width())));
    QCOMPARE(save.FileName, dir.filePath(QStringLiteral("logo.ico")));
    QCOMPARE(save.FilterIndex, 1);
}

void TestQtSeam::cancelledDialogsChangeNothing() {
    FileDialog open;
    open.Filter = QStringLiteral("ICON|*.ico|BMP|*.bmp");
    open.FilterIndex = 2;
    open.FileName = QStringLiteral("/nowhere/x.bmp");
    WhenShown<QFileDialog>([](QFileDialog& box) { box.reject(); });
    QVERIFY(!Seam.RunFileDialog(nullptr, open));
    QCOMPARE(open.FilterIndex, 2);
    QCOMPARE(open.FileName, QStringLiteral("/nowhere/x.bmp"));

    WhenShown<QColorDialog>([](QColorDialog& box) { box.reject(); });
    QVERIFY(!Seam.ChooseColor(nullptr, Rgb(1, 2, 3)));
}

void TestQtSeam::colourDialogAndModalRunner() {
    QColor initial;
    WhenShown<QColorDialog>([&](QColorDialog& box) {
        initial = box.currentColor();
        box.setCurrentColor(QColor(10, 200, 30));
        box.accept();
    });
    QCOMPARE(Seam.ChooseColor(nullptr, Rgb(255, 128, 0)), std::optional<Color>(Rgb(10, 200, 30)));
    QCOMPARE(initial, QColor(255, 128, 0));

    QDialog dialog;
    WhenShown<QDialog>([](QDialog& d) { d.done(1); });
    QCOMPARE(Seam.RunModal(dialog), 1);
    WhenShown<QDialog>([](QDialog& d) { d.reject(); });
    QCOMPARE(Seam.RunModal(dialog), 0);
}

void TestQtSeam::screenClipboardAndShell() {
    // Far from every screen: black, at the size asked for.
    const Bitmap nowhere = Seam.GrabScreenRect(QRect(-50000, -50000, 4, 3), Black);
    QCOMPARE(nowhere.Width(), 4);
    QCOMPARE(nowhere.Height(), 3);
    QCOMPARE(nowhere.GetPixel(3, 2), Black);
    QCOMPARE(Seam.ScreenPixel(QPoint(-50000, 0)), Black);
    QVERIFY(Seam.GrabScreenRect(QRect(0, 0, 0, 5), Black).Empty());

    Bitmap picture(5, 4, PixelFormat::Bits24);
    picture.Fill(Rgb(40, 80, 120));
    Seam.SetClipboardImage(picture);
    const std::optional<Bitmap> back = Seam.ClipboardImage();
    QVERIFY(back);
    QCOMPARE(back->Width(), 5);
    QCOMPARE(back->GetPixel(4, 3), Rgb(40, 80, 120));

    bool failed = false;
    Seam.OpenWithShell(QString(), [&failed] { failed = true; });
    QVERIFY(failed);
}

// The desktop's opener, xdg-open, finds out only once it runs whether some program can open the
// target: its failing exit is reported, a clean one is not.
void TestQtSeam::aFailingDesktopOpenerIsReported_data() {
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("reported");
    QTest::newRow("no program for it") << 3 << true;
    QTest::newRow("action failed") << 4 << true;
    QTest::newRow("opened") << 0 << false;
}

void TestQtSeam::aFailingDesktopOpenerIsReported() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QFETCH(int, exitCode);
    QFETCH(bool, reported);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString ran = bin.filePath(QStringLiteral("ran"));
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n")
                     .arg(ran)
                     .arg(exitCode)
                     .toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
    int failures = 0;
    Seam.OpenWithShell(QStringLiteral("https://example.org/page"), [&failures] { ++failures; });
    qputenv("PATH", path);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran), 5000);
    QFile opened(ran);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(opened.readAll()), QStringLiteral("https://example.org/page"));
    if (reported) {
        QTRY_COMPARE_WITH_TIMEOUT(failures, 1, 5000);
    } else {
        QTest::qWait(300);  // the opener's exit has come by now
        QCOMPARE(failures, 0);
    }
#else
    QSKIP("the desktop's opener is no program of its own here");
#endif
}

void TestQtSeam::screenFrameLiesAroundTheArea() {
    // The offscreen platform shows only the program's own windows.
    QVERIFY(!Seam.CanReadScreen());
    const Bitmap red = Seam.GrabScreenRect(QRect(-50000, 0, 2, 2), Rgb(255, 0, 0));
    QCOMPARE(red.GetPixel(1, 1), Rgb(255, 0, 0));

    const QRect area(100, 50, 32, 20);
    Seam.ShowScreenFrame(area);
    ScreenOverlay* frame = Seam.Overlay();
    QVERIFY(frame && frame->isVisible());
    QCOMPARE(frame->geometry(), area.adjusted(-1, -1, 1, 1));
    // Only the ring of pixels around the area belongs to the window.
    const QRegion shape = frame->mask();
    QVERIFY(shape.contains(QPoint(0, 0)));
    QVERIFY(shape.contains(QPoint(33, 21)));
    QVERIFY(shape.contains(QPoint(0, 10)));
    QVERIFY(!shape.contains(QPoint(1, 1)));
    QVERIFY(!shape.contains(QPoint(32, 20)));
    QVERIFY(frame->testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(frame->windowFlags().testFlag(Qt::WindowTransparentForInput));

    Seam.ShowScreenFrame(QRect(10, 10, 16, 16));
    QCOMPARE(frame->geometry(), QRect(9, 9, 18, 18));
    Seam.HideScreenFrame();
    QVERIFY(!frame->isVisible());
    Seam.HideScreenFrame();  // twice is harmless
}

void TestQtSeam::heldPointerSendsTheReleaseToTheHolder() {
    struct Holder : QWidget {
        QPoint ReleasedAt{-1, -1};
        Qt::MouseButton Button = Qt::NoButton;
        void mouseReleaseEvent(QMouseEvent* e) override {
            ReleasedAt = e->position().toPoint();
            Button = e->button();
        }
    } holder;
    holder.setGeometry(200, 100, 50, 50);
    holder.show();

    Seam.HoldPointer(&holder, Qt::CrossCursor);
    ScreenOverlay* overlay = Seam.Overlay();
    QVERIFY(overlay->Holding());
    // Held without a frame, the window is shown but on no screen.
    QVERIFY(overlay->isVisible());
    QVERIFY(!QGuiApplication::primaryScreen()->geometry().intersects(overlay->geometry()));
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);

    // The frame can come and go while the pointer stays held.
    Seam.ShowScreenFrame(QRect(20, 20, 8, 8));
    Seam.HideScreenFrame();
    QVERIFY(overlay->Holding() && overlay->isVisible());

    const QPointF global(300, 180);
    QMouseEvent up(QEvent::MouseButtonRelease, overlay->mapFromGlobal(global), global,
                   Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &up);
    QCOMPARE(holder.ReleasedAt, QPoint(100, 80));
    QCOMPARE(holder.Button, Qt::RightButton);
    QVERIFY(!overlay->Holding());
    QVERIFY(!overlay->isVisible());
    QVERIFY(!QGuiApplication::overrideCursor());

    // A second release goes nowhere; freeing a free pointer does nothing.
    holder.ReleasedAt = QPoint(-1, -1);
    QCoreApplication::sendEvent(overlay, &up);
    QCOMPARE(holder.ReleasedAt, QPoint(-1, -1));
    Seam.ReleasePointer();
}

QTEST_MAIN(TestQtSeam)
#include "tst_qt_seam.moc"
