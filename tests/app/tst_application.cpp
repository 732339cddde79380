// An exception that escapes a handler is shown in a message box and the program goes on.

#include <QPushButton>
#include <QtTest>
#include <stdexcept>

#include "app/application.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;

class TestApplication : public QObject {
    Q_OBJECT
  private slots:
    void anEscapedExceptionIsShownAndTheProgramGoesOn();
    void messagesForEveryKindOfException();
};

void TestApplication::anEscapedExceptionIsShownAndTheProgramGoesOn() {
    ScriptedSeam seam;
    QPushButton button(QStringLiteral("Go"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1)
            throw std::runtime_error("Can not read the picture.");
    });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(seam.Messages, QStringList{QStringLiteral("Can not read the picture.")});

    // The program still answers: a queued call and another click both arrive.
    bool queued = false;
    QMetaObject::invokeMethod(
        &button, [&] { queued = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(queued);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(seam.Messages.size(), 1);

    // Exceptions from queued calls are caught too.
    QMetaObject::invokeMethod(
        &button, [] { throw std::invalid_argument("Bitmap width 40000 is outside 0..32768"); },
        Qt::QueuedConnection);
    QTRY_COMPARE(seam.Messages.size(), 2);
    QCOMPARE(seam.Messages.last(), QStringLiteral("Bitmap width 40000 is outside 0..32768"));
}

void TestApplication::messagesForEveryKindOfException() {
    QCOMPARE(ExceptionMessage(std::make_exception_ptr(std::bad_alloc())),
             QStringLiteral("Out of memory."));
    QCOMPARE(ExceptionMessage(std::make_exception_ptr(42)),
             QStringLiteral("An unexpected error occurred."));
    QCOMPARE(ExceptionMessage(std::make_exception_ptr(std::runtime_error(""))),
             QStringLiteral("An unexpected error occurred."));
}

int main(int argc, char** argv) {
    GlyphforgeApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
