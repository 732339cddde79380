#include "platform/qt/popup_menu.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

namespace gf {
namespace {

class QtPopupMenus : public PopupMenuHandler {
  public:
    void Popup(QMenu& menu, const QPoint& globalPos) override { menu.popup(globalPos); }
};

PopupMenuHandler* Installed = nullptr;

}  // namespace

void PopupMenu(QMenu& menu, const QPoint& globalPos) {
    static QtPopupMenus real;
    (Installed ? *Installed : static_cast<PopupMenuHandler&>(real)).Popup(menu, globalPos);
}

PopupMenuHandler* InstallPopupMenuHandler(PopupMenuHandler* handler) {
    PopupMenuHandler* previous = Installed;
    Installed = handler;
    return previous;
}

ScriptedPopupMenus::ScriptedPopupMenus() : Previous(InstallPopupMenuHandler(this)) {}

ScriptedPopupMenus::~ScriptedPopupMenus() {
    InstallPopupMenuHandler(Previous);
}

void ScriptedPopupMenus::Popup(QMenu& menu, const QPoint& globalPos) {
    Shown shown{menu.objectName(), globalPos, {}};
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator())
            shown.Items << action->text();
    }
    ShownMenus.push_back(shown);
    if (Choices.empty())
        return;
    QString choice = Choices.front();
    Choices.pop_front();
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && action->text() == choice) {
            action->trigger();
            return;
        }
    }
}

}  // namespace gf
