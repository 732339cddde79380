// The seam: filter text, and the scripted stand-in that every window test relies on.

#include <QDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/qt/picture_view.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/qt_seam.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;

class TestSeam : public QObject {
    Q_OBJECT
  private slots:
    void filtersAreSplitIntoEntries();
    void qtFiltersKeepDescriptionsAndMatchEveryFileForStarDotStar();
    void addressesAndDefaultExtensions();
    void scriptedSeamInstallsItselfAndRestoresThePrevious();
    void questionsAreAnsweredFromTheScript();
    void fileDialogsReturnTheScriptedFileAndFilter();
    void modalWindowsRunTheirScriptWhileShown();
    void unscriptedModalWindowsAreCancelled();
    void screenAndPointer();
    void clipboardAndShell();
    void overwritingAsksOnlyForAFileThatExists();
};

void TestSeam::filtersAreSplitIntoEntries() {
    const auto entries = ParseFileFilter(QStringLiteral("ICON|*.ico|BMP|*.bmp|PNG|*.png"));
    QCOMPARE(entries.size(), std::size_t{3});
    QCOMPARE(entries[1].Description, QStringLiteral("BMP"));
    QCOMPARE(entries[2].Patterns, QStringLiteral("*.png"));
    QCOMPARE(ParseFileFilter(QStringLiteral("Lonely")).size(), std::size_t{0});
    QCOMPARE(ParseFileFilter(QString()).size(), std::size_t{0});
}

void TestSeam::qtFiltersKeepDescriptionsAndMatchEveryFileForStarDotStar() {
    const QStringList filters = QtNameFilters(
        ParseFileFilter(QStringLiteral("Exe File (*.exe, *.dll)|*.exe;*.dll|*.*|*.*")));
    QCOMPARE(filters, (QStringList{QStringLiteral("Exe File (*.exe, *.dll) (*.exe *.dll)"),
                                   QStringLiteral("*.* (*)")}));
}

void TestSeam::addressesAndDefaultExtensions() {
    QVERIFY(LooksLikeUrl(QStringLiteral("https://www.example.org/?from=help")));
    QVERIFY(LooksLikeUrl(QStringLiteral("HTTP://x")));
    QVERIFY(!LooksLikeUrl(QStringLiteral("/opt/glyphforge/help.chm")));
    QVERIFY(!LooksLikeUrl(QStringLiteral("C:/Program Files/help.chm")));
    QCOMPARE(SuffixOfDefaultExt(QStringLiteral(".ico")), QStringLiteral("ico"));
    QCOMPARE(SuffixOfDefaultExt(QStringLiteral("png")), QStringLiteral("png"));
}

void TestSeam::scriptedSeamInstallsItselfAndRestoresThePrevious() {
    ScriptedSeam outer;
    QCOMPARE(&CurrentSeam(), static_cast<Seam*>(&outer));
    {
        ScriptedSeam inner;
        QCOMPARE(&CurrentSeam(), static_cast<Seam*>(&inner));
        ShowMessage(QStringLiteral("to the inner one"));
        QCOMPARE(inner.Messages, QStringList{QStringLiteral("to the inner one")});
    }
    QCOMPARE(&CurrentSeam(), static_cast<Seam*>(&outer));
    QVERIFY(outer.Messages.isEmpty());
}

void TestSeam::questionsAreAnsweredFromTheScript() {
    ScriptedSeam seam;
    seam.Answers = {Answer::Yes, Answer::Cancel};
    QCOMPARE(AskYesNoCancel(QStringLiteral("Insert?"), QStringLiteral("Insert or overwrite")),
             Answer::Yes);
    // A Yes/No box cannot answer Cancel.
    QCOMPARE(AskYesNo(QStringLiteral("Overwrite?"), QStringLiteral("Overwrite")), Answer::No);
    // Out of script: the answer that changes nothing.
    QCOMPARE(AskYesNoCancel(QStringLiteral("Again?"), QStringLiteral("c")), Answer::Cancel);
    QCOMPARE(AskYesNo(QStringLiteral("Again?"), QStringLiteral("c")), Answer::No);
    QCOMPARE(seam.Questions.size(), 4);
    QVERIFY(seam.Log.last().startsWith(QStringLiteral("unscripted ask")));
}

void TestSeam::fileDialogsReturnTheScriptedFileAndFilter() {
    ScriptedSeam seam;
    FileDialog save;
    save.Mode = FileDialog::Kind::Save;
    save.Filter = QStringLiteral("ICON|*.ico|BMP|*.bmp|PNG|*.png");
    save.FilterIndex = 3;
    seam.FileAnswers = {{QStringLiteral("/tmp/logo.bmp"), 2}, {QString()}};

    QVERIFY(save.Execute(nullptr));
    QCOMPARE(save.FileName, QStringLiteral("/tmp/logo.bmp"));
    QCOMPARE(save.FilterIndex, 2);
    QCOMPARE(seam.FileDialogsShown.front().FilterIndex, 3);  // as it was shown

    // Cancel leaves the dialog's state alone.
    QVERIFY(!save.Execute(nullptr));
    QCOMPARE(save.FileName, QStringLiteral("/tmp/logo.bmp"));
    QCOMPARE(save.FilterIndex, 2);
    QVERIFY(!save.Execute(nullptr));  // out of script
    QCOMPARE(seam.FileDialogsShown.size(), std::size_t{3});
}

void TestSeam::modalWindowsRunTheirScriptWhileShown() {
    ScriptedSeam seam;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("Form2"));
    auto* edit = new QLineEdit(&dialog);
    bool wasVisible = false;
    seam.ModalScripts.push_back([&](QDialog& d) {
        wasVisible = d.isVisible();
        edit->setText(QStringLiteral("typed"));
        return 1;
    });
    QCOMPARE(RunModal(dialog), 1);
    QVERIFY(wasVisible);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(edit->text(), QStringLiteral("typed"));
    QCOMPARE(seam.ModalWindows, QStringList{QStringLiteral("Form2")});

    // A script may close the window itself, as its buttons do.
    seam.ModalScripts.push_back([](QDialog& d) {
        d.reject();
        return d.result();
    });
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QCOMPARE(RunModal(dialog), 0);
    QCOMPARE(rejected.count(), 1);
}

void TestSeam::unscriptedModalWindowsAreCancelled() {
    ScriptedSeam seam;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("IconEditor"));
    QCOMPARE(RunModal(dialog), 0);
    QVERIFY(!dialog.isVisible());
    QVERIFY(seam.Log.last().startsWith(QStringLiteral("unscripted modal IconEditor")));
}

void TestSeam::screenAndPointer() {
    ScriptedSeam seam;
    seam.Screen = Bitmap(20, 10, PixelFormat::Bits24);
    seam.Screen.FillRect(5, 5, 20, 10, Rgb(0, 200, 0));
    seam.Pointer = QPoint(7, 6);
    QCOMPARE(ScreenPixel(PointerPos()), Rgb(0, 200, 0));
    QCOMPARE(ScreenPixel(QPoint(1, 1)), Black);
    QCOMPARE(ScreenPixel(QPoint(-1, 50)), Black);

    // Parts beyond the screen read black.
    const Bitmap grab = GrabScreenRect(QRect(15, 5, 10, 3));
    QCOMPARE(grab.Width(), 10);
    QCOMPARE(grab.Height(), 3);
    QCOMPARE(grab.GetPixel(0, 0), Rgb(0, 200, 0));
    QCOMPARE(grab.GetPixel(4, 2), Rgb(0, 200, 0));
    QCOMPARE(grab.GetPixel(5, 0), Black);
    // ... or in the colour the caller asks for.
    const Bitmap red = GrabScreenRect(QRect(-2, 8, 4, 4), Rgb(255, 0, 0));
    QCOMPARE(red.GetPixel(0, 0), Rgb(255, 0, 0));
    QCOMPARE(red.GetPixel(2, 0), Black);
    QCOMPARE(red.GetPixel(3, 1), Black);
    QCOMPARE(red.GetPixel(3, 2), Rgb(255, 0, 0));

    MovePointer(QPoint(3, 4));
    QCOMPARE(PointerPos(), QPoint(3, 4));
    QCOMPARE(seam.PointerMoves.size(), std::size_t{1});
    QVERIFY(CanMovePointer());
    seam.PointerMovable = false;
    QVERIFY(!CanMovePointer());

    // A click reaches the program's widget under the position, press and release in its own
    // coordinates; a move without a button reaches it too. Elsewhere nothing happens.
    QWidget window;
    window.setGeometry(100, 100, 80, 60);
    PictureView view(&window);
    view.setGeometry(10, 20, 30, 30);
    view.setMouseTracking(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy down(&view, &PictureView::MouseDown);
    QSignalSpy up(&view, &PictureView::MouseUp);
    QSignalSpy moved(&view, &PictureView::MouseMove);
    const QPoint at = view.mapToGlobal(QPoint(4, 5));
    ClickAt(at);
    QCOMPARE(seam.Clicks, std::vector<QPoint>{at});
    QCOMPARE(down.count(), 1);
    QCOMPARE(up.count(), 1);
    QCOMPARE(down.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(down.at(0).at(1).toInt(), 4);
    QCOMPARE(up.at(0).at(2).toInt(), 5);
    SendMoveAt(view.mapToGlobal(QPoint(6, 7)));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(1).toInt(), 6);
    ClickAt(QPoint(-5000, -5000));
    QCOMPARE(down.count(), 1);
}

void TestSeam::clipboardAndShell() {
    ScriptedSeam seam;
    QVERIFY(!ClipboardImage());
    SetClipboardImage(Bitmap(3, 2, PixelFormat::Bits24));
    QCOMPARE(ClipboardImage()->Width(), 3);

    OpenWithShell(QStringLiteral("/x/help.chm"));
    QVERIFY(seam.Messages.isEmpty());
    // When nothing can open it, the user is told what could not be opened.
    seam.ShellSucceeds = false;
    OpenWithShell(QStringLiteral("https://example.org"));
    QCOMPARE(
        seam.Messages,
        QStringList{QStringLiteral("No program could be started to open\nhttps://example.org")});
    QCOMPARE(seam.Opened,
             (QStringList{QStringLiteral("/x/help.chm"), QStringLiteral("https://example.org")}));
}

QTEST_MAIN(TestSeam)
#include "tst_seam.moc"

void TestSeam::overwritingAsksOnlyForAFileThatExists() {
    ScriptedSeam seam;
    QTemporaryDir dir;
    const std::filesystem::path file = ToPath(dir.filePath(QStringLiteral("shot.bmp")));
    QVERIFY(MayOverwrite(file));
    QVERIFY(seam.Questions.isEmpty());

    QFile(ToQString(file)).open(QIODevice::WriteOnly);
    seam.Answers = {Answer::Yes, Answer::No};
    QVERIFY(MayOverwrite(file));
    QVERIFY(!MayOverwrite(file));
    QCOMPARE(seam.Questions.first(),
             QStringLiteral("File\n") + ToQString(file) +
                 QStringLiteral("\nhas existed. \nDo you want to overwrite it?"));
}
