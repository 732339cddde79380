#include "platform/qt/click_label.h"

#include <QMouseEvent>

namespace gf {

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(event->button(), p.x(), p.y());
    if (event->button() == Qt::LeftButton && rect().contains(p))
        emit Clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace gf
