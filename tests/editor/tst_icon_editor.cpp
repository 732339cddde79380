// The icon editor window: start in both modes, the page flow, the size page's controls, the
// transparency page, the zoom of the edit page, the colour bits page and "Finish".

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "editor/icon_editor.h"
#include "editor/pixels/icon_preview.h"
#include "editor/pixels/mask.h"
#include "platform/bmp_codec.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;

namespace {

struct FixedFormat : WorkPixelFormatSource {
    PixelFormatCode Code = 7;
    PixelFormatCode WorkPixelFormat() const override { return Code; }
};

// A picture as the Load command hands it over: 32-bit, alpha all 0 unless given.
Bitmap Picture(int w, int h, Color background, Color square, bool withAlpha = false) {
    Bitmap b(w, h, PixelFormat::Bits32);
    b.Fill(background, withAlpha ? 0 : 0);
    b.FillRect(w / 4, h / 4, w - w / 4, h - h / 4, square, withAlpha ? 255 : 0);
    return b;
}

std::uint8_t MaskAt(const Bitmap& m, int x, int y) {
    return m.Row(y)[x];
}

}  // namespace

class TestIconEditor : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir Dir;
    FixedFormat Format;

    std::filesystem::path Save(const Bitmap& b, const char* name) {
        const std::filesystem::path p = std::filesystem::path(Dir.path().toStdString()) / name;
        if (!SaveBmpFile(b, p))
            qFatal("cannot write %s", name);
        return p;
    }

    // A started editor on `picture`.
    std::unique_ptr<TIconEditor> Open(const Bitmap& picture) {
        auto e = std::make_unique<TIconEditor>(nullptr, &Format);
        e->SourcePath = Save(picture, "eitemp.bmp");
        e->ShowPage(e->TabSheet1);
        e->InitImagesClick();
        return e;
    }

  private slots:
    void initTestCase() { QVERIFY(Dir.isValid()); }

    void windowHasItsLayout() {
        TIconEditor e;
        QCOMPARE(e.width(), 541);
        QCOMPARE(e.height(), 528);
        QCOMPARE(e.Panel9->height(), 21);
        QCOMPARE(e.Panel10->width(), 185);
        QCOMPARE(e.Panel1->height(), 130);
        QCOMPARE(e.BitBtn1->size(), QSize(75, 25));
        QCOMPARE(e.BitBtn1->geometry().right() > 541 - 20, true);
        QVERIFY(e.cbRemoveTrans->isHidden());
        QVERIFY(e.cbRemoveTrans->isChecked());
        QCOMPARE(e.ZoomFactor, 4.0f);
        QCOMPARE(e.PageControl1->objectName(), QString("PageControl1"));
        QCOMPARE(e.findChild<QWidget*>("TabSheet3"), e.TabSheet3);
    }

    void pictureModeRunsEveryPage() {
        ScriptedSeam seam;
        Format.Code = 3;  // the working icon is 8-bit
        auto e = Open(Picture(48, 48, White, Rgb(255, 0, 0)));
        QCOMPARE(e->EditExisting, 0);
        QVERIFY(e->cbRemoveTrans->isHidden());
        QCOMPARE(e->TrackBar1->value(), 48);
        QCOMPARE(e->TrackBar2->value(), 48);
        QVERIFY(e->cbWeqH->isChecked());
        QCOMPARE(e->ComboBox1->currentText(), QString("48x48"));
        QCOMPARE(e->SrcColor.GetAlpha(0, 0), 255);  // an unused alpha channel is ignored

        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet2);
        QCOMPARE(e->windowTitle(), QString("Select Transparent Color"));
        QCOMPARE(e->StatusBar1->text(), QString("Select transparent color."));
        QCOMPARE(e->IconColor.Width(), 48);
        QCOMPARE(e->Image2->size(), QSize(48, 48));
        QCOMPARE(MaskAt(e->IconMask, 0, 0), MaskOpaque);

        QTest::mouseClick(e->CheckBox1, Qt::LeftButton);
        QVERIFY(e->CheckBox1->isChecked());
        QCOMPARE(e->Shape1->BrushColor, White);
        QCOMPARE(e->Image2->CursorKind(), ScreenCursor::Pipette);
        QVERIFY(!e->GroupBox6->isHidden());
        QCOMPARE(seam.PointerMoves.back(), e->Image2->mapToGlobal(QPoint(0, 0)));
        QCOMPARE(MaskAt(e->IconMask, 0, 0), MaskTransparent);
        QCOMPARE(e->IconColor.GetPixel(0, 0), Black);
        QCOMPARE(MaskAt(e->IconMask, 24, 24), MaskOpaque);

        QTest::mouseClick(e->BitBtn2, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet4);
        QCOMPARE(e->BitBtn7Tag, 2);
        QCOMPARE(e->windowTitle(), QString("Edit Icon"));
        QCOMPARE(e->StatusBar1->text(), QString("Edit icon."));
        QTest::mouseClick(e->BitBtn7, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet2);
        QTest::mouseClick(e->BitBtn2, Qt::LeftButton);
        QTest::mouseClick(e->BitBtn6, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet3);
        QCOMPARE(e->windowTitle(), QString("Set Icon Color Bits"));
        QCOMPARE(e->StatusBar1->text(), QString("Set icon color bits."));
        QCOMPARE(e->ComboBox2->currentIndex(), 2);
        QTest::mouseClick(e->BitBtn5, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet4);
        QTest::mouseClick(e->BitBtn6, Qt::LeftButton);

        QTest::mouseClick(e->BitBtn3, Qt::LeftButton);
        QCOMPARE(e->result(), 1);
        QCOMPARE(e->IconColor.Format(), PixelFormat::Bits8);
        QCOMPARE(e->IconColor.Palette().size(), 256u);
        QCOMPARE(MaskAt(e->IconMask, 0, 0), MaskTransparent);
        QCOMPARE(MaskAt(e->IconMask, 24, 24), MaskOpaque);
        Format.Code = 7;
    }

    void alphaPictureSkipsTheTransparencyPage() {
        ScriptedSeam seam;
        auto e = Open(Picture(32, 32, Black, Rgb(0, 0, 255), true));
        QCOMPARE(e->EditExisting, 1);
        QVERIFY(!e->cbRemoveTrans->isHidden());
        QVERIFY(e->cbRemoveTrans->isChecked());
        QCOMPARE(MaskAt(e->SrcMask, 0, 0), MaskTransparent);
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet4);
        QCOMPARE(e->BitBtn7Tag, 1);
        QTest::mouseClick(e->BitBtn7, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet1);

        // Unchecking "Automatic icon identification" starts again with an opaque picture.
        QTest::mouseClick(e->cbRemoveTrans, Qt::LeftButton);
        QVERIFY(!e->cbRemoveTrans->isChecked());
        QCOMPARE(e->EditExisting, 0);
        QCOMPARE(e->SrcColor.GetAlpha(0, 0), 255);
        QCOMPARE(MaskAt(e->SrcMask, 0, 0), MaskOpaque);
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet2);

        QTest::mouseClick(e->BitBtn4, Qt::LeftButton);
        QTest::mouseClick(e->cbRemoveTrans, Qt::LeftButton);
        QCOMPARE(e->EditExisting, 1);
        QCOMPARE(MaskAt(e->SrcMask, 0, 0), MaskTransparent);
    }

    void existingIconIsEditedWithoutReadingTheFile() {
        ScriptedSeam seam;
        TIconEditor e(nullptr, &Format);
        e.SourcePath = "/nonexistent/icxor.bmp";
        e.IconColor = Bitmap(16, 16, PixelFormat::Bits24);
        e.IconColor.Fill(Rgb(1, 2, 3));
        e.IconMask = MakeMask(16, 16);
        e.IconMask.Row(0)[0] = MaskTransparent;
        e.IconColor.SetPixel(0, 0, Black);
        e.SrcColor = e.IconColor;
        e.SrcMask = e.IconMask;
        e.EditExisting = 1;
        e.ShowPage(e.TabSheet1);
        e.InitImagesClick();
        QCOMPARE(e.TrackBar1->value(), 16);
        QTest::mouseClick(e.BitBtn1, Qt::LeftButton);
        QCOMPARE(e.PageControl1->currentWidget(), e.TabSheet4);
        QCOMPARE(e.IconColor.Format(), PixelFormat::Bits24);
        QCOMPARE(MaskAt(e.IconMask, 0, 0), MaskTransparent);
        QCOMPARE(e.ComboBox3->currentText(), QString("4X"));  // a fitting zoom above 15
        QCOMPARE(e.Image7->size(), QSize(64, 64));

        // Finished as 32 bits, the mask gives the alpha.
        QTest::mouseClick(e.BitBtn6, Qt::LeftButton);
        QCOMPARE(e.ComboBox2->currentIndex(), 5);
        QVERIFY(e.cbRemovealpha->isHidden());
        QTest::mouseClick(e.BitBtn3, Qt::LeftButton);
        QCOMPARE(e.result(), 1);
        QCOMPARE(e.IconColor.Format(), PixelFormat::Bits32);
        QCOMPARE(e.IconColor.GetAlpha(0, 0), 0);
        QCOMPARE(e.IconColor.GetAlpha(5, 5), 255);
        QCOMPARE(e.IconColor.GetPixel(5, 5), Rgb(1, 2, 3));
    }

    void unreadableSourceStopsTheStart() {
        TIconEditor e;
        e.SourcePath = "/nonexistent/eitemp.bmp";
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, e.InitImagesClick());
    }

    void slidersAreCoupledAndPresetsSetBoth() {
        ScriptedSeam seam;
        auto e = Open(Picture(64, 64, White, Rgb(0, 128, 0)));
        e->TrackBar2->setValue(48);
        QCOMPARE(e->TrackBar1->value(), 48);
        QCOMPARE(e->ComboBox1->currentText(), QString("48x48"));
        QCOMPARE(e->Lim1width->text(), QString("Width: 48"));
        QCOMPARE(e->Lim1height->text(), QString("Height: 48"));
        QCOMPARE(e->Image1->Picture.Width(), 48);

        e->ComboBox1->setCurrentIndex(4);
        emit e->ComboBox1->activated(4);
        QCOMPARE(e->TrackBar1->value(), 128);
        QCOMPARE(e->TrackBar2->value(), 128);

        // Letters cannot be typed; digits change only the text.
        e->ComboBox1->lineEdit()->setFocus();
        e->ComboBox1->setEditText("");
        QTest::keyClicks(e->ComboBox1->lineEdit(), "x2a4");
        QCOMPARE(e->ComboBox1->currentText(), QString("24"));
        QCOMPARE(e->TrackBar1->value(), 128);

        QTest::mouseClick(e->cbWeqH, Qt::LeftButton);
        QVERIFY(!e->cbWeqH->isChecked());
        e->TrackBar2->setValue(20);
        QCOMPARE(e->TrackBar1->value(), 128);
        QCOMPARE(e->Image1->Picture.Height(), 20);
        // Checking the box makes the height follow the width.
        QTest::mouseClick(e->cbWeqH, Qt::LeftButton);
        QCOMPARE(e->TrackBar2->value(), 128);

        // An empty icon cannot go on.
        e->TrackBar1->setValue(0);
        QVERIFY(!e->BitBtn1->isEnabled());
        e->TrackBar1->setValue(16);
        QVERIFY(e->BitBtn1->isEnabled());
    }

    void largeNonSquarePictureStartsAtTheLimits() {
        ScriptedSeam seam;
        auto e = Open(Picture(300, 200, White, Black));
        QCOMPARE(e->TrackBar1->value(), 256);
        QCOMPARE(e->TrackBar2->value(), 200);
        QVERIFY(!e->cbWeqH->isChecked());
    }

    void unstretchedPictureIsDraggedAndClamped() {
        ScriptedSeam seam;
        auto e = Open(Picture(32, 32, Rgb(9, 9, 9), Rgb(9, 9, 9)));
        QTest::mouseClick(e->cbStretch, Qt::LeftButton);
        QVERIFY(!e->cbSmooth->isEnabled());
        QTest::mousePress(e->Image1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(e->Image1, Qt::LeftButton, {}, QPoint(15, 5));
        QCOMPARE(e->SourceOffset, QPoint(10, 0));
        QCOMPARE(e->Image1->Picture.GetPixel(9, 3), White);  // the canvas colour
        QCOMPARE(e->Image1->Picture.GetPixel(10, 3), Rgb(9, 9, 9));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QCOMPARE(MaskAt(e->IconMask, 9, 0), MaskTransparent);
        QCOMPARE(e->IconColor.GetPixel(9, 0), Black);
        QCOMPARE(MaskAt(e->IconMask, 10, 0), MaskOpaque);

        QTest::mouseClick(e->BitBtn4, Qt::LeftButton);
        e->Image1MouseDown(Qt::LeftButton, 0, 0);
        e->Image1MouseUp(Qt::LeftButton, 500, -500);
        QCOMPARE(e->SourceOffset, QPoint(32, -32));
    }

    void backgroundColourComesFromTheColourDialog() {
        ScriptedSeam seam;
        seam.Colors = {Rgb(0, 0, 200), std::nullopt};
        auto e = Open(Picture(16, 16, Rgb(1, 2, 3), Rgb(1, 2, 3)));
        e->Image1DblClick();
        QCOMPARE(e->CanvasBackground(), Rgb(0, 0, 200));
        QCOMPARE(e->Shape2->BrushColor, Rgb(0, 0, 200));
        e->Label2MouseUp();  // cancelled
        QCOMPARE(e->CanvasBackground(), Rgb(0, 0, 200));
    }

    void transparencyBlocksAndSimilarity() {
        ScriptedSeam seam;
        auto e = Open(Picture(16, 16, White, Rgb(250, 250, 250)));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->CheckBox1, Qt::LeftButton);
        QCOMPARE(MaskAt(e->IconMask, 8, 8), MaskOpaque);
        e->TrackBar5->setValue(6);  // 250 lies 5 from the key
        QCOMPARE(MaskAt(e->IconMask, 8, 8), MaskTransparent);

        QTest::mouseClick(e->SBTransRemove, Qt::LeftButton);
        QVERIFY(e->SBTransRemove->isChecked());
        QCOMPARE(e->Image3->CursorKind(), ScreenCursor::Cross);
        QCOMPARE(e->StatusBar1->text(), QString("Press Arrow Key to adjust cursor position. "
                                                "Press Space or Enter to draw dot."));
        e->TBTransSize->setValue(2);
        const int off = (256 - 16) / 2;
        QTest::mousePress(e->Image3, Qt::LeftButton, {}, QPoint(off + 8, off + 8));
        QTest::mouseRelease(e->Image3, Qt::LeftButton, {}, QPoint(off + 8, off + 8));
        QCOMPARE(MaskAt(e->IconMask, 8, 8), MaskOpaque);
        QCOMPARE(MaskAt(e->IconMask, 6, 6), MaskTransparent);  // outside the rounded corner
        QCOMPARE(MaskAt(e->IconMask, 0, 0), MaskTransparent);

        // The blocks survive a change of similarity, and the size page's "Next >>" clears them.
        e->TrackBar5->setValue(7);
        QCOMPARE(MaskAt(e->IconMask, 8, 8), MaskOpaque);
        QTest::mouseClick(e->SBTransAdd, Qt::LeftButton);
        QVERIFY(!e->SBTransRemove->isChecked());
        e->Image3MouseDown(Qt::LeftButton, off + 8, off + 8);
        e->Image3MouseUp(Qt::LeftButton, off + 8, off + 8);
        QCOMPARE(MaskAt(e->IconMask, 8, 8), MaskTransparent);
    }

    void blockOutlineInvertsAndRestores() {
        ScriptedSeam seam;
        auto e = Open(Picture(16, 16, White, Rgb(10, 10, 10)));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->CheckBox1, Qt::LeftButton);
        QTest::mouseClick(e->SBTransRemove, Qt::LeftButton);
        const Bitmap clean = e->Image3->Picture;
        e->Image3MouseMove(Qt::NoButton, 100, 100);
        QVERIFY(e->Image3->Picture != clean);
        QCOMPARE(e->TransBlock.topLeft(), QPoint(100, 100));
        e->Image3MouseMove(Qt::NoButton, 30, 40);
        // The first outline is gone; only the new one differs.
        QCOMPARE(e->Image3->Picture.GetPixel(100, 100), clean.GetPixel(100, 100));
        QVERIFY(e->Image3->Picture.GetPixel(30, 40) != clean.GetPixel(30, 40));
    }

    void pipetteReadsTheScreenAndTheMagnifierShowsThePicture() {
        ScriptedSeam seam;
        auto e = Open(Picture(16, 16, White, Rgb(200, 0, 0)));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->CheckBox1, Qt::LeftButton);
        const QPoint at = e->Image2->mapToGlobal(QPoint(3, 4));
        seam.Screen = Bitmap(at.x() + 10, at.y() + 10, PixelFormat::Bits24);
        seam.Screen.SetPixel(at.x(), at.y(), Rgb(7, 77, 177));
        e->Image2MouseMove(Qt::NoButton, 3, 4);
        QCOMPARE(e->Label9->palette().color(QPalette::WindowText), QColor(7, 77, 177));
        // The lens: (3, 4) - 7 is outside the picture (black); the centre shows the picture.
        QCOMPARE(e->Image4->Picture.GetPixel(0, 0), Black);
        QCOMPARE(e->Image4->Picture.GetPixel(100, 100), Rgb(200, 0, 0));
        QCOMPARE(e->Image4->Picture.GetPixel(127, 127), Black);
        e->Image2MouseUp(Qt::LeftButton, 3, 4);
        QCOMPARE(e->Shape1->BrushColor, Rgb(7, 77, 177));
    }

    void swatchesChooseTheTile() {
        ScriptedSeam seam;
        auto e = Open(Picture(16, 16, White, Black));
        QCOMPARE(e->TransImage->Picture.Width(), 16);
        QTest::mouseClick(e->Image5, Qt::LeftButton);
        QCOMPARE(e->TransImage->Picture.Width(), 79);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet1);
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->ImageTrans1, Qt::LeftButton);
        QCOMPARE(e->TransImage->Picture.Width(), 32);
        QCOMPARE(e->Image3->Picture.GetPixel(0, 0), Rgb(205, 240, 243));
    }

    void picturesReportTheMouseAndStretch() {
        ImageView view;
        view.resize(40, 30);
        QSignalSpy down(&view, &ImageView::MouseDown);
        QSignalSpy up(&view, &ImageView::MouseUp);
        QSignalSpy clicked(&view, &ImageView::Clicked);
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(5, 7));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(6, 8));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(1).toInt(), 5);
        QCOMPARE(up.at(0).at(2).toInt(), 8);
        QCOMPARE(clicked.count(), 1);
        // A press let go outside the control is no click.
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(5, 7));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(60, 8));
        QCOMPARE(up.count(), 2);
        QCOMPARE(clicked.count(), 1);

        Bitmap red(2, 2, PixelFormat::Bits24);
        red.Fill(Rgb(255, 0, 0));
        view.SetPicture(red);
        const QImage unstretched = view.grab().toImage();
        QCOMPARE(unstretched.pixelColor(1, 1), QColor(255, 0, 0));
        QVERIFY(unstretched.pixelColor(30, 20) != QColor(255, 0, 0));
        view.Stretch = true;
        QCOMPARE(view.grab().toImage().pixelColor(30, 20), QColor(255, 0, 0));

        ZoomView zoom;
        zoom.resize(20, 20);
        QSignalSpy zoomDown(&zoom, &ZoomView::MouseDown);
        QTest::mousePress(&zoom, Qt::RightButton, {}, QPoint(3, 4));
        QCOMPARE(zoomDown.count(), 1);
        QCOMPARE(zoomDown.at(0).at(2).toInt(), 4);
    }

    void zoomFitsTheCanvasAndTheCanvasShowsTheIcon() {
        ScriptedSeam seam;
        auto e = Open(Picture(256, 256, White, Rgb(0, 0, 90)));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->BitBtn2, Qt::LeftButton);
        QCOMPARE(e->ComboBox3->currentText(), QString("1X"));
        QCOMPARE(e->ZoomFactor, 1.0f);
        e->ComboBox3->setCurrentIndex(14);
        e->ComboBox3Change();
        QCOMPARE(e->ZoomFactor, 15.0f);
        QCOMPARE(e->Image7->size(), QSize(3840, 3840));
        QCOMPARE(e->Image7->pos(), QPoint(0, 0));
        const Bitmap part = e->Image7->Render(1000, 1200, 40, 30);
        Bitmap want(40, 30, PixelFormat::Bits32);
        RenderZoomView(want, 1000, 1200, e->TransImage->Picture, e->IconColor, e->IconMask, 15);
        QCOMPARE(part, want);
        QCOMPARE(part.GetPixel(0, 0), Rgb(0, 0, 90));
        QCOMPARE(e->CanvasToIconPixel(29, 30), QPoint(1, 2));
        QCOMPARE(e->CanvasToIconPixel(-14, 3), QPoint(0, 0));  // toward zero
        QCOMPARE(e->CanvasToIconPixel(-15, 3), QPoint(-1, 0));

        // Resizing on this page redraws once, 700 ms after the first event.
        e->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.get()));
        e->ResizeTimerTimer();
        QVERIFY(!e->ResizeTimer->isActive());
        e->resize(600, 560);
        QTest::qWait(20);
        QVERIFY(e->ResizeTimer->isActive());
        QCOMPARE(e->ResizeTimer->interval(), 700);
        e->ResizeTimerTimer();
        QVERIFY(!e->ResizeTimer->isActive());
    }

    void colourBitsControlsFollowTheDepth() {
        ScriptedSeam seam;
        auto e = Open(Picture(16, 16, White, Rgb(0, 200, 0), true));
        QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        QTest::mouseClick(e->BitBtn6, Qt::LeftButton);
        QCOMPARE(e->ComboBox2->currentIndex(), 5);
        QVERIFY(e->cbRemovealpha->isHidden());
        QVERIFY(e->cbPalette->isHidden());

        e->ComboBox2->setCurrentIndex(1);
        e->ComboBox2Change();
        QVERIFY(!e->cbRemovealpha->isHidden());
        QVERIFY(!e->cbPalette->isHidden());
        QVERIFY(e->imP->isHidden());

        QTest::mouseClick(e->cbPalette, Qt::LeftButton);
        QVERIFY(!e->imP->isHidden());
        QVERIFY(!e->palSelect->isHidden());
        QVERIFY(!e->Label15->isHidden());
        QCOMPARE(e->palSelect->currentIndex(), 0);
        QCOMPARE(e->imP->x(), e->Image6->x() - 128 - 10);

        // Swatch 20 lies beyond 16 entries: nothing opens.
        e->imPMouseUp(Qt::LeftButton, 4 * 8 + 2, 16 + 5);
        QVERIFY(seam.Log.filter("colo").isEmpty());
        e->ComboBox2->setCurrentIndex(2);
        e->ComboBox2Change();
        seam.Colors = {Rgb(1, 2, 3)};
        e->imPMouseUp(Qt::LeftButton, 4 * 8 + 2, 16 + 5);
        QCOMPARE(e->palSelect->currentIndex(), 1);
        QCOMPARE(e->imP->Picture.GetPixel(4 * 8 + 3, 16 + 3), Rgb(1, 2, 3));

        QTest::mouseClick(e->cbRemovealpha, Qt::LeftButton);
        QCOMPARE(e->TBAlpha->value(), -1);
        QVERIFY(!e->TBAlpha->isEnabled());
        QTest::mouseClick(e->cbRemovealpha, Qt::LeftButton);
        QCOMPARE(e->TBAlpha->value(), 255);
    }

    void finishHandsBackTheChosenDepth() {
        const PixelFormat formats[] = {PixelFormat::Bits1,  PixelFormat::Bits4,
                                       PixelFormat::Bits8,  PixelFormat::Bits16,
                                       PixelFormat::Bits24, PixelFormat::Bits32};
        for (int item = 0; item < 6; ++item) {
            ScriptedSeam seam;
            auto e = Open(Picture(24, 24, White, Rgb(0, 0, 250)));
            QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
            QTest::mouseClick(e->CheckBox1, Qt::LeftButton);
            QTest::mouseClick(e->BitBtn2, Qt::LeftButton);
            QTest::mouseClick(e->BitBtn6, Qt::LeftButton);
            e->ComboBox2->setCurrentIndex(item);
            e->ComboBox2Change();
            QTest::mouseClick(e->BitBtn3, Qt::LeftButton);
            QCOMPARE(e->result(), 1);
            QCOMPARE(e->IconColor.Format(), formats[item]);
            QCOMPARE(e->IconColor.Width(), 24);
            QCOMPARE(MaskAt(e->IconMask, 0, 0), MaskTransparent);
            QCOMPARE(MaskAt(e->IconMask, 12, 12), MaskOpaque);
        }
    }

    void runsModallyThroughTheSeam() {
        ScriptedSeam seam;
        seam.ModalScripts.push_back([](QDialog& d) {
            auto& e = static_cast<TIconEditor&>(d);
            QTest::mouseClick(e.BitBtn1, Qt::LeftButton);
            QTest::mouseClick(e.BitBtn2, Qt::LeftButton);
            QTest::mouseClick(e.BitBtn6, Qt::LeftButton);
            QTest::mouseClick(e.BitBtn3, Qt::LeftButton);
            return e.result();
        });
        auto e = Open(Picture(32, 32, White, Black));
        QCOMPARE(RunModal(*e), 1);
        QCOMPARE(seam.ModalWindows, QStringList{"IconEditor"});
        QCOMPARE(e->IconColor.Format(), PixelFormat::Bits32);
    }
};

QTEST_MAIN(TestIconEditor)
#include "tst_icon_editor.moc"
