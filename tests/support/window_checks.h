#pragma once
// Checks of a window as a user sees it, for the window tests: no control leaves its parent or
// lies over another, and every caption fits its control. Header only: the shared test library
// has no Qt, and only the window tests include this.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace gf::test {

struct LayoutRules {
    // Controls (by object name) that lie over one another by design: a picture over its
    // backdrop, a label on its swatch.
    std::vector<std::pair<QString, QString>> MayOverlap;
    // Controls kept out of sight on purpose (those that only hold the keyboard focus).
    QStringList OutOfSight;
    // Controls whose place reaches past their panel's edge by design, with nothing of theirs
    // drawn there.
    QStringList MayReachPastParent;
};

namespace detail {

inline bool Listed(const QStringList& names, const QWidget* w) {
    return names.contains(w->objectName());
}

inline bool MayOverlap(const LayoutRules& rules, const QWidget* a, const QWidget* b) {
    for (const auto& [x, y] : rules.MayOverlap) {
        if ((a->objectName() == x && b->objectName() == y) ||
            (a->objectName() == y && b->objectName() == x))
            return true;
    }
    return false;
}

// The room a caption needs in its control, beyond the text itself, or -1 for controls whose
// text is not checked.
inline int TextWidthNeeded(const QWidget* w) {
    auto advance = [w](const QString& text) {
        return w->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&')));
    };
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->wordWrap() || label->text().isEmpty() || !label->pixmap().isNull())
            return -1;
        return label->sizeHint().width();
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return static_cast<const QAbstractButton*>(w)->text().isEmpty() ? -1
                                                                         : w->sizeHint().width();
    if (auto* button = qobject_cast<const QPushButton*>(w))
        return button->text().isEmpty() ? -1 : advance(button->text()) + 8;
    if (auto* tool = qobject_cast<const QToolButton*>(w)) {
        if (tool->text().isEmpty() || tool->toolButtonStyle() == Qt::ToolButtonIconOnly ||
            !tool->icon().isNull())
            return -1;
        return advance(tool->text()) + 6;
    }
    if (auto* combo = qobject_cast<const QComboBox*>(w)) {
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, advance(combo->itemText(i)));
        // The drop-down arrow and the frame take about the height of the box.
        return widest == 0 ? -1 : widest + combo->height();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(w))
        return group->title().isEmpty() ? -1 : advance(group->title()) + 16;
    return -1;
}

inline bool LooksInside(const QWidget* w) {
    // The parts of Qt's own compound controls are theirs to lay out.
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractScrollArea*>(p) ||
            qobject_cast<const QAbstractSlider*>(p) || qobject_cast<const QAbstractButton*>(p))
            return true;
    }
    return false;
}

}  // namespace detail

// The faults of `window` as it is laid out now, one line each ("" when there are none).
inline QStringList LayoutFaults(const QWidget& window, const LayoutRules& rules = {}) {
    QStringList faults;
    std::vector<const QWidget*> shown;
    for (const QWidget* w : window.findChildren<const QWidget*>()) {
        if (w->isWindow() || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_")) || !w->isVisibleTo(&window) ||
            detail::LooksInside(w) || detail::Listed(rules.OutOfSight, w))
            continue;
        shown.push_back(w);
        const QWidget* parent = w->parentWidget();
        if (!parent->rect().contains(w->geometry()) &&
            !detail::Listed(rules.MayReachPastParent, w))
            faults << QStringLiteral("%1 (%2,%3 %4x%5) leaves %6 (%7x%8)")
                          .arg(w->objectName())
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(parent->objectName())
                          .arg(parent->width())
                          .arg(parent->height());
        const int needed = detail::TextWidthNeeded(w);
        if (needed > w->width())
            faults << QStringLiteral("%1 is %2 wide, its text needs %3")
                          .arg(w->objectName())
                          .arg(w->width())
                          .arg(needed);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const QWidget* a = shown[i];
            const QWidget* b = shown[j];
            if (a->parentWidget() != b->parentWidget() || detail::MayOverlap(rules, a, b))
                continue;
            if (a->geometry().intersects(b->geometry()))
                faults << QStringLiteral("%1 and %2 overlap").arg(a->objectName(),
                                                                  b->objectName());
        }
    }
    return faults;
}

}  // namespace gf::test
