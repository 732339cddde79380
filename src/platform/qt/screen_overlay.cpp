#include "platform/qt/screen_overlay.h"

#include <QBrush>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>

namespace gf {

namespace {

// A pixel's size beyond the top-left corner of every screen: the window is mapped (so it can
// hold the pointer) but shows nowhere.
QRect OffEveryScreen() {
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop |= screen->geometry();
    return QRect(desktop.left() - 64, desktop.top() - 64, 1, 1);
}

// Dots alternating black and white, so the frame shows on any background.
const QBrush& DotBrush() {
    static const QBrush brush = [] {
        QImage dots(2, 2, QImage::Format_RGB32);
        dots.fill(Qt::white);
        dots.setPixel(0, 0, qRgb(0, 0, 0));
        dots.setPixel(1, 1, qRgb(0, 0, 0));
        return QBrush(dots);
    }();
    return brush;
}

}  // namespace

ScreenOverlay::ScreenOverlay()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("ScreenFrame"));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void ScreenOverlay::ShowFrame(const QRect& area) {
    Area = area;
    const QRect outer = area.adjusted(-1, -1, 1, 1);
    setGeometry(outer);
    const QRect inside(QPoint(0, 0), outer.size());
    setMask(QRegion(inside) - QRegion(inside.adjusted(1, 1, -1, -1)));
    show();
    raise();
    update();
}

void ScreenOverlay::HideFrame() {
    Area.reset();
    if (Held)
        Park();
    else
        hide();
}

void ScreenOverlay::Park() {
    clearMask();
    setGeometry(OffEveryScreen());
    show();
}

void ScreenOverlay::Hold(QWidget* holder, Qt::CursorShape cursor) {
    Release();
    Holder = holder;
    if (!Area)
        Park();
    grabMouse(QCursor(cursor));
    grabKeyboard();
    Held = true;
}

void ScreenOverlay::Release() {
    if (!Held)
        return;
    Held = false;
    Holder = nullptr;
    releaseMouse();
    releaseKeyboard();
    if (!Area)
        hide();
}

void ScreenOverlay::paintEvent(QPaintEvent*) {
    if (!Area)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), DotBrush());
}

void ScreenOverlay::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!Held)
        return;
    const QPointer<QWidget> holder = Holder;
    Release();
    if (!holder)
        return;
    const QPointF global = event->globalPosition();
    QMouseEvent up(QEvent::MouseButtonRelease, holder->mapFromGlobal(global), global,
                   event->button(), event->buttons(), event->modifiers());
    QCoreApplication::sendEvent(holder, &up);
}

void ScreenOverlay::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (!Held || !Holder)
        return;
    QKeyEvent key(event->type(), event->key(), event->modifiers(), event->text(),
                  event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QCoreApplication::sendEvent(Holder, &key);
}

void ScreenOverlay::keyReleaseEvent(QKeyEvent* event) {
    // The release of the key that started a drag from the keyboard arrives here; it means
    // nothing.
    event->accept();
}

}  // namespace gf
