// The icon editor as a window the user handles: Enter goes on from every page, Tab visits the
// controls in order, the size box keeps to the size in force, and at the smallest size the
// window allows (and larger) no control overlaps another, leaves its panel or cuts its caption.
// Also run at 200% scale (QT_SCALE_FACTOR=2) by ctest.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "editor/icon_editor.h"
#include "platform/bmp_codec.h"
#include "platform/qt/scripted_seam.h"
#include "support/window_checks.h"

using namespace gf;

namespace {

struct FixedFormat : WorkPixelFormatSource {
    PixelFormatCode WorkPixelFormat() const override { return 3; }
};

// What lies over what in the editor by design (the sliders' ends meet at the canvas's corner).
const test::LayoutRules EditorRules{
    {{QStringLiteral("Image2"), QStringLiteral("Shape3")},
     {QStringLiteral("TrackBar1"), QStringLiteral("TrackBar2")},
     {QStringLiteral("Label9"), QStringLiteral("Shape1")},
     {QStringLiteral("Shape44"), QStringLiteral("Shape4")}},
    {QStringLiteral("IVfocus")}};

// The control that has the keyboard, by the name the form gives it (a box's line edit counts
// as its box).
QString FocusName() {
    QWidget* w = QApplication::focusWidget();
    if (w && w->objectName().isEmpty() && qobject_cast<QComboBox*>(w->parentWidget()))
        w = w->parentWidget();
    return w ? w->objectName() : QString();
}

}  // namespace

class TestEditorWindow : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir Dir;
    FixedFormat Format;
    ScriptedSeam Seam;

    // A shown editor on a 48 x 48 picture with a transparent-looking ground.
    std::unique_ptr<TIconEditor> Open() {
        Bitmap picture(48, 48, PixelFormat::Bits32);
        picture.Fill(Rgb(255, 255, 255), 0);
        picture.FillRect(12, 12, 36, 36, Rgb(200, 30, 30), 0);
        const std::filesystem::path path =
            std::filesystem::path(Dir.path().toStdString()) / "eitemp.bmp";
        if (!SaveBmpFile(picture, path))
            qFatal("cannot write the picture");
        auto e = std::make_unique<TIconEditor>(nullptr, &Format);
        e->SourcePath = path;
        e->ShowPage(e->TabSheet1);
        e->InitImagesClick();
        e->show();
        QApplication::setActiveWindow(e.get());
        if (!QTest::qWaitForWindowActive(e.get()))
            qWarning("the editor did not become the active window");
        return e;
    }

    // The names the Tab key visits from `start` until it comes back there.
    static QStringList TabRound(QWidget* start) {
        start->setFocus(Qt::TabFocusReason);
        QStringList seen{FocusName()};
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (FocusName() == seen.first())
                return seen;
            seen << FocusName();
        }
        return seen;
    }

    // Each page as the user finds it: the transparency page with its block tools out, the
    // colour bits page on 8 bits with its palette tools.
    static void VisitPages(TIconEditor& e, const std::function<void(const char*)>& check) {
        e.ShowPage(e.TabSheet1);
        check("size");
        e.BitBtn1->click();
        e.CheckBox1->click();
        e.SBTransAdd->click();
        check("transparency");
        e.BitBtn2->click();
        check("edit");
        e.BitBtn8->click();
        e.SBAlphaSet->click();
        check("alpha adjustment");
        e.BitBtn6->click();
        e.ComboBox2->setCurrentIndex(2);
        emit e.ComboBox2->activated(2);
        e.cbPalette->click();
        check("colour bits");
    }

  private slots:
    void initTestCase() { QVERIFY(Dir.isValid()); }

    // Enter gives "Next >>" on every page and "Finish" on the last, wherever the keyboard is,
    // except on a button of its own.
    void enterGoesOnFromEveryPage() {
        auto e = Open();
        const std::pair<QWidget*, QWidget*> steps[] = {
            {e->cbStretch, e->TabSheet2},
            {e->CheckBox1, e->TabSheet4},
            {e->SBPen, e->TabSheet3},
        };
        for (const auto& [from, to] : steps) {
            from->setFocus();
            QTest::keyClick(from, Qt::Key_Return);
            QCOMPARE(e->PageControl1->currentWidget(), to);
        }
        // A focused "<< Prev" takes Enter for itself.
        e->BitBtn5->setFocus();
        QTest::keyClick(e->BitBtn5, Qt::Key_Return);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet4);
        e->BitBtn6->click();
        e->ComboBox2->setFocus();
        QTest::keyClick(e->ComboBox2, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(e->result(), 1);
        QVERIFY(!e->isVisible());
    }

    void tabVisitsEachPageInOrder() {
        auto e = Open();
        const QStringList swatches{"Image5", "Image9", "ImageTrans1",
                                   "Image10", "Image12", "Image11"};
        QCOMPARE(TabRound(e->ComboBox1),
                 QStringList({"ComboBox1", "cbWeqH", "TrackBar1", "TrackBar2", "cbStretch",
                              "cbSmooth", "Shape2", "BitBtn1"}) +
                     swatches);
        e->BitBtn1->click();
        e->CheckBox1->click();
        QCOMPARE(TabRound(e->CheckBox1),
                 QStringList({"CheckBox1", "TrackBar5", "SBTransRemove", "SBTransAdd",
                              "TBTransSize", "CBTransShape", "BitBtn4", "BitBtn2"}) +
                     swatches);
        e->BitBtn2->click();
        // The canvas, the brush, the tools (one stop: the arrow keys go between them; their
        // settings wait for a tool), the zoom (undo and redo wait for an edit), then on.
        QCOMPARE(TabRound(e->ScrollBox1),
                 QStringList({"ScrollBox1", "Shape44", "tbColorAlpha", "cbOpacity", "CBSolidC",
                              "TransImage", "SBFill1", "ComboBox3", "BitBtn8", "BitBtn7",
                              "BitBtn6"}) +
                     swatches);
        e->SBPen->click();
        const QStringList withPen = TabRound(e->SBPen);
        QCOMPARE(withPen.mid(0, 3), QStringList({"SBPen", "TBPenSize", "ComboBox3"}));
        // The alpha adjustment, where it lies over the brush and the tools; undo waits for
        // the panel to close.
        e->BitBtn8->click();
        QCOMPARE(TabRound(e->ScrollBox1),
                 QStringList({"ScrollBox1", "Shape5", "Shape6", "CBColor", "TrackBar4",
                              "SBAlphaSet", "CBAlphaShape", "TBAlphaPenSize", "BitBtn9",
                              "BitBtn10", "ComboBox3", "BitBtn7", "BitBtn6"}) +
                     swatches);
        e->BitBtn9->click();
        e->BitBtn6->click();
        e->ComboBox2->setCurrentIndex(2);
        emit e->ComboBox2->activated(2);
        e->cbPalette->click();
        QCOMPARE(TabRound(e->ComboBox2),
                 QStringList({"ComboBox2", "cbRemovealpha", "TBAlpha", "cbPalette", "palSelect",
                              "BitBtn5", "BitBtn3"}) +
                     swatches);
        // A swatch picked from the keyboard is the tile of the preview.
        e->Image5->setFocus();
        QTest::keyClick(e->Image5, Qt::Key_Space);
        QCOMPARE(e->TransImage->Picture.Width(), e->Image5->Picture.Width());
    }

    // Whatever the size box shows once the user confirms it is the size in force.
    void theSizeBoxKeepsToTheSizeInForce() {
        auto e = Open();
        QLineEdit* box = e->ComboBox1->lineEdit();
        auto confirm = [&](const char* typed) {
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(typed));
            QTest::keyClick(box, Qt::Key_Return);
        };
        confirm("40");
        QCOMPARE(e->ComboBox1->currentText(), QStringLiteral("40x40"));
        QCOMPARE(e->TrackBar1->value(), 40);
        QCOMPARE(e->TrackBar2->value(), 40);
        QCOMPARE(e->Image1->Picture.Width(), 40);
        QCOMPARE(e->PageControl1->currentWidget(), e->TabSheet1);  // Enter stays in the box
        // Two numbers give width and height; a size that is not square uncouples the sliders.
        confirm("40,30");
        QCOMPARE(e->ComboBox1->currentText(), QStringLiteral("40x30"));
        QCOMPARE(e->Image1->Picture.Height(), 30);
        QVERIFY(!e->cbWeqH->isChecked());
        // Sizes beyond the sliders' end are their end; text without a number gives way.
        confirm("999");
        QCOMPARE(e->ComboBox1->currentText(), QStringLiteral("256x256"));
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(e->ComboBox1->currentText(), QStringLiteral("256x256"));
        // Leaving the box confirms it too.
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("24"));
        e->cbStretch->setFocus();
        QCOMPARE(e->TrackBar1->value(), 24);
        QCOMPARE(e->ComboBox1->currentText(), QStringLiteral("24x24"));
    }

    // At the smallest size the window allows, at its first size and larger, every page is laid
    // out whole; the bottom panel stays at the bottom and the pictures take the new room.
    void everyPageFitsFromTheSmallestSizeUp_data() {
        QTest::addColumn<QSize>("asked");
        QTest::newRow("far too small") << QSize(280, 300);
        QTest::newRow("first size") << QSize(541, 528);
        QTest::newRow("enlarged") << QSize(900, 720);
    }

    void everyPageFitsFromTheSmallestSizeUp() {
        QFETCH(QSize, asked);
        auto e = Open();
        QCOMPARE(e->minimumSize(), QSize(541, 528));
        e->resize(asked);
        QCOMPARE(e->size(), asked.expandedTo(e->minimumSize()));
        VisitPages(*e, [&](const char* page) {
            const QStringList faults = test::LayoutFaults(*e, EditorRules);
            QVERIFY2(faults.isEmpty(), qPrintable(QString::fromLatin1(page) + QStringLiteral(": ") +
                                                  faults.join(QStringLiteral("; "))));
            QWidget* current = e->PageControl1->currentWidget();
            QCOMPARE(e->PageControl1->geometry().bottom() + 1, e->Panel9->y());
            QCOMPARE(e->Panel9->geometry().bottom() + 1, e->height());
            for (QWidget* bottom : {e->Panel1, e->Panel2, e->Panel4, e->Panel3}) {
                if (bottom->parentWidget() == current)
                    QCOMPARE(bottom->geometry().bottom() + 1, current->height());
            }
        });
        if (asked.width() > 541)
            QVERIFY(e->ScrollBox1->width() > 541);
    }

    // A hint too long for the status strip takes a second line; its end is not lost under the
    // swatches.
    void longHintsAreShownWhole() {
        auto e = Open();
        e->BitBtn1->click();
        e->CheckBox1->click();
        QCOMPARE(e->Panel9->height(), 21);
        e->SBTransAdd->click();
        QCOMPARE(e->StatusBar1->text(),
                 QStringLiteral("Press Arrow Key to adjust cursor position. Press Space or Enter "
                                "to draw dot."));
        QVERIFY(e->StatusBar1->height() >= e->StatusBar1->heightForWidth(e->StatusBar1->width()));
        QVERIFY(e->StatusBar1->geometry().right() < e->Panel10->x());
        QCOMPARE(e->Panel10->geometry().bottom() + 1, e->Panel9->height());
        // The next short text gives the room back.
        e->BitBtn4->click();
        e->BitBtn1->click();
        QCOMPARE(e->Panel9->height(), 21);
    }
};

QTEST_MAIN(TestEditorWindow)
#include "tst_editor_window.moc"
