#pragma once
// The small controls the converter window is built from: a command button with its glyph above
// the caption and a colour drop-down list (its pictures and its link label are the shared
// PictureView and ClickLabel).

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QWidget>

#include "platform/color.h"
#include "platform/qt/click_label.h"
#include "platform/qt/picture_view.h"

namespace gf {

// A flat command button: a 48 x 48 glyph 5 pixels below the top edge, the caption right under
// it. Tag is free for the program (1 = the input is preset, do not ask).
class GlyphButton : public QAbstractButton {
    Q_OBJECT
  public:
    GlyphButton(const QString& caption, const QImage& glyph, QWidget* parent);

    int Tag = 0;

    QSize sizeHint() const override { return {90, 87}; }
    // Shows the button hovered exactly when the pointer is over it now. A pop-up menu or a
    // modal window that took the pointer away tells the button nothing when it goes.
    void RecheckHover();
    bool IsHovered() const { return Hovered; }

  protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    QImage Glyph;
    bool Hovered = false;
    bool KeyboardFocus = false;  // the focus ring shows only when the user tabbed here
};

// A colour drop-down list: the 16 standard colours, the 4 extended ones, the desktop's own
// colours and "Custom...", which asks for any colour through the colour dialog. Change is
// emitted when the user picks a colour.
class ColorBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ColorBox(QWidget* parent);

    Color Selected() const;
    // Selects the entry of that colour, or makes it the custom colour.
    void SetSelected(Color color);

  signals:
    void Change();

  private:
    void AddColor(const QString& name, Color color);
    void SetCustom(Color color);
    void Picked(int index);

    int LastIndex = 0;
};

}  // namespace gf
