#pragma once
// Pop-up menus opened at a screen point. Windows open them through PopupMenu() rather than
// QMenu::popup, so that tests can see which menu opened where and pick an item in place of a
// user (ScriptedPopupMenus), as they do for message boxes and dialogs through the seam.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QMenu;

namespace gf {

class PopupMenuHandler {
  public:
    virtual ~PopupMenuHandler() = default;
    virtual void Popup(QMenu& menu, const QPoint& globalPos) = 0;
};

// Opens `menu` at the global point through the installed handler; the real one shows it with
// QMenu::popup and returns at once, the chosen item firing its own triggered signal.
void PopupMenu(QMenu& menu, const QPoint& globalPos);

// Installs `handler` (not owned) and returns the previous one (nullptr = the real one).
PopupMenuHandler* InstallPopupMenuHandler(PopupMenuHandler* handler);

// For tests: installs itself while it lives, records every menu opened and, when Choices is
// not empty, triggers the item whose text is at its front ("" or an unknown text dismisses
// the menu).
class ScriptedPopupMenus : public PopupMenuHandler {
  public:
    struct Shown {
        QString MenuName;  // the menu's objectName
        QPoint Pos;
        QStringList Items;  // texts of its actions, separators left out
    };

    ScriptedPopupMenus();
    ~ScriptedPopupMenus() override;
    ScriptedPopupMenus(const ScriptedPopupMenus&) = delete;
    ScriptedPopupMenus& operator=(const ScriptedPopupMenus&) = delete;

    std::deque<QString> Choices;
    std::vector<Shown> ShownMenus;

    void Popup(QMenu& menu, const QPoint& globalPos) override;

  private:
    PopupMenuHandler* Previous = nullptr;
};

}  // namespace gf
