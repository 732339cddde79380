#include "platform/qt/qimage_bridge.h"

#include <cstring>

#include "platform/icon_draw.h"
#include "platform/pixel_rows.h"

namespace gf {

namespace {

// The bitmap's palette as a colour table of exactly `size` entries, missing ones black (a
// bitmap's index beyond its palette also reads black).
QList<QRgb> ColorTableOf(const Bitmap& bitmap, int size) {
    QList<QRgb> table(size, qRgb(0, 0, 0));
    const auto& palette = bitmap.Palette();
    for (int i = 0; i < size && i < static_cast<int>(palette.size()); ++i) {
        const Color c = palette[static_cast<std::size_t>(i)];
        table[i] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
    }
    return table;
}

std::vector<Color> PaletteOf(const QImage& image) {
    std::vector<Color> palette;
    for (QRgb entry : image.colorTable())
        palette.push_back(Rgb(static_cast<std::uint8_t>(qRed(entry)),
                              static_cast<std::uint8_t>(qGreen(entry)),
                              static_cast<std::uint8_t>(qBlue(entry))));
    return palette;
}

void CopyRowsTo(QImage& image, const Bitmap& bitmap, std::size_t rowBytes) {
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.Row(y), rowBytes);
}

void CopyRowsFrom(Bitmap& bitmap, const QImage& image, std::size_t rowBytes) {
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memcpy(bitmap.Row(y), image.constScanLine(y), rowBytes);
}

}  // namespace

QImage ToQImage(const Bitmap& bitmap, AlphaUse alpha) {
    if (bitmap.Empty())
        return {};
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const auto uw = static_cast<std::size_t>(w);
    switch (bitmap.Format()) {
        case PixelFormat::Bits1: {
            QImage image(w, h, QImage::Format_Mono);
            image.setColorTable(ColorTableOf(bitmap, 2));
            CopyRowsTo(image, bitmap, (uw + 7) / 8);
            return image;
        }
        case PixelFormat::Bits4: {
            QImage image(w, h, QImage::Format_Indexed8);
            image.setColorTable(ColorTableOf(bitmap, 16));
            for (int y = 0; y < h; ++y) {
                const std::uint8_t* src = bitmap.Row(y);
                std::uint8_t* dst = image.scanLine(y);
                for (std::size_t x = 0; x < uw; ++x)
                    dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            }
            return image;
        }
        case PixelFormat::Bits8: {
            QImage image(w, h, QImage::Format_Indexed8);
            image.setColorTable(ColorTableOf(bitmap, 256));
            CopyRowsTo(image, bitmap, uw);
            return image;
        }
        case PixelFormat::Bits15: {
            QImage image(w, h, QImage::Format_RGB555);
            CopyRowsTo(image, bitmap, 2 * uw);
            return image;
        }
        case PixelFormat::Bits16: {
            if (bitmap.Masks() == Masks565) {
                QImage image(w, h, QImage::Format_RGB16);
                CopyRowsTo(image, bitmap, 2 * uw);
                return image;
            }
            // Unusual masks: read through the bit fields.
            QImage image(w, h, QImage::Format_RGB32);
            RowReader reader(bitmap);
            for (int y = 0; y < h; ++y)
                reader.Read(y, 0, w, image.scanLine(y));
            return image;
        }
        case PixelFormat::Bits32: {
            const bool useAlpha =
                alpha == AlphaUse::Keep || (alpha == AlphaUse::Auto && HasAnyAlpha(bitmap));
            QImage image(w, h, useAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            CopyRowsTo(image, bitmap, 4 * uw);
            if (!useAlpha) {
                // An opaque QImage must carry 0xFF in the fourth byte.
                for (int y = 0; y < h; ++y) {
                    std::uint8_t* row = image.scanLine(y);
                    for (std::size_t x = 0; x < uw; ++x)
                        row[4 * x + 3] = 0xFF;
                }
            }
            return image;
        }
        default: {
            QImage image(w, h, QImage::Format_BGR888);
            CopyRowsTo(image, bitmap, 3 * uw);
            return image;
        }
    }
}

Bitmap FromQImage(const QImage& image) {
    if (image.isNull())
        return {};
    const int w = image.width();
    const int h = image.height();
    if (w > MaxBitmapSide || h > MaxBitmapSide)
        return {};
    const auto uw = static_cast<std::size_t>(w);
    switch (image.format()) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB: {
            const QImage mono = image.format() == QImage::Format_Mono
                                    ? image
                                    : image.convertToFormat(QImage::Format_Mono);
            Bitmap bitmap(w, h, PixelFormat::Bits1);
            bitmap.SetPalette(PaletteOf(mono));
            CopyRowsFrom(bitmap, mono, (uw + 7) / 8);
            return bitmap;
        }
        case QImage::Format_Indexed8: {
            Bitmap bitmap(w, h, PixelFormat::Bits8);
            bitmap.SetPalette(PaletteOf(image));
            CopyRowsFrom(bitmap, image, uw);
            return bitmap;
        }
        case QImage::Format_RGB555: {
            Bitmap bitmap(w, h, PixelFormat::Bits15);
            CopyRowsFrom(bitmap, image, 2 * uw);
            return bitmap;
        }
        case QImage::Format_RGB16: {
            Bitmap bitmap(w, h, PixelFormat::Bits16);
            CopyRowsFrom(bitmap, image, 2 * uw);
            return bitmap;
        }
        default:
            break;
    }
    if (image.hasAlphaChannel()) {
        const QImage straight = image.format() == QImage::Format_ARGB32
                                    ? image
                                    : image.convertToFormat(QImage::Format_ARGB32);
        Bitmap bitmap(w, h, PixelFormat::Bits32);
        CopyRowsFrom(bitmap, straight, 4 * uw);
        return bitmap;
    }
    const QImage bgr = image.format() == QImage::Format_BGR888
                           ? image
                           : image.convertToFormat(QImage::Format_BGR888);
    Bitmap bitmap(w, h, PixelFormat::Bits24);
    CopyRowsFrom(bitmap, bgr, 3 * uw);
    return bitmap;
}

Bitmap FromQImage(const QImage& image, PixelFormat format) {
    Bitmap bitmap = FromQImage(image);
    if (!bitmap.Empty() && bitmap.Format() != format)
        bitmap.SetFormat(format);
    return bitmap;
}

}  // namespace gf
