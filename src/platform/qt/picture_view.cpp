#include "platform/qt/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace gf {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {}

void PictureView::SetPicture(const QImage& picture) {
    Picture_ = picture;
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    if (Picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, Picture_);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(event->button(), p.x(), p.y());
    event->accept();
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(event->buttons(), p.x(), p.y());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), p.x(), p.y());
    event->accept();
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DoubleClicked();
    event->accept();
}

}  // namespace gf
