#include "editor/image_view.h"

#include <QBitmap>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "editor/pixels/trans_region.h"
#include "platform/qt/qimage_bridge.h"

namespace gf {
namespace {

QColor ToQColor(Color c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// A monochrome 32 x 32 cursor drawn by `draw` in black with a white outline.
QCursor DrawnCursor(int hotX, int hotY, const std::function<void(QPainter&)>& draw) {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    {
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(Qt::white);
        draw(p);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::black);
        draw(p);
    }
    return QCursor(pix, hotX, hotY);
}

}  // namespace

QCursor CursorOf(ScreenCursor kind) {
    switch (kind) {
        case ScreenCursor::Pipette: {
            static const QCursor pipette = DrawnCursor(8, 23, [](QPainter& p) {
                // The tip at the hot spot, the tube rising to the upper right, the bulb on top.
                p.drawLine(8, 23, 17, 14);
                p.drawLine(9, 23, 18, 14);
                p.drawEllipse(QRect(17, 7, 6, 6));
                p.drawLine(15, 12, 19, 16);
            });
            return pipette;
        }
        case ScreenCursor::Fill: {
            static const QCursor bucket = DrawnCursor(8, 22, [](QPainter& p) {
                // A tipped bucket pouring at the hot spot.
                QPolygon body;
                body << QPoint(12, 12) << QPoint(20, 6) << QPoint(27, 14) << QPoint(19, 21);
                p.drawPolygon(body);
                p.drawLine(12, 12, 8, 18);
                p.drawLine(8, 18, 8, 22);
            });
            return bucket;
        }
        case ScreenCursor::Cross:
            return QCursor(Qt::CrossCursor);
        case ScreenCursor::Hand:
            return QCursor(Qt::PointingHandCursor);
        default:
            return QCursor(Qt::ArrowCursor);
    }
}

QImage PipetteGlyph(int width, int height) {
    QImage glyph(width, height, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(width / 26.0, height / 29.0);
    // The glass tube from the tip at the lower left up to the rubber bulb at the upper right.
    QPolygonF tube;
    tube << QPointF(4, 25) << QPointF(6, 19) << QPointF(15, 10) << QPointF(19, 14)
         << QPointF(10, 23);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(QColor(190, 220, 240));
    p.drawPolygon(tube);
    // The collar between the tube and the bulb.
    p.setBrush(QColor(60, 60, 60));
    p.save();
    p.translate(17, 12);
    p.rotate(45);
    p.drawRect(QRectF(-4.5, -2, 9, 4));
    p.restore();
    p.setBrush(QColor(200, 40, 40));
    p.drawEllipse(QPointF(20.5, 7.5), 4.5, 4.5);
    return glyph;
}

ImageView::ImageView(QWidget* parent) : PictureView(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ImageView::SetPicture(Bitmap picture) {
    Picture = std::move(picture);
    Refresh();
}

void ImageView::Refresh() {
    PictureView::SetPicture(Picture.Empty() ? QImage() : ToQImage(Picture, AlphaUse::Ignore));
}

void ImageView::SetCursorKind(ScreenCursor kind) {
    Kind = kind;
    setCursor(CursorOf(kind));
}

void ImageView::ClickFromKeyboard() {
    setFocusPolicy(Qt::StrongFocus);
}

void ImageView::keyPressEvent(QKeyEvent* e) {
    if (focusPolicy() != Qt::NoFocus && e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        emit MouseDown(Qt::LeftButton, width() / 2, height() / 2);
        emit MouseUp(Qt::LeftButton, width() / 2, height() / 2);
        emit Clicked();
        return;
    }
    PictureView::keyPressEvent(e);
}

void ImageView::paintEvent(QPaintEvent* event) {
    if (!Stretch) {
        PictureView::paintEvent(event);
    } else if (const QImage& shown = PictureView::Picture(); !shown.isNull()) {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(rect(), shown);
    }
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Highlight));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ImageView::mousePressEvent(QMouseEvent* e) {
    Pressed = true;
    PictureView::mousePressEvent(e);
}

void ImageView::mouseReleaseEvent(QMouseEvent* e) {
    PictureView::mouseReleaseEvent(e);
    if (Pressed && rect().contains(e->position().toPoint()))
        emit Clicked();
    Pressed = false;
}

ShapeView::ShapeView(QWidget* parent) : QWidget(parent) {}

void ShapeView::SetBrushColor(Color c) {
    BrushColor = c;
    update();
}

void ShapeView::MakeSwatch() {
    Swatch = true;
    setFocusPolicy(Qt::StrongFocus);
    update();
}

void ShapeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor outline = PenColor.isValid() ? PenColor : palette().color(QPalette::WindowText);
    if (Swatch) {
        // A sample of the colour in a frame, with a ring of the window's colour between them
        // (as the edit page shows its brush colour): the frame in the focus colour while it has
        // the keyboard, the sample edged a shade darker or lighter than itself.
        const QColor colour = ToQColor(BrushColor);
        p.fillRect(rect(), hasFocus() ? palette().color(QPalette::Highlight) : outline);
        p.fillRect(rect().adjusted(1, 1, -1, -1), palette().color(QPalette::Window));
        const QRect sample = rect().adjusted(3, 3, -3, -3);
        p.fillRect(sample, colour.lightness() > 128 ? colour.darker(160) : colour.lighter(180));
        p.fillRect(sample.adjusted(1, 1, -1, -1), colour);
        return;
    }
    if (!BrushClear)
        p.fillRect(rect(), ToQColor(BrushColor));
    QPen pen(outline);
    pen.setStyle(PenStyle);
    pen.setWidth(1);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ShapeView::mouseReleaseEvent(QMouseEvent* e) {
    emit MouseUp(e->button(), e->position().toPoint().x(), e->position().toPoint().y());
}

void ShapeView::keyPressEvent(QKeyEvent* e) {
    if (Swatch && e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        emit MouseUp(Qt::LeftButton, width() / 2, height() / 2);
        return;
    }
    QWidget::keyPressEvent(e);
}

namespace {

class ShapeItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool focused = option.state & (QStyle::State_HasFocus | QStyle::State_Selected);
        ShapeComboBox::DrawShapeItem(*painter, option.rect, index.data().toString(), focused,
                                     option.palette.color(QPalette::Base));
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        return {s.width(), std::max(s.height(), 16)};
    }
};

}  // namespace

ShapeComboBox::ShapeComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new ShapeItemDelegate(this));
}

void ShapeComboBox::DrawShapeItem(QPainter& painter, const QRect& rect, const QString& text,
                                  bool focused, const QColor& ownColour) {
    painter.save();
    painter.fillRect(rect, Qt::white);
    painter.setPen(focused ? QColor(Qt::red) : ownColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    bool ok = false;
    const int shape = text.toInt(&ok);
    const int h = rect.height();
    const QRect box(QPoint(rect.left() + 1, rect.top() + 1),
                    QPoint(rect.left() + h - 2, rect.top() + h - 2));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    if ((ok ? shape : 0) == 1)
        painter.drawEllipse(box);
    else
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.restore();
}

void ShapeComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0)
        DrawShapeItem(painter, field, currentText(), hasFocus(), palette().color(QPalette::Base));
}

Color ColourOfItemText(const QString& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    return ok ? static_cast<Color>(v) & 0xFFFFFF : Black;
}

void CBColorDrawItem(QPainter& painter, const QRect& rect, const QString& text, bool focused,
                     const QColor& ownColour) {
    painter.save();
    painter.fillRect(rect, ToQColor(ColourOfItemText(text)));
    painter.setPen(focused ? QColor(Qt::red) : ownColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

namespace {

class ColourItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool focused = option.state & (QStyle::State_HasFocus | QStyle::State_Selected);
        CBColorDrawItem(*painter, option.rect, index.data().toString(), focused,
                        option.palette.color(QPalette::Base));
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        return {s.width(), std::max(s.height(), 16)};
    }
};

}  // namespace

ColourComboBox::ColourComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new ColourItemDelegate(this));
    // 255 items: the pop-up shows a screenful and scrolls.
    setMaxVisibleItems(16);
}

void ColourComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0)
        CBColorDrawItem(painter, field, currentText(), hasFocus(), palette().color(QPalette::Base));
}

QRect CanvasBlock::Bounds() const {
    if (Cell > 0)
        return {X, Y, Cell, Cell};
    if (R <= 0)
        return {X, Y, 1, 1};
    return {X - R, Y - R, 2 * R, 2 * R};
}

ZoomView::ZoomView(QWidget* parent) : PictureView(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setMouseTracking(true);
}

Bitmap ZoomView::Render(int x, int y, int w, int h) const {
    Bitmap view(std::max(0, w), std::max(0, h), PixelFormat::Bits32);
    if (view.Empty())
        return view;
    if (Render_)
        Render_(view, x, y);
    if (Preview_ && Preview_->Bounds().intersects(QRect(x, y, w, h))) {
        const CanvasBlock& b = *Preview_;
        if (b.Cell > 0) {
            const QRect cell = b.Bounds().translated(-x, -y).intersected(QRect(0, 0, w, h));
            for (int j = cell.top(); j <= cell.bottom(); ++j) {
                std::uint8_t* p = view.Row(j) + 4 * cell.left();
                for (int i = cell.left(); i <= cell.right(); ++i, p += 4)
                    for (int k = 0; k < 3; ++k)
                        p[k] = static_cast<std::uint8_t>(~p[k]);
            }
        } else {
            ShapeCanvas canvas{&view, true};
            DrawShapeBlock(canvas, b.X - x, b.Y - y, b.Shape, b.R);
        }
    }
    return view;
}

void ZoomView::SetPreview(const std::optional<CanvasBlock>& block) {
    if (block == Preview_)
        return;
    if (Preview_)
        update(Preview_->Bounds());
    Preview_ = block;
    if (Preview_)
        update(Preview_->Bounds());
}

void ZoomView::leaveEvent(QEvent* event) {
    // The preview shows where a click would paint; outside the canvas there is no such place.
    SetPreview(std::nullopt);
    PictureView::leaveEvent(event);
}

void ZoomView::SetCursorKind(ScreenCursor kind) {
    Kind = kind;
    setCursor(CursorOf(kind));
}

void ZoomView::paintEvent(QPaintEvent* event) {
    const QRect r = event->rect().intersected(rect());
    if (r.isEmpty())
        return;
    const Bitmap part = Render(r.x(), r.y(), r.width(), r.height());
    // The rows of a 32-bit bitmap are blue, green, red, 255: the layout of QImage::Format_RGB32.
    const QImage image(part.Data().data(), part.Width(), part.Height(),
                       static_cast<qsizetype>(part.Stride()), QImage::Format_RGB32);
    QPainter p(this);
    p.drawImage(r.topLeft(), image);
}

PointerMark::PointerMark(QWidget* parent) : QWidget(parent) {
    setObjectName("PointerMark");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(15, 15);
    hide();
}

void PointerMark::ShowAt(const QPoint& global) {
    const QPoint local = parentWidget() ? parentWidget()->mapFromGlobal(global) : global;
    move(local - QPoint(width() / 2, height() / 2));
    raise();
    show();
}

void PointerMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int c = width() / 2;
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(c, 0, c, height() - 1);
    p.drawLine(0, c, width() - 1, c);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(c, 1, c, height() - 2);
    p.drawLine(1, c, width() - 2, c);
}

}  // namespace gf
