#pragma once
// Answers to the program's modal windows, for the window tests that drive the real dialogs.
// Header only: the shared test library has no Qt, and only the window tests include this.

#include <QApplication>
#include <QFileDialog>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace gf::test {

// Runs `answer` on the next modal window of type T as soon as it is shown.
template <class T>
void WhenShown(std::function<void(T&)> answer) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(*window);
        }
    });
    timer->start(10);
}

// Puts `path` in a shown file dialog's name field, as a user choosing it would. The dialog
// leaves a name field that has the focus as it is, and the focus comes when the window is
// activated, sooner or later after it is shown: without this the name was sometimes not taken,
// and accepting an empty name only opens the folder, so the dialog stayed open.
inline void ChooseFile(QFileDialog& box, const QString& path) {
    if (QWidget* focused = box.focusWidget())
        focused->clearFocus();
    box.selectFile(path);
}

}  // namespace gf::test
