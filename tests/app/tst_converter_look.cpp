// The converter window as the user sees it, with a working icon that went through the icon
// writer and the icon decoder: the icon in the middle of the preview, every button's glyph.

#include <QtTest>
#include <filesystem>

#include "app/artwork.h"
#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"
#include "platform/png_codec.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;
namespace fs = std::filesystem;

namespace {

// The project's sample picture, or the program's own icon when the sample is not at hand.
Bitmap SamplePicture() {
    const fs::path sample = fs::path(GF_TEST_DATA_DIR) / ".." / ".." / "samples" / "sample.png";
    if (Result<PngPicture> png = LoadPngFile(sample))
        return png->Pixels;
    return FromQImage(DrawProgramIcon(96));
}

}  // namespace

class TestConverterLook : public QObject {
    Q_OBJECT
  private slots:
    void windowWithAWorkingIcon();
};

void TestConverterLook::windowWithAWorkingIcon() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    ScriptedSeam seam;

    TIconConverter window;
    // The picture becomes an icon file (transparent where its alpha is 0), read back as the
    // Load command reads the working icon file.
    const Bitmap picture = SamplePicture();
    Bitmap mask(picture.Width(), picture.Height(), PixelFormat::Bits8);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            mask.Row(y)[x] = picture.GetAlpha(x, y) == 0 ? 255 : 0;
    const fs::path iconFile = window.WorkFile("eitemp.ico");
    QVERIFY(SaveBitmapsAsIcon(picture, mask, iconFile).Ok());
    Result<IconImage> icon = LoadIconFileFirstSize(iconFile);
    QVERIFY2(icon.Ok(), icon.Ok() ? "" : icon.ErrorMessage().c_str());
    window.WorkColor = icon->Color;
    window.WorkMask = icon->Mask;
    IconFileInfo info;
    QCOMPARE(window.ReadIconFileInfo(iconFile, info), 1);
    window.WorkPixelFormat = info.Code;
    window.ShowWorkingIcon();

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.size(), QSize(521, 382));
    QCOMPARE(window.Label1->text(),
             QStringLiteral("%1 X %2 X 32 bits").arg(picture.Width()).arg(picture.Height()));

    // The preview (inside Panel2's bevel) shows the icon's centre pixel at the window's centre
    // of the preview area.
    const QPoint previewAt = window.Image2->mapTo(&window, QPoint(0, 0));
    const QPoint centre = previewAt + QPoint(169, 175);
    const Color iconCentre =
        icon->Color.GetPixel(icon->Color.Width() / 2, icon->Color.Height() / 2);
    if (icon->Color.GetAlpha(icon->Color.Width() / 2, icon->Color.Height() / 2) == 255)
        QCOMPARE(shot.pixel(centre),
                 qRgb(RedOf(iconCentre), GreenOf(iconCentre), BlueOf(iconCentre)));

    // Every button shows its glyph: more than the panel's own colour in its glyph square.
    for (GlyphButton* button : window.findChildren<GlyphButton*>()) {
        const QPoint at = button->mapTo(&window, QPoint((button->width() - 48) / 2, 5));
        const QImage glyph = shot.copy(QRect(at, QSize(48, 48)));
        QSet<QRgb> colours;
        for (int y = 0; y < 48; y += 2)
            for (int x = 0; x < 48; x += 2)
                colours.insert(glyph.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(button->objectName()));
    }
}

QTEST_MAIN(TestConverterLook)
#include "tst_converter_look.moc"
