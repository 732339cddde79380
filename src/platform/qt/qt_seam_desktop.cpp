// The screen, the pointer, the screen frame, the clipboard and the shell on the real desktop.

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_seam.h"
#include "platform/qt/screen_overlay.h"

namespace gf {

QtSeam::QtSeam() = default;

QtSeam::~QtSeam() {
    // The real seam lives until the program's static objects go; a window may only be deleted
    // while the application exists.
    if (Overlay_ && QCoreApplication::instance())
        delete Overlay_.data();
}

ScreenOverlay& QtSeam::EnsureOverlay() {
    if (!Overlay_)
        Overlay_ = new ScreenOverlay();
    return *Overlay_;
}

bool QtSeam::CanReadScreen() {
    // These platforms hand out pictures of the program's own windows at most.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    // A Wayland desktop gives no picture of the screen at all.
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen && !screen->grabWindow(0, 0, 0, 1, 1).isNull();
}

Bitmap QtSeam::GrabScreenRect(const QRect& rect, Color offScreen) {
    const int w = std::clamp(rect.width(), 0, MaxBitmapSide);
    const int h = std::clamp(rect.height(), 0, MaxBitmapSide);
    Bitmap result(w, h, PixelFormat::Bits24);
    if (result.Empty())
        return result;
    result.Fill(offScreen);
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
    const Bitmap pixel = GrabScreenRect(QRect(pos, QSize(1, 1)), Black);
    return pixel.Empty() ? Black : pixel.GetPixel(0, 0);
}

QPoint QtSeam::PointerPos() {
    return QCursor::pos();
}

void QtSeam::MovePointer(const QPoint& pos) {
    QCursor::setPos(pos);
}

bool QtSeam::CanMovePointer() {
    // Wayland and the headless platforms ignore QCursor::setPos.
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name == QLatin1String("windows") ||
           name == QLatin1String("cocoa");
}

void QtSeam::ClickAt(const QPoint& pos) {
    SendClickAt(pos);
}

namespace {

QWidget* MouseTargetAt(const QPoint& pos) {
    if (QWidget* grabber = QWidget::mouseGrabber())
        return grabber;
    return QApplication::widgetAt(pos);
}

void SendMouse(QWidget* target, const QPoint& pos, QEvent::Type type) {
    const QPointF global(pos);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
    QMouseEvent event(type, target->mapFromGlobal(global), target->window()->mapFromGlobal(global),
                      global, button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

void SendClickAt(const QPoint& pos) {
    // The release goes where the press went, as it does for a real click, unless the press
    // closed that widget.
    QPointer<QWidget> target = MouseTargetAt(pos);
    if (!target)
        return;
    SendMouse(target, pos, QEvent::MouseButtonPress);
    if (target)
        SendMouse(target, pos, QEvent::MouseButtonRelease);
}

void SendMoveAt(const QPoint& pos) {
    if (QWidget* target = MouseTargetAt(pos))
        SendMouse(target, pos, QEvent::MouseMove);
}

void QtSeam::ShowScreenFrame(const QRect& area) {
    EnsureOverlay().ShowFrame(area);
}

void QtSeam::HideScreenFrame() {
    if (Overlay_)
        Overlay_->HideFrame();
}

void QtSeam::HoldPointer(QWidget* holder, Qt::CursorShape cursor) {
    EnsureOverlay().Hold(holder, cursor);
}

void QtSeam::ReleasePointer() {
    if (Overlay_)
        Overlay_->Release();
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

namespace {

// How long the desktop's opener is watched when it is a program of its own (xdg-open): an exit
// with a failure within this time means nothing could open the file or address. Later the
// opener may be running the browser itself, whose end says nothing about the opening.
constexpr int ShellOpenerWatchMs = 10000;

// Starts xdg-open on `target`; false when there is none. Qt hands the work to xdg-open too,
// but never learns that it found no program for the target.
bool StartDesktopOpener(const QString& target, const std::function<void()>& failed) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    // Not parented and never destroyed while it runs: a QProcess that is destroyed kills its
    // program, which may be the browser the user is reading the page in.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    auto watching = std::make_shared<bool>(true);
    auto report = [process, watching, failed](bool failure) {
        const bool tell = *watching && failure && failed;
        *watching = false;
        process->deleteLater();
        if (tell)
            failed();
    };
    QObject::connect(process, &QProcess::finished, process,
                     [report](int code, QProcess::ExitStatus status) {
                         report(status != QProcess::NormalExit || code != 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [report](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             report(true);
                     });
    QTimer::singleShot(ShellOpenerWatchMs, process, [watching] { *watching = false; });
    process->start(opener, {target});
    return true;
#else
    Q_UNUSED(target);
    Q_UNUSED(failed);
    return false;
#endif
}

}  // namespace

void QtSeam::OpenWithShell(const QString& fileOrUrl, std::function<void()> failed) {
    if (fileOrUrl.isEmpty()) {
        if (failed)
            failed();
        return;
    }
    if (StartDesktopOpener(fileOrUrl, failed))
        return;
    const QUrl url = LooksLikeUrl(fileOrUrl) ? QUrl(fileOrUrl) : QUrl::fromLocalFile(fileOrUrl);
    if (!QDesktopServices::openUrl(url) && failed)
        failed();
}

}  // namespace gf
