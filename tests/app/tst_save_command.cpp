// The Save Icon command end to end, offscreen, with scripted dialogs and questions: the working
// icon file as a new, overwritten or inserted ICO file, as a BMP flattened onto the chosen
// colour and as a PNG with transparency; the filter index kept between runs; every cancelled
// dialog or question leaving the files as they were.

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "command_test_kit.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_writer.h"
#include "platform/bmp_codec.h"
#include "platform/png_codec.h"
#include "support/modal_answers.h"
#include "support/picture_builders.h"

using namespace gf;
using namespace gf::test;
namespace fs = std::filesystem;

namespace {

QString InsertQuestion(const fs::path& target) {
    return QStringLiteral("Icon file\n") + ToQString(target) +
           QStringLiteral(
               "\nhas existed. \nDo you want to insert the current icon or overwrite?\n\n'Yes' "
               "to insert and 'No' to overwrite.");
}

QString OverwriteQuestion(const fs::path& target) {
    return QStringLiteral("File\n") + ToQString(target) +
           QStringLiteral("\nhas existed. \nDo you want to overwrite it?");
}

// The working icon: a 32 x 32 icon of `color` whose top-left quarter is transparent.
std::vector<std::uint8_t> GiveWorkingIcon(TIconConverter& w, int bitCount, Color color) {
    IcoBuilder().Add(MarkedImage(32, bitCount, color)).WriteTo(w.WorkFile("eitemp.ico"));
    return ReadAll(w.WorkFile("eitemp.ico"));
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}


}  // namespace

class TestSaveCommand : public QObject {
    Q_OBJECT
  private slots:
    void newIconFileIsACopyUnderTheIconExtension();
    void overwritingAnIconFileCopiesTheWorkingIcon();
    void insertingPutsTheWorkingIconFirst();
    void insertingNeverLosesTheUsersFile();
    void cancellingChangesNothing();
    void bmpIsFlattenedOntoTheChosenColour();
    void bmpOfPartialAlphaIsBlended();
    void pngKeepsTransparency();
    void theFilterIndexIsKeptBetweenRuns();
    void aFailedWriteIsReported();
    void readOnlyFilesAreReplacedOnceAgreedAndStayReadOnly();
    void aPictureBecomesAnIconFileOnDisk();
    void theRealSaveDialogLeavesTheQuestionToTheCommand();
};

void TestSaveCommand::newIconFileIsACopyUnderTheIconExtension() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto work = GiveWorkingIcon(*w, 8, Green);
    kit.Seam->FileAnswers = {{ToQString(kit / "logo.png")}};
    w->suiButton3->click();

    QCOMPARE(kit.Seam->FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(kit.Seam->FileDialogsShown[0].Mode, FileDialog::Kind::Save);
    QCOMPARE(kit.Seam->FileDialogsShown[0].FilterIndex, 1);
    QVERIFY(!kit.Seam->FileDialogsShown[0].OverwritePrompt);  // the command asks itself
    QVERIFY(kit.Seam->Questions.isEmpty());
    QVERIFY(kit.Seam->Messages.isEmpty());
    QVERIFY(!fs::exists(kit / "logo.png"));
    QCOMPARE(ReadAll(kit / "logo.ico"), work);
    // A name without an extension gets one.
    kit.Seam->FileAnswers = {{ToQString(kit / "plain")}};
    w->suiButton3->click();
    QCOMPARE(ReadAll(kit / "plain.ico"), work);
    // Saving changes neither the working icon file nor the preview.
    QCOMPARE(ReadAll(w->WorkFile("eitemp.ico")), work);
    QVERIFY(w->Image2->Picture().isNull());
}

void TestSaveCommand::overwritingAnIconFileCopiesTheWorkingIcon() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto work = GiveWorkingIcon(*w, 32, Blue);
    IcoBuilder()
        .Add(MarkedImage(16, 4, Red))
        .Add(MarkedImage(32, 8, Green))
        .WriteTo(kit / "old.ico");
    kit.Seam->FileAnswers = {{ToQString(kit / "old.ico")}};
    kit.Seam->Answers = {Answer::No};
    w->suiButton3->click();
    QCOMPARE(kit.Seam->Questions, QStringList{InsertQuestion(kit / "old.ico")});
    QVERIFY(kit.Seam->Log.join('\n').contains(QStringLiteral("Insert or overwrite")));
    QCOMPARE(ReadAll(kit / "old.ico"), work);
}

void TestSaveCommand::insertingPutsTheWorkingIconFirst() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto work = GiveWorkingIcon(*w, 32, Blue);
    IcoBuilder()
        .Add(MarkedImage(16, 4, Red))
        .Add(MarkedImage(32, 8, Green))
        .Add(MarkedImage(48, 24, Red))
        .WriteTo(kit / "set.ico");
    const auto old = IconBlocksOf(ReadAll(kit / "set.ico"));
    QCOMPARE(old.size(), std::size_t{3});
    const auto before = FilesIn(w->WorkFolder);

    kit.Seam->FileAnswers = {{ToQString(kit / "set.ico")}};
    kit.Seam->Answers = {Answer::Yes};
    w->suiButton3->click();

    QCOMPARE(kit.Seam->Questions.size(), 1);
    QVERIFY(kit.Seam->ModalWindows.isEmpty());  // the list window is never shown
    QVERIFY2(kit.Seam->Messages.isEmpty(), qPrintable(kit.Seam->Messages.join('|')));
    const auto blocks = IconBlocksOf(ReadAll(kit / "set.ico"));
    QCOMPARE(blocks.size(), std::size_t{4});
    QCOMPARE(blocks[0], IconBlocksOf(work)[0]);
    for (std::size_t i = 0; i < 3; ++i)
        QCOMPARE(blocks[i + 1], old[i]);
    // The new file reads back: its first image is the working icon.
    Result<IconImage> first = LoadIconFileFirstSize(kit / "set.ico");
    QVERIFY(first.Ok());
    // The one-image files of the insertion are gone again; no temporary file is left beside
    // the target.
    QCOMPARE(FilesIn(w->WorkFolder), before);
    QCOMPARE(FilesIn(kit.Folder()).size(), std::size_t{1});
}

void TestSaveCommand::insertingNeverLosesTheUsersFile() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 8, Green);

    // A file under an icon file's name that holds no icon the reader can find.
    WriteAll(kit / "notes.ico", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n', '!'});
    const auto notes = ReadAll(kit / "notes.ico");
    kit.Seam->FileAnswers = {{ToQString(kit / "notes.ico")}};
    kit.Seam->Answers = {Answer::Yes};
    w->suiButton3->click();
    QCOMPARE(kit.Seam->Messages.size(), 1);
    QVERIFY(kit.Seam->Messages[0].contains(QStringLiteral("was not inserted")));
    QCOMPARE(ReadAll(kit / "notes.ico"), notes);

    // An empty icon file loses nothing: it becomes the working icon alone.
    WriteAll(kit / "empty.ico", {0, 0, 1, 0, 0, 0});
    kit.Seam->ClearRecord();
    kit.Seam->FileAnswers = {{ToQString(kit / "empty.ico")}};
    kit.Seam->Answers = {Answer::Yes};
    w->suiButton3->click();
    QVERIFY(kit.Seam->Messages.isEmpty());
    QCOMPARE(IconBlocksOf(ReadAll(kit / "empty.ico")).size(), std::size_t{1});
}

void TestSaveCommand::cancellingChangesNothing() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();

    // No working icon yet: nothing at all happens.
    w->suiButton3->click();
    QVERIFY(kit.Seam->Log.isEmpty());

    GiveWorkingIcon(*w, 8, Green);
    IcoBuilder().Add(MarkedImage(16, 4, Red)).WriteTo(kit / "old.ico");
    const auto old = ReadAll(kit / "old.ico");
    Bitmap picture(8, 8, PixelFormat::Bits24);
    QVERIFY(SaveBmpFile(picture, kit / "old.bmp").Ok());
    const auto oldBmp = ReadAll(kit / "old.bmp");
    WriteAll(kit / "old.png", {1, 2, 3});
    const auto before = FilesIn(kit.Folder());

    // The save dialog cancelled.
    kit.Seam->FileAnswers = {{QString()}};
    w->suiButton3->click();
    QVERIFY(kit.Seam->Questions.isEmpty());
    // Cancel to "Insert or overwrite".
    kit.Seam->FileAnswers = {{ToQString(kit / "old.ico")}};
    kit.Seam->Answers = {Answer::Cancel};
    w->suiButton3->click();
    // No to overwriting a BMP and a PNG.
    kit.Seam->FileAnswers = {{ToQString(kit / "old.bmp"), 2}, {ToQString(kit / "old.png"), 3}};
    kit.Seam->Answers = {Answer::No, Answer::No};
    w->suiButton3->click();
    w->suiButton3->click();
    QCOMPARE(kit.Seam->Questions,
             (QStringList{InsertQuestion(kit / "old.ico"), OverwriteQuestion(kit / "old.bmp"),
                          OverwriteQuestion(kit / "old.png")}));
    QVERIFY(kit.Seam->Log.join('\n').contains(QStringLiteral("Overwrite")));

    QCOMPARE(ReadAll(kit / "old.ico"), old);
    QCOMPARE(ReadAll(kit / "old.bmp"), oldBmp);
    QCOMPARE(ReadAll(kit / "old.png"), (std::vector<std::uint8_t>{1, 2, 3}));
    QCOMPARE(FilesIn(kit.Folder()), before);
    QVERIFY(kit.Seam->Messages.isEmpty());
}

// The overwrite question is the user's word on a read-only file too (the command-line tool
// refuses it instead): each format replaces it after Yes (No to "Insert or overwrite"), and the
// file keeps its mode.
void TestSaveCommand::readOnlyFilesAreReplacedOnceAgreedAndStayReadOnly() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    const auto work = GiveWorkingIcon(*w, 24, Red);
    const std::vector<std::uint8_t> old = {1, 2, 3};
    struct Case {
        const char* Name;
        int Filter;
        Answer Reply;
    };
    for (const Case& c : {Case{"old.ico", 1, Answer::No}, Case{"old.bmp", 2, Answer::Yes},
                          Case{"old.png", 3, Answer::Yes}}) {
        const fs::path target = kit / c.Name;
        WriteAll(target, old);
        fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
        kit.Seam->FileAnswers = {{ToQString(target), c.Filter}};
        kit.Seam->Answers = {c.Reply};
        w->suiButton3->click();
        QVERIFY2(kit.Seam->Messages.isEmpty(), c.Name);
        QVERIFY2(ReadAll(target) != old, c.Name);
        QCOMPARE(fs::status(target).permissions() & fs::perms::all,
                 fs::perms::owner_read | fs::perms::group_read);
    }
    QCOMPARE(ReadAll(kit / "old.ico"), work);
}

void TestSaveCommand::bmpIsFlattenedOntoTheChosenColour() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 24, Red);

    kit.Seam->FileAnswers = {{ToQString(kit / "flat.ico"), 2}};
    w->suiButton3->click();
    QVERIFY(!fs::exists(kit / "flat.ico"));
    Result<Bitmap> black = LoadBmpFile(kit / "flat.bmp");
    QVERIFY(black.Ok());
    QCOMPARE(black->Width(), 32);
    QCOMPARE(black->Height(), 32);
    QCOMPARE(Hex(black->GetPixel(3, 3)), Hex(Black));
    QCOMPARE(Hex(black->GetPixel(20, 20)), Hex(Red));
    QCOMPARE(Hex(black->GetPixel(3, 20)), Hex(Red));

    // "Set BMP background color", white chosen: the box hides again, and the next BMP is on
    // white. The existing file is overwritten after Yes.
    w->SetBMPbackgroundcolor1->trigger();
    QVERIFY(!w->suiColorBox1->isHidden());
    w->suiColorBox1->SetSelected(White);
    emit w->suiColorBox1->activated(w->suiColorBox1->currentIndex());
    QVERIFY(w->suiColorBox1->isHidden());
    QCOMPARE(w->suiColorBox1->Selected(), White);
    kit.Seam->FileAnswers = {{ToQString(kit / "flat.bmp")}};
    kit.Seam->Answers = {Answer::Yes};
    w->suiButton3->click();
    QCOMPARE(kit.Seam->Questions, QStringList{OverwriteQuestion(kit / "flat.bmp")});
    Result<Bitmap> white = LoadBmpFile(kit / "flat.bmp");
    QVERIFY(white.Ok());
    QCOMPARE(Hex(white->GetPixel(3, 3)), Hex(White));
    QCOMPARE(Hex(white->GetPixel(20, 20)), Hex(Red));
}

void TestSaveCommand::bmpOfPartialAlphaIsBlended() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    DibBlockRecipe recipe = MarkedImage(16, 32, Red);
    recipe.Pixel = [](int x, int) { return x < 8 ? 0x80FF0000u : 0xFF0000FFu; };
    recipe.Transparent = [](int, int) { return false; };
    IcoBuilder().Add(recipe).WriteTo(w->WorkFile("eitemp.ico"));
    w->suiColorBox1->SetSelected(White);
    kit.Seam->FileAnswers = {{ToQString(kit / "soft.bmp"), 2}};
    w->suiButton3->click();
    Result<Bitmap> flat = LoadBmpFile(kit / "soft.bmp");
    QVERIFY(flat.Ok());
    const Color half = flat->GetPixel(2, 2);  // red at alpha 128 over white
    QCOMPARE(RedOf(half), 255);
    QVERIFY(GreenOf(half) >= 125 && GreenOf(half) <= 129);
    QCOMPARE(Hex(flat->GetPixel(12, 2)), Hex(Blue));
}

void TestSaveCommand::pngKeepsTransparency() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 24, Green);
    w->SaveasPNG1->trigger();
    QCOMPARE(kit.Seam->FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(kit.Seam->FileDialogsShown[0].FilterIndex, 3);
    QVERIFY(kit.Seam->Messages.isEmpty());  // the dialog was cancelled: nothing written
    QVERIFY(!fs::exists(kit / "icon.png"));

    kit.Seam->FileAnswers = {{ToQString(kit / "icon.ico")}};
    w->suiButton3->click();
    QVERIFY(!fs::exists(kit / "icon.ico"));
    Result<PngPicture> png = LoadPngFile(kit / "icon.png");
    QVERIFY(png.Ok());
    QVERIFY(png->HasAlpha);
    QCOMPARE(png->Pixels.Width(), 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool masked = x < 16 && y < 16;
            QCOMPARE(png->Pixels.GetAlpha(x, y), masked ? 0 : 255);
            QCOMPARE(Hex(png->Pixels.GetPixel(x, y)), Hex(masked ? Black : Green));
        }
    }

    // A 32-bit icon keeps its partial alpha.
    DibBlockRecipe recipe = MarkedImage(16, 32, Red);
    recipe.Pixel = [](int, int) { return 0x40FF0000u; };
    recipe.Transparent = [](int, int) { return false; };
    IcoBuilder().Add(recipe).WriteTo(w->WorkFile("eitemp.ico"));
    kit.Seam->FileAnswers = {{ToQString(kit / "soft.png")}};
    w->suiButton3->click();
    Result<PngPicture> soft = LoadPngFile(kit / "soft.png");
    QVERIFY(soft.Ok());
    QCOMPARE(soft->Pixels.GetAlpha(5, 5), 0x40);
}

void TestSaveCommand::theFilterIndexIsKeptBetweenRuns() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 8, Green);
    // The user switches to BMP in the dialog; the button then opens it on BMP again.
    kit.Seam->FileAnswers = {{ToQString(kit / "a"), 2}, {QString()}};
    w->suiButton3->click();
    w->suiButton3->click();
    QVERIFY(fs::exists(kit / "a.bmp"));
    QCOMPARE(kit.Seam->FileDialogsShown[1].FilterIndex, 2);

    // Each menu item sets its own before the dialog opens.
    kit.Seam->ClearRecord();
    w->SaveasICON1->trigger();
    w->SaveasBMP1->trigger();
    w->SaveasPNG1->trigger();
    w->suiButton3->click();
    QCOMPARE(kit.Seam->FileDialogsShown.size(), std::size_t{4});
    QCOMPARE(kit.Seam->FileDialogsShown[0].FilterIndex, 1);
    QCOMPARE(kit.Seam->FileDialogsShown[1].FilterIndex, 2);
    QCOMPARE(kit.Seam->FileDialogsShown[2].FilterIndex, 3);
    QCOMPARE(kit.Seam->FileDialogsShown[3].FilterIndex, 3);
}

void TestSaveCommand::aFailedWriteIsReported() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 8, Green);
    int expected = 0;
    for (int index : {1, 2, 3}) {
        kit.Seam->FileAnswers = {{ToQString(kit / "missing" / "x"), index}};
        w->suiButton3->click();
        QCOMPARE(kit.Seam->Messages.size(), ++expected);
        QVERIFY(kit.Seam->Messages.back().startsWith(QStringLiteral("Can not write file ") +
                                                     ToQString(kit / "missing" / "x.")));
    }
}

void TestSaveCommand::aPictureBecomesAnIconFileOnDisk() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    PngFileRecipe recipe;
    recipe.Width = 40;
    recipe.Height = 40;
    recipe.ColorType = 2;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            for (int v : {x < 20 ? 255 : 0, 0, x < 20 ? 0 : 255})
                recipe.Samples.push_back(static_cast<std::uint16_t>(v));
    WriteAll(kit / "halves.png", MakePngFile(recipe));

    // Load Image, the editor walked with its defaults, Save Icon.
    EditorSeen seen;
    kit.Seam->FileAnswers = {{ToQString(kit / "halves.png")}, {ToQString(kit / "halves.ico")}};
    kit.Seam->ModalScripts.push_back(EditorScript(&seen));
    w->suiButton1->click();
    w->suiButton3->click();
    QVERIFY(kit.Seam->Messages.isEmpty());
    QCOMPARE(ReadAll(kit / "halves.ico"), ReadAll(w->WorkFile("eitemp.ico")));
    Result<IconImage> saved = LoadIconFileFirstSize(kit / "halves.ico");
    QVERIFY(saved.Ok());
    QCOMPARE(saved->Width(), w->WorkColor.Width());
    QCOMPARE(Hex(saved->Color.GetPixel(5, 20)), Hex(Red));
    QCOMPARE(Hex(saved->Color.GetPixel(35, 20)), Hex(Blue));

    // The dialog proposed the picture's name as an icon file; each later save proposes the name
    // saved last, with the extension of the format the dialog opens on.
    QCOMPARE(kit.Seam->FileDialogsShown.back().FileName, ToQString(kit / "halves.ico"));
    kit.Seam->FileAnswers = {{ToQString(kit / "other.png"), 3}, {QString()}, {QString()}};
    w->SaveasPNG1Click();
    QCOMPARE(kit.Seam->FileDialogsShown.back().FileName, ToQString(kit / "halves.png"));
    QVERIFY(fs::exists(kit / "other.png"));
    w->SaveasICON1Click();
    QCOMPARE(kit.Seam->FileDialogsShown.back().FileName, ToQString(kit / "other.ico"));
    w->SaveasBMP1Click();
    QCOMPARE(kit.Seam->FileDialogsShown.back().FileName, ToQString(kit / "other.bmp"));
}

void TestSaveCommand::theRealSaveDialogLeavesTheQuestionToTheCommand() {
    CommandTestKit kit;
    auto w = kit.MakeWindow();
    GiveWorkingIcon(*w, 8, Green);
    IcoBuilder().Add(MarkedImage(16, 4, Red)).WriteTo(kit / "old.ico");
    const auto old = ReadAll(kit / "old.ico");
    kit.Seam.reset();  // the real dialogs from here on

    // The name typed under the ICON filter is another file's; only the command knows which
    // file it will write, so the dialog must not ask about the name it was given.
    WriteAll(kit / "old.png", {1, 2, 3});
    QStringList asked;
    // Every question is noted; the command's own is cancelled, any other let pass.
    std::function<void(QMessageBox&)> answer = [&](QMessageBox& question) {
        asked << question.text();
        if (QAbstractButton* cancel = question.button(QMessageBox::Cancel)) {
            cancel->click();
            return;
        }
        WhenShown<QMessageBox>(answer);
        question.button(QMessageBox::Yes)->click();
    };
    WhenShown<QFileDialog>([&](QFileDialog& box) {
        ChooseFile(box, ToQString(kit / "old.png"));
        WhenShown<QMessageBox>(answer);
        static_cast<QDialog&>(box).accept();
    });
    w->suiButton3->click();
    QCOMPARE(asked, QStringList{InsertQuestion(kit / "old.ico")});
    QCOMPARE(ReadAll(kit / "old.ico"), old);
    QCOMPARE(ReadAll(kit / "old.png"), (std::vector<std::uint8_t>{1, 2, 3}));
}

QTEST_MAIN(TestSaveCommand)
#include "tst_save_command.moc"
