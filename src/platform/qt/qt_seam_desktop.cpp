// The screen, the pointer, the clipboard and the shell on the real desktop.

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_seam.h"

namespace gf {

Bitmap QtSeam::GrabScreenRect(const QRect& rect) {
    const int w = std::clamp(rect.width(), 0, MaxBitmapSide);
    const int h = std::clamp(rect.height(), 0, MaxBitmapSide);
    Bitmap result(w, h, PixelFormat::Bits24);
    if (result.Empty())
        return result;
    const QRect wanted(rect.topLeft(), QSize(w, h));
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect geometry = screen->geometry();
        const QRect part = wanted & geometry;
        if (part.isEmpty())
            continue;
        const QRect local = part.translated(-geometry.topLeft());
        QImage picture =
            screen->grabWindow(0, local.x(), local.y(), local.width(), local.height()).toImage();
        if (picture.isNull())
            continue;
        // High-density screens hand back device pixels; the caller counts logical ones.
        if (picture.size() != part.size())
            picture = picture.scaled(part.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const Bitmap piece = FromQImage(picture, PixelFormat::Bits24);
        result.CopyRect(piece, 0, 0, piece.Width(), piece.Height(), part.x() - wanted.x(),
                        part.y() - wanted.y());
    }
    return result;
}

Color QtSeam::ScreenPixel(const QPoint& pos) {
    const Bitmap pixel = GrabScreenRect(QRect(pos, QSize(1, 1)));
    return pixel.Empty() ? Black : pixel.GetPixel(0, 0);
}

QPoint QtSeam::PointerPos() {
    return QCursor::pos();
}

void QtSeam::MovePointer(const QPoint& pos) {
    QCursor::setPos(pos);
}

std::optional<Bitmap> QtSeam::ClipboardImage() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return std::nullopt;
    const QImage picture = clipboard->image();
    if (picture.isNull())
        return std::nullopt;
    return FromQImage(picture);
}

void QtSeam::SetClipboardImage(const Bitmap& picture) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(ToQImage(picture));
}

bool QtSeam::OpenWithShell(const QString& fileOrUrl) {
    if (fileOrUrl.isEmpty())
        return false;
    const QUrl url = LooksLikeUrl(fileOrUrl) ? QUrl(fileOrUrl) : QUrl::fromLocalFile(fileOrUrl);
    return QDesktopServices::openUrl(url);
}

}  // namespace gf
