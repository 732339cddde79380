#include "app/application.h"

#include <QWidget>
#include <exception>
#include <new>

#include "platform/qt/seam.h"

namespace gf {

GlyphforgeApplication::GlyphforgeApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("glyphforge"));
    setApplicationDisplayName(QStringLiteral("Glyphforge"));
    setOrganizationName(QStringLiteral("Glyphforge"));
    setDesktopFileName(QStringLiteral("org.glyphforge.Glyphforge"));
}

QString ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory.");
    } catch (const std::exception& e) {
        const QString what = QString::fromLocal8Bit(e.what());
        return what.isEmpty() ? QStringLiteral("An unexpected error occurred.") : what;
    } catch (...) {
        return QStringLiteral("An unexpected error occurred.");
    }
}

bool GlyphforgeApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const QString message = ExceptionMessage(std::current_exception());
        ShowMessage(message, activeModalWidget() ? activeModalWidget() : activeWindow());
        return false;
    }
}

}  // namespace gf
