#pragma once
// The one QApplication of a benchmark program that measures windows: on the offscreen platform
// unless the environment names another.

#include <QApplication>

inline QApplication& BenchApplication() {
    static int argc = 1;
    static char name[] = "glyphforge-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}
