#pragma once
// The application object. An exception that escapes an event handler is shown to the user in a
// message box and the program goes on, instead of ending with the user's work lost.

#include <QApplication>

namespace gf {

class GlyphforgeApplication : public QApplication {
    Q_OBJECT
  public:
    GlyphforgeApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The text shown for an exception that reached the application.
QString ExceptionMessage(const std::exception_ptr& error);

}  // namespace gf
