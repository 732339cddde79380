// Bitmap <-> QImage: every format shows the same colours, and the formats Qt shares with us
// come back unchanged.

#include <QtTest>

#include "platform/bitmap.h"
#include "platform/qt/qimage_bridge.h"

using namespace gf;

namespace {

// A bitmap whose pixels differ from each other as far as the format allows.
Bitmap Pattern(PixelFormat format, int w = 13, int h = 7) {
    Bitmap b(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(
                x, y,
                Rgb(static_cast<std::uint8_t>(x * 19 + y * 3),
                    static_cast<std::uint8_t>(y * 37 + 5), static_cast<std::uint8_t>(x * y * 11)));
    return b;
}

Color ColorOf(QRgb rgb) {
    return Rgb(static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
               static_cast<std::uint8_t>(qBlue(rgb)));
}

}  // namespace

class TestQImageBridge : public QObject {
    Q_OBJECT
  private slots:
    void everyFormatShowsItsColours_data();
    void everyFormatShowsItsColours();
    void sharedFormatsComeBackUnchanged_data();
    void sharedFormatsComeBackUnchanged();
    void alphaIsUsedOnlyWhenPresent();
    void premultipliedPicturesBecomeStraightAlpha();
    void otherQtFormats();
    void unusualBitFieldsAreReadThroughTheirMasks();
    void emptyAndNull();
    void targetFormat();
};

void TestQImageBridge::everyFormatShowsItsColours_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("1 bit") << static_cast<int>(PixelFormat::Bits1);
    QTest::newRow("4 bits") << static_cast<int>(PixelFormat::Bits4);
    QTest::newRow("8 bits") << static_cast<int>(PixelFormat::Bits8);
    QTest::newRow("15 bits") << static_cast<int>(PixelFormat::Bits15);
    QTest::newRow("16 bits") << static_cast<int>(PixelFormat::Bits16);
    QTest::newRow("24 bits") << static_cast<int>(PixelFormat::Bits24);
    QTest::newRow("32 bits") << static_cast<int>(PixelFormat::Bits32);
    QTest::newRow("device") << static_cast<int>(PixelFormat::Device);
}

void TestQImageBridge::everyFormatShowsItsColours() {
    QFETCH(int, format);
    const Bitmap bitmap = Pattern(static_cast<PixelFormat>(format));
    const QImage image = ToQImage(bitmap);
    QCOMPARE(image.size(), QSize(bitmap.Width(), bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            QCOMPARE(ColorOf(image.pixel(x, y)), bitmap.GetPixel(x, y));
            QCOMPARE(qAlpha(image.pixel(x, y)), 255);
        }
}

void TestQImageBridge::sharedFormatsComeBackUnchanged_data() {
    everyFormatShowsItsColours_data();
}

void TestQImageBridge::sharedFormatsComeBackUnchanged() {
    QFETCH(int, format);
    const auto f = static_cast<PixelFormat>(format);
    Bitmap bitmap = Pattern(f);
    if (f == PixelFormat::Bits32)
        for (int x = 0; x < bitmap.Width(); ++x)
            bitmap.SetAlpha(x, 2, static_cast<std::uint8_t>(x * 20));
    const Bitmap back = FromQImage(ToQImage(bitmap, AlphaUse::Keep));
    if (f == PixelFormat::Bits4) {
        // Qt has no 4-bit format: the picture comes back as 8 bits with the same colours.
        QCOMPARE(back.Format(), PixelFormat::Bits8);
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                QCOMPARE(back.GetPixel(x, y), bitmap.GetPixel(x, y));
        return;
    }
    if (f == PixelFormat::Device) {
        QCOMPARE(back.Format(), PixelFormat::Bits24);
        QVERIFY(std::equal(back.Data().begin(), back.Data().end(), bitmap.Data().begin()));
        return;
    }
    QCOMPARE(back.Format(), f);
    QVERIFY(back == bitmap);
}

void TestQImageBridge::alphaIsUsedOnlyWhenPresent() {
    Bitmap b(4, 2, PixelFormat::Bits32);
    b.Fill(Rgb(10, 20, 30), 0);
    // All alpha bytes 0: the picture carries no alpha and is shown opaque.
    QImage opaque = ToQImage(b);
    QVERIFY(!opaque.hasAlphaChannel());
    QCOMPARE(opaque.pixel(1, 1), qRgb(10, 20, 30));

    b.SetAlpha(2, 1, 128);
    QImage blended = ToQImage(b);
    QVERIFY(blended.hasAlphaChannel());
    QCOMPARE(qAlpha(blended.pixel(2, 1)), 128);
    QCOMPARE(qAlpha(blended.pixel(0, 0)), 0);

    QVERIFY(!ToQImage(b, AlphaUse::Ignore).hasAlphaChannel());
    QCOMPARE(qAlpha(ToQImage(b, AlphaUse::Ignore).pixel(2, 1)), 255);
}

void TestQImageBridge::premultipliedPicturesBecomeStraightAlpha() {
    QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qPremultiply(qRgba(200, 100, 50, 128)));
    image.setPixel(1, 0, qRgba(0, 0, 0, 0));
    const Bitmap b = FromQImage(image);
    QCOMPARE(b.Format(), PixelFormat::Bits32);
    QCOMPARE(b.GetAlpha(0, 0), 128);
    QVERIFY(std::abs(RedOf(b.GetPixel(0, 0)) - 200) <= 2);
    QVERIFY(std::abs(GreenOf(b.GetPixel(0, 0)) - 100) <= 2);
    QCOMPARE(b.GetAlpha(1, 0), 0);
}

void TestQImageBridge::otherQtFormats() {
    QImage rgb(3, 2, QImage::Format_RGB888);
    rgb.fill(QColor(250, 120, 7));
    Bitmap b = FromQImage(rgb);
    QCOMPARE(b.Format(), PixelFormat::Bits24);
    QCOMPARE(b.GetPixel(2, 1), Rgb(250, 120, 7));

    QImage x32(3, 2, QImage::Format_RGB32);
    x32.fill(QColor(1, 2, 3));
    b = FromQImage(x32);
    QCOMPARE(b.Format(), PixelFormat::Bits24);
    QCOMPARE(b.GetPixel(0, 0), Rgb(1, 2, 3));

    QImage lsb(10, 1, QImage::Format_MonoLSB);
    lsb.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    lsb.fill(0);
    lsb.setPixel(3, 0, 1);
    b = FromQImage(lsb);
    QCOMPARE(b.Format(), PixelFormat::Bits1);
    QCOMPARE(b.GetPixel(3, 0), White);
    QCOMPARE(b.GetPixel(4, 0), Black);

    QImage grey(2, 2, QImage::Format_Grayscale8);
    grey.fill(77);
    b = FromQImage(grey);
    QCOMPARE(b.GetPixel(1, 1), Rgb(77, 77, 77));
}

void TestQImageBridge::unusualBitFieldsAreReadThroughTheirMasks() {
    Bitmap b(2, 1, PixelFormat::Bits16);
    b.SetMasks({0x0F00, 0x00F0, 0x000F});  // 4-4-4
    b.Row(0)[0] = 0x0F;                    // blue all ones
    b.Row(0)[1] = 0x0F;                    // red all ones
    const QImage image = ToQImage(b);
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 255));
    QCOMPARE(image.pixel(1, 0), qRgb(0, 0, 0));
}

void TestQImageBridge::emptyAndNull() {
    QVERIFY(ToQImage(Bitmap()).isNull());
    QVERIFY(FromQImage(QImage()).Empty());
}

void TestQImageBridge::targetFormat() {
    QImage image(5, 5, QImage::Format_ARGB32);
    image.fill(qRgba(255, 0, 0, 255));
    const Bitmap b = FromQImage(image, PixelFormat::Bits8);
    QCOMPARE(b.Format(), PixelFormat::Bits8);
    QCOMPARE(b.GetPixel(4, 4), Rgb(255, 0, 0));
}

QTEST_MAIN(TestQImageBridge)
#include "tst_qimage_bridge.moc"
