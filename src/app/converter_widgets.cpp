#include "app/converter_widgets.h"

#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "platform/qt/seam.h"

namespace gf {

GlyphButton::GlyphButton(const QString& caption, const QImage& glyph, QWidget* parent)
    : QAbstractButton(parent), Glyph(glyph) {
    setText(caption);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void GlyphButton::enterEvent(QEnterEvent* event) {
    Hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void GlyphButton::leaveEvent(QEvent* event) {
    Hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void GlyphButton::RecheckHover() {
    const bool over = isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
    if (over != Hovered) {
        Hovered = over;
        update();
    }
}

void GlyphButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        RecheckHover();
}

void GlyphButton::focusInEvent(QFocusEvent* event) {
    KeyboardFocus =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void GlyphButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(3.5, 1.5, -3.5, -1.5);
    const QColor highlight = palette().color(QPalette::Highlight);
    if (isEnabled() && (isDown() || Hovered)) {
        QColor fill = highlight;
        fill.setAlpha(isDown() ? 70 : 32);
        QColor edge = highlight;
        edge.setAlpha(isDown() ? 170 : 110);
        p.setPen(QPen(edge, 1));
        p.setBrush(fill);
        p.drawRoundedRect(panel, 5, 5);
    } else if (hasFocus() && KeyboardFocus) {
        QColor edge = highlight;
        edge.setAlpha(120);
        p.setPen(QPen(edge, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(panel, 5, 5);
    }

    const int shift = isDown() ? 1 : 0;
    const QPoint glyphAt((width() - Glyph.width()) / 2 + shift, 5 + shift);
    if (isEnabled()) {
        p.drawImage(glyphAt, Glyph);
    } else {
        p.setOpacity(0.4);
        p.drawImage(glyphAt, Glyph.convertToFormat(QImage::Format_Grayscale8));
        p.setOpacity(1.0);
    }
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.setFont(font());
    const QRect textRect(shift, 5 + Glyph.height() + shift, width(), height() - 5 - Glyph.height());
    p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text());
}

namespace {

QIcon Swatch(Color color) {
    QPixmap pixmap(18, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(QColor(RedOf(color), GreenOf(color), BlueOf(color)));
    p.drawRect(0, 0, 17, 11);
    return QIcon(pixmap);
}

Color ColorOfRole(const QPalette& palette, QPalette::ColorRole role) {
    const QColor c = palette.color(QPalette::Active, role);
    return Rgb(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue()));
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(18, 12));
    setMaxVisibleItems(16);
    addItem(Swatch(Black), tr("Custom..."), QVariant::fromValue<uint>(Black));

    static const struct {
        const char* Name;
        Color Value;
    } standard[] = {
        {"Black", Rgb(0, 0, 0)},
        {"Maroon", Rgb(128, 0, 0)},
        {"Green", Rgb(0, 128, 0)},
        {"Olive", Rgb(128, 128, 0)},
        {"Navy", Rgb(0, 0, 128)},
        {"Purple", Rgb(128, 0, 128)},
        {"Teal", Rgb(0, 128, 128)},
        {"Gray", Rgb(128, 128, 128)},
        {"Silver", Rgb(192, 192, 192)},
        {"Red", Rgb(255, 0, 0)},
        {"Lime", Rgb(0, 255, 0)},
        {"Yellow", Rgb(255, 255, 0)},
        {"Blue", Rgb(0, 0, 255)},
        {"Fuchsia", Rgb(255, 0, 255)},
        {"Aqua", Rgb(0, 255, 255)},
        {"White", Rgb(255, 255, 255)},
        {"Money Green", Rgb(192, 220, 192)},
        {"Sky Blue", Rgb(166, 202, 240)},
        {"Cream", Rgb(255, 251, 240)},
        {"Medium Gray", Rgb(160, 160, 164)},
    };
    for (const auto& entry : standard)
        AddColor(tr(entry.Name), entry.Value);

    static const struct {
        const char* Name;
        QPalette::ColorRole Role;
    } desktop[] = {
        {"Window", QPalette::Window},
        {"Window Text", QPalette::WindowText},
        {"Base", QPalette::Base},
        {"Text", QPalette::Text},
        {"Button Face", QPalette::Button},
        {"Button Text", QPalette::ButtonText},
        {"Highlight", QPalette::Highlight},
        {"Highlight Text", QPalette::HighlightedText},
        {"Info Background", QPalette::ToolTipBase},
        {"Info Text", QPalette::ToolTipText},
    };
    const QPalette palette = QGuiApplication::palette();
    for (const auto& entry : desktop)
        AddColor(tr(entry.Name), ColorOfRole(palette, entry.Role));

    setCurrentIndex(1);  // black
    LastIndex = 1;
    connect(this, &QComboBox::activated, this, &ColorBox::Picked);
}

void ColorBox::AddColor(const QString& name, Color color) {
    addItem(Swatch(color), name, QVariant::fromValue<uint>(color));
}

Color ColorBox::Selected() const {
    return static_cast<Color>(currentData().toUInt());
}

void ColorBox::SetSelected(Color color) {
    for (int i = 1; i < count(); ++i) {
        if (static_cast<Color>(itemData(i).toUInt()) == color) {
            setCurrentIndex(i);
            LastIndex = i;
            return;
        }
    }
    SetCustom(color);
    setCurrentIndex(0);
    LastIndex = 0;
}

void ColorBox::SetCustom(Color color) {
    setItemData(0, QVariant::fromValue<uint>(color));
    setItemIcon(0, Swatch(color));
}

void ColorBox::Picked(int index) {
    if (index == 0) {
        std::optional<Color> chosen = ChooseColor(static_cast<Color>(itemData(0).toUInt()), this);
        if (!chosen) {
            setCurrentIndex(LastIndex);
            return;
        }
        SetCustom(*chosen);
    }
    LastIndex = index;
    emit Change();
}

}  // namespace gf
