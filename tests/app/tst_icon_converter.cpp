// The converter window: start and close with the working folder, the ways a file reaches the
// Load command, Help, About, the preview and the info line, the icon file header, and the
// recolouring of the backdrop.

#include <cerrno>
#include <QAction>
#include <QCursor>
#include <QDropEvent>
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>

#include "app/converter_widgets.h"
#include "platform/file_io.h"
#include "app/icon_converter.h"
#include "iconfile/ico_writer.h"
#include "platform/byte_reader.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& file) {
    std::ofstream(file, std::ios::binary) << "leftover";
}

void WriteBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

struct ImageRecipe {
    int Width;
    int Height;
    int Bits;
    bool Png = false;
};

// An icon file whose image blocks carry just their headers (and some padding).
std::vector<std::uint8_t> IconFileOf(const std::vector<ImageRecipe>& images) {
    std::vector<std::vector<std::uint8_t>> blocks;
    for (const ImageRecipe& s : images) {
        std::vector<std::uint8_t> b;
        if (s.Png) {
            const std::uint8_t start[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                          0,    0,   0,   13,  'I',  'H',  'D',  'R'};
            b.assign(std::begin(start), std::end(start));
            for (int v : {s.Width, s.Height})
                for (int shift : {24, 16, 8, 0})
                    b.push_back(static_cast<std::uint8_t>(v >> shift));
            b.push_back(8);  // bits per channel
            b.push_back(6);  // RGBA
            for (int i = 0; i < 7; ++i)
                b.push_back(0);
        } else {
            PutU32(b, 40);
            PutI32(b, s.Width);
            PutI32(b, 2 * s.Height);
            PutU16(b, 1);
            PutU16(b, static_cast<std::uint16_t>(s.Bits));
            while (b.size() < 64)
                b.push_back(0);
        }
        blocks.push_back(std::move(b));
    }
    std::vector<std::uint8_t> file;
    PutU16(file, 0);
    PutU16(file, 1);
    PutU16(file, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        PutU8(file, static_cast<std::uint8_t>(images[i].Width));
        PutU8(file, static_cast<std::uint8_t>(images[i].Height));
        PutU8(file, 0);
        PutU8(file, 0);
        PutU16(file, 1);
        PutU16(file, static_cast<std::uint16_t>(images[i].Bits));
        PutU32(file, static_cast<std::uint32_t>(blocks[i].size()));
        PutU32(file, offset);
        offset += static_cast<std::uint32_t>(blocks[i].size());
    }
    for (const auto& b : blocks)
        file.insert(file.end(), b.begin(), b.end());
    return file;
}

// A one-image, 32-bit icon file of side x side pixels.
bool WriteSampleIcon(const fs::path& file, int side) {
    Bitmap color(side, side, PixelFormat::Bits32);
    color.Fill(Rgb(20, 140, 220), 255);
    const Bitmap mask(side, side, PixelFormat::Bits1);
    return SaveBitmapsAsIcon(color, mask, file).Ok();
}

QRgb Qrgb(Color c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

}  // namespace

class TestIconConverter : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void windowLayout();
    void startClearsLeftoversAndKeepsTheFolder();
    void closeClearsTheFolder();
    void aSecondInstanceKeepsToItsOwnFolder();
    void theFirstArgumentReachesLoadWithoutTheDialog();
    void anEmptyArgumentLoadsNothing();
    void theFirstDroppedFileReachesLoad();
    void loadAsksForAFileUnlessPreset();
    void helpPrefersTheFirstHelpFile();
    void aboutAndTheWebPages();
    void aFailedOpenIsTold();
    void saveIconIsPlainOnceItsMenuHasGone();
    void menuAndColourBox();
    void modifyAndSaveBeforeAnyLoad();
    void workingIconIsCentredWithItsInfoLine_data();
    void workingIconIsCentredWithItsInfoLine();
    void maskedPixelsShowTheBackdrop();
    void withoutAWorkingIconOnlyBackdropAndFrame();
    void readIconFileInfoTakesTheLastImage();
    void readIconFileInfoOfMissingOrDamagedFiles();
    void aShortDragLeavesTheBackdrop();
    void aWideDragRecoloursTheBackdropInBands();

  private:
    std::unique_ptr<TIconConverter> MakeWindow() { return std::make_unique<TIconConverter>(); }
    fs::path Temp() const { return ToPath(TempDir->path()); }

    std::unique_ptr<QTemporaryDir> TempDir;
    std::unique_ptr<ScriptedSeam> Seam;
};

void TestIconConverter::init() {
    TempDir = std::make_unique<QTemporaryDir>();
    QVERIFY(TempDir->isValid());
    // The working folder lives in the temporary folder: give each test its own.
    qputenv("TMPDIR", TempDir->path().toLocal8Bit());
    qputenv("TMP", TempDir->path().toLocal8Bit());
    qputenv("TEMP", TempDir->path().toLocal8Bit());
    Seam = std::make_unique<ScriptedSeam>();
}

void TestIconConverter::cleanup() {
    Seam.reset();
    TempDir.reset();
}

void TestIconConverter::windowLayout() {
    auto w = MakeWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Glyphforge"));
    QCOMPARE(w->size(), QSize(521, 382));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));

    const struct {
        const char* Name;
        QRect Place;
        const char* Caption;
    } buttons[] = {
        {"suiButton1", {0, 2, 90, 87}, "Load Image"},
        {"suiButton4", {0, 91, 90, 87}, "Capture Icon"},
        {"suiButton2", {0, 181, 90, 87}, "Modify Icon"},
        {"suiButton3", {0, 269, 90, 84}, "Save Icon"},
        {"suiButton5", {1, 2, 90, 87}, "Help"},
        {"suiButton7", {1, 91, 90, 87}, "About"},
        {"BitBtn1", {1, 181, 90, 87}, "Home Page"},
    };
    for (const auto& b : buttons) {
        auto* button = w->findChild<GlyphButton*>(QLatin1String(b.Name));
        QVERIFY2(button, b.Name);
        QCOMPARE(button->geometry(), b.Place);
        QCOMPARE(button->text(), QLatin1String(b.Caption));
    }
    QCOMPARE(w->findChild<QFrame*>(QStringLiteral("Panel2"))->geometry(), QRect(90, 0, 341, 369));
    QCOMPARE(w->findChild<QFrame*>(QStringLiteral("Panel1"))->geometry(), QRect(0, 369, 521, 13));
    QCOMPARE(w->Image1->geometry(), QRect(1, 1, 339, 351));
    QCOMPARE(w->Image2->geometry(), w->Image1->geometry());
    QVERIFY(w->Image2->Picture().isNull());
    QCOMPARE(w->Image1->Picture().size(), QSize(400, 400));
    QCOMPARE(w->Label1->text(), QStringLiteral("Icon Info"));
    QCOMPARE(w->Label3->text(), QString());
    QVERIFY(w->suiColorBox1->isHidden());
    QCOMPARE(w->suiColorBox1->geometry(), QRect(89, 248, 145, 22));
    QCOMPARE(w->suiColorBox1->Selected(), Black);

    QStringList items;
    for (QAction* a : w->PopupMenu1->actions())
        if (!a->isSeparator())
            items << a->text();
    QCOMPARE(items, (QStringList{"Save as ICON", "Save as PNG", "Save as BMP",
                                 "Set BMP background color"}));

    const auto open = ParseFileFilter(w->OpenPictureDialog1.Filter);
    QCOMPARE(open.size(), std::size_t{11});
    QCOMPARE(
        open[0].Patterns,
        QStringLiteral("*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.wmf;*.exe;*.dll;*.ocx;*.scr;*.gif;*.cur"));
    QCOMPARE(open[5].Description, QStringLiteral("Exe File (*.exe, *.dll, *.scr, *.ocx)"));
    QCOMPARE(open[10].Patterns, QStringLiteral("*.*"));
    QCOMPARE(w->SaveDialog1.Filter, QStringLiteral("ICON|*.ico|BMP|*.bmp|PNG|*.png"));
    QCOMPARE(w->SaveDialog1.FilterIndex, 1);
    QCOMPARE(w->SaveDialog1.DefaultExt, QStringLiteral(".ico"));

    // The working icon starts empty, with an 8-bit mask.
    QVERIFY(w->WorkColor.Empty());
    QCOMPARE(w->WorkMask.Format(), PixelFormat::Bits8);
}

void TestIconConverter::startClearsLeftoversAndKeepsTheFolder() {
    const fs::path folder = Temp() / "ic_temp";
    fs::create_directory(folder);
    for (const char* name : {"eitemp.ico", "eitemp.bmp", "icxor.bmp_tempxor_2", "ic0_3.ico"})
        Touch(folder / name);
    fs::create_directory(folder / "keep");
    Touch(folder / "keep" / "inner.txt");

    auto w = MakeWindow();
    QCOMPARE(w->WorkFolder, folder / "");
    QCOMPARE(w->WorkFile("eitemp.ico"), folder / "eitemp.ico");
    for (const char* name : {"eitemp.ico", "eitemp.bmp", "icxor.bmp_tempxor_2", "ic0_3.ico"})
        QVERIFY2(!fs::exists(folder / name), name);
    QVERIFY(fs::is_directory(folder));
    QVERIFY(fs::exists(folder / "keep" / "inner.txt"));
    QCOMPARE(IconConverter, w.get());
}

void TestIconConverter::closeClearsTheFolder() {
    auto w = MakeWindow();
    w->show();
    Touch(w->WorkFile("eitemp.ico"));
    Touch(w->WorkFile("eitemp.bmp"));
    Touch(w->WorkFile("icxor.bmp_tempand_0"));
    QVERIFY(w->close());
    QVERIFY(!fs::exists(w->WorkFile("eitemp.ico")));
    QVERIFY(!fs::exists(w->WorkFile("eitemp.bmp")));
    QVERIFY(!fs::exists(w->WorkFile("icxor.bmp_tempand_0")));
    QVERIFY(fs::is_directory(w->WorkFolder));
}

void TestIconConverter::aSecondInstanceKeepsToItsOwnFolder() {
    auto first = MakeWindow();
    Touch(first->WorkFile("eitemp.ico"));
    Touch(first->WorkFile("eitemp.bmp"));

    auto second = MakeWindow();
    QVERIFY(second->WorkFolder != first->WorkFolder);
    QVERIFY2(fs::exists(first->WorkFile("eitemp.ico")), "the second start leaves them alone");
    Touch(second->WorkFile("eitemp.bmp"));
    second->close();
    QVERIFY(fs::exists(first->WorkFile("eitemp.ico")));
    QVERIFY(fs::exists(first->WorkFile("eitemp.bmp")));
    const fs::path secondFolder = second->WorkFolder;
    second.reset();
    QVERIFY(!fs::exists(secondFolder));
    QVERIFY(fs::exists(first->WorkFile("eitemp.bmp")));
}

void TestIconConverter::theFirstArgumentReachesLoadWithoutTheDialog() {
    auto w = MakeWindow();
    const fs::path icon = Temp() / "Logo.ICO";
    QVERIFY(WriteSampleIcon(icon, 16));
    w->Arguments = {ToQString(icon), ToQString(Temp() / "other.ico")};
    w->show();
    // The whole Load command ran on it, without asking for a file.
    QCOMPARE(w->LoadPath, icon);
    QCOMPARE(w->LoadKind, std::string(".ico"));
    QCOMPARE(w->suiButton1->Tag, 0);
    QVERIFY(Seam->FileDialogsShown.empty());
    QVERIFY(Seam->Messages.isEmpty());
    QCOMPARE(w->WorkColor.Width(), 16);
    QCOMPARE(w->Label1->text(), QStringLiteral("16 X 16 X 32 bits"));

    // Only the first showing loads.
    w->LoadPath.clear();
    w->hide();
    w->show();
    QVERIFY(w->LoadPath.empty());
}

void TestIconConverter::anEmptyArgumentLoadsNothing() {
    auto w = MakeWindow();
    w->Arguments = {QString(), QStringLiteral("/pictures/second.png")};
    w->show();
    QVERIFY(w->LoadPath.empty());
    QVERIFY(w->LoadKind.empty());
    QVERIFY(Seam->Log.isEmpty());
}

void TestIconConverter::theFirstDroppedFileReachesLoad() {
    auto w = MakeWindow();
    w->show();
    const fs::path first = Temp() / "first.ico";
    const fs::path second = Temp() / "second.ico";
    QVERIFY(WriteSampleIcon(first, 24));
    QVERIFY(WriteSampleIcon(second, 32));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(ToQString(first)), QUrl::fromLocalFile(ToQString(second)),
                  QUrl::fromLocalFile(QStringLiteral("/pictures/third.gif"))});
    QDragEnterEvent enter(QPoint(200, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    QVERIFY(enter.isAccepted());

    QDropEvent drop(QPointF(200, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &drop);
    QTRY_COMPARE(w->LoadPath, first);
    QCOMPARE(w->LoadKind, std::string(".ico"));
    QCOMPARE(w->suiButton1->Tag, 0);
    QCOMPARE(w->WorkColor.Width(), 24);
    QVERIFY(Seam->FileDialogsShown.empty());
    QVERIFY(Seam->Messages.isEmpty());

    // Something that is not a file is not taken.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent refused(QPoint(200, 100), Qt::CopyAction, &text, Qt::LeftButton,
                            Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(w.get(), &refused);
    QVERIFY(!refused.isAccepted());
}

void TestIconConverter::loadAsksForAFileUnlessPreset() {
    auto w = MakeWindow();
    Seam->FileAnswers = {{QStringLiteral("/pictures/photo.JPEG")}, {QString()}};
    w->suiButton1->click();
    QCOMPARE(Seam->FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(Seam->FileDialogsShown[0].Mode, FileDialog::Kind::Open);
    QCOMPARE(Seam->FileDialogsShown[0].FilterIndex, 1);
    QCOMPARE(w->LoadPath, fs::path("/pictures/photo.JPEG"));
    QCOMPARE(w->LoadKind, std::string(".jpeg"));

    // Cancelled: LoadPath is emptied and nothing is redrawn.
    const QImage before = w->Image2->Picture();
    w->suiButton1->click();
    QVERIFY(w->LoadPath.empty());
    QCOMPARE(w->Image2->Picture(), before);

    // Preset by a caller: no dialog, and the Tag is used up.
    w->LoadPath = "/pictures/x.bmp";
    w->suiButton1->Tag = 1;
    w->suiButton1->click();
    QCOMPARE(Seam->FileDialogsShown.size(), std::size_t{2});
    QCOMPARE(w->suiButton1->Tag, 0);
    QCOMPARE(w->LoadKind, std::string(".bmp"));
}

void TestIconConverter::helpPrefersTheFirstHelpFile() {
    auto w = MakeWindow();
    const fs::path program = Temp() / "program";
    fs::create_directory(program);
    w->ProgramFolder = program;

    Touch(program / "help.txt");
    Touch(program / "help.chm");
    w->suiButton5->click();
    QCOMPARE(Seam->Opened.last(), ToQString(program / "help.chm"));

    fs::remove(program / "help.chm");
    fs::remove(program / "help.txt");
    Touch(program / "help.html");
    w->suiButton5->click();
    QCOMPARE(Seam->Opened.last(), ToQString(program / "help.html"));

    // A folder of that name is no help file.
    fs::remove(program / "help.html");
    fs::create_directory(program / "help.htm");
    w->suiButton5->click();
    QCOMPARE(Seam->Opened.last(), ProductPage(QStringLiteral("help")));
    QVERIFY(Seam->Opened.last().contains(QStringLiteral("from=help")));
    QVERIFY(Seam->Messages.isEmpty());
}

// Where no browser or viewer can be started, every command that opens something says so in one
// box that names the file or address.
void TestIconConverter::aFailedOpenIsTold() {
    auto w = MakeWindow();
    const fs::path program = Temp() / "program";
    fs::create_directory(program);
    w->ProgramFolder = program;
    Touch(program / "help.txt");
    Seam->ShellSucceeds = false;
    const std::pair<std::function<void()>, QString> openers[] = {
        {[&] { w->suiButton5->click(); }, ToQString(program / "help.txt")},
        {[&] { w->BitBtn1->click(); }, ProductPage(QStringLiteral("homepage"))},
        {[&] {
             Seam->Answers = {Answer::Yes};
             w->suiButton7->click();
         },
         ProductPage(QStringLiteral("about"))},
        {[&] { w->Label2Click(); }, QString::fromLatin1(ProductSite)},
    };
    for (const auto& [open, target] : openers) {
        Seam->ClearRecord();
        open();
        QCOMPARE(Seam->Opened, QStringList{target});
        QCOMPARE(Seam->Messages, QStringList{CanNotOpenWithShellMessage(target)});
        QVERIFY(Seam->Messages.first().contains(target));
    }
}

void TestIconConverter::aboutAndTheWebPages() {
    auto w = MakeWindow();
    Seam->Answers = {Answer::No, Answer::Yes};
    w->suiButton7->click();
    QVERIFY(Seam->Opened.isEmpty());
    QCOMPARE(Seam->Questions.last(),
             QStringLiteral("Glyphforge  version 3.x\n\nConvert images into icons.\nExtract icons "
                            "from libraries.\nCapture icon from screen.\nResize Icons.\n\n") +
                 QString::fromLatin1(ProductSite));
    QVERIFY(Seam->Log.last().contains(QStringLiteral("[About]")));
    w->suiButton7->click();
    QCOMPARE(Seam->Opened, QStringList{ProductPage(QStringLiteral("about"))});

    w->BitBtn1->click();
    QCOMPARE(Seam->Opened.last(), ProductPage(QStringLiteral("homepage")));
    w->show();
    QTest::mouseClick(w->Label2, Qt::LeftButton);
    QCOMPARE(Seam->Opened.last(), QString::fromLatin1(ProductSite));
    QCOMPARE(w->Label2->text(), QString::fromLatin1(ProductSiteShort));
    QCOMPARE(w->Label2->cursor().shape(), Qt::PointingHandCursor);
}

// The pop-up menu holds the pointer while it is open, so the button it came from hears nothing
// when the pointer leaves; once the menu has gone the button looks again.
void TestIconConverter::saveIconIsPlainOnceItsMenuHasGone() {
    auto w = MakeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QPoint over = w->suiButton3->mapToGlobal(QPoint(40, 40));
    QCursor::setPos(over);
    QEnterEvent enter(QPointF(40, 40), QPointF(40, 40), QPointF(over));
    QApplication::sendEvent(w->suiButton3, &enter);
    QVERIFY(w->suiButton3->IsHovered());
    QCursor::setPos(w->mapToGlobal(QPoint(250, 150)));  // over the preview, no leave heard
    QVERIFY(w->suiButton3->IsHovered());
    emit w->PopupMenu1->aboutToHide();
    QTRY_VERIFY(!w->suiButton3->IsHovered());
    // With the pointer still over it, it stays lit.
    QCursor::setPos(over);
    QApplication::sendEvent(w->suiButton3, &enter);
    emit w->PopupMenu1->aboutToHide();
    QTest::qWait(20);
    QVERIFY(w->suiButton3->IsHovered());
}

void TestIconConverter::menuAndColourBox() {
    auto w = MakeWindow();
    w->show();
    // A right click on Save Icon or on the preview opens the menu.
    ScriptedPopupMenus menus;
    menus.Choices = {QStringLiteral("Save as PNG")};
    for (QWidget* target :
         {static_cast<QWidget*>(w->suiButton3), static_cast<QWidget*>(w->Image2)}) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                                target->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(target, &click);
    }
    QCOMPARE(menus.ShownMenus.size(), std::size_t{2});
    QCOMPARE(menus.ShownMenus[0].MenuName, QStringLiteral("PopupMenu1"));
    QCOMPARE(menus.ShownMenus[1].Pos, w->Image2->mapToGlobal(QPoint(10, 10)));
    QCOMPARE(w->SaveDialog1.FilterIndex, 3);
    w->SaveasPNG1->trigger();
    QCOMPARE(w->SaveDialog1.FilterIndex, 3);
    w->SaveasBMP1->trigger();
    QCOMPARE(w->SaveDialog1.FilterIndex, 2);
    w->SaveasICON1->trigger();
    QCOMPARE(w->SaveDialog1.FilterIndex, 1);

    w->SetBMPbackgroundcolor1->trigger();
    QVERIFY(w->suiColorBox1->isVisible());
    const int white = w->suiColorBox1->findText(QStringLiteral("White"));
    w->suiColorBox1->setCurrentIndex(white);
    emit w->suiColorBox1->activated(white);
    QVERIFY(!w->suiColorBox1->isVisible());
    QCOMPARE(w->suiColorBox1->Selected(), White);

    // "Custom..." asks through the colour dialog; cancelling keeps the colour and the box.
    w->SetBMPbackgroundcolor1->trigger();
    Seam->Colors = {std::nullopt, Rgb(12, 34, 56)};
    w->suiColorBox1->setCurrentIndex(0);
    emit w->suiColorBox1->activated(0);
    QVERIFY(w->suiColorBox1->isVisible());
    QCOMPARE(w->suiColorBox1->Selected(), White);
    w->suiColorBox1->setCurrentIndex(0);
    emit w->suiColorBox1->activated(0);
    QVERIFY(!w->suiColorBox1->isVisible());
    QCOMPARE(w->suiColorBox1->Selected(), Rgb(12, 34, 56));
}

void TestIconConverter::modifyAndSaveBeforeAnyLoad() {
    auto w = MakeWindow();
    w->suiButton3->click();
    QVERIFY(Seam->Log.isEmpty());
    w->suiButton2->click();
    QCOMPARE(Seam->Messages,
             QStringList{QStringLiteral("Please load or capture an image firstly.")});
    QVERIFY(Seam->ModalWindows.isEmpty());
}

void TestIconConverter::workingIconIsCentredWithItsInfoLine_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("info");
    QTest::newRow("32 bits") << static_cast<int>(PixelFormat::Bits32) << 7
                             << QStringLiteral("48 X 48 X 32 bits");
    QTest::newRow("code 0") << static_cast<int>(PixelFormat::Bits24) << 0
                            << QStringLiteral("48 X 48 X 24 bits");
    QTest::newRow("code 2") << static_cast<int>(PixelFormat::Bits24) << 2
                            << QStringLiteral("48 X 48 X 4 bits");
}

void TestIconConverter::workingIconIsCentredWithItsInfoLine() {
    QFETCH(int, format);
    QFETCH(int, code);
    QFETCH(QString, info);
    auto w = MakeWindow();
    const Color red = Rgb(230, 20, 20);
    w->WorkColor = Bitmap(48, 48, static_cast<PixelFormat>(format));
    w->WorkColor.Fill(red, 255);
    w->WorkMask = Bitmap(48, 48, code == 7 ? PixelFormat::Bits8 : PixelFormat::Bits1);
    w->WorkPixelFormat = code;
    w->ShowWorkingIcon();

    QCOMPARE(w->Label1->text(), info);
    const QImage preview = w->Image2->Picture();
    QCOMPARE(preview.size(), QSize(339, 351));
    const QImage backdrop = ToQImage(w->Backdrop);
    // The icon's corners at (145, 151) and (192, 198); the backdrop right around it.
    QCOMPARE(preview.pixel(145, 151), Qrgb(red));
    QCOMPARE(preview.pixel(192, 198), Qrgb(red));
    QCOMPARE(preview.pixel(144, 151), backdrop.pixel(144, 151));
    QCOMPARE(preview.pixel(145, 150), backdrop.pixel(145, 150));
    QCOMPARE(preview.pixel(193, 198), backdrop.pixel(193, 198));
    QCOMPARE(preview.pixel(192, 199), backdrop.pixel(192, 199));
    // The frame.
    for (QPoint p :
         {QPoint(0, 0), QPoint(338, 0), QPoint(0, 350), QPoint(338, 350), QPoint(170, 350)})
        QCOMPARE(preview.pixel(p), qRgb(0, 0, 0));
    QCOMPARE(preview.pixel(1, 1), backdrop.pixel(1, 1));
}

void TestIconConverter::maskedPixelsShowTheBackdrop() {
    auto w = MakeWindow();
    w->WorkColor = Bitmap(256, 100, PixelFormat::Bits24);
    w->WorkColor.Fill(Rgb(0, 0, 200));
    w->WorkColor.FillRect(0, 0, 1, 1, Black);
    w->WorkMask = Bitmap(256, 100, PixelFormat::Bits8);
    w->WorkMask.Row(0)[0] = 255;  // transparent corner
    w->WorkPixelFormat = 6;
    w->ShowWorkingIcon();
    QCOMPARE(w->Label1->text(), QStringLiteral("256 X 100 X 24 bits"));
    const QImage preview = w->Image2->Picture();
    const int x = (339 - 256) / 2;
    const int y = (351 - 100) / 2;
    QCOMPARE(preview.pixel(x, y), ToQImage(w->Backdrop).pixel(x, y));
    QCOMPARE(preview.pixel(x + 1, y), qRgb(0, 0, 200));
}

void TestIconConverter::withoutAWorkingIconOnlyBackdropAndFrame() {
    auto w = MakeWindow();
    w->ShowWorkingIcon();
    QCOMPARE(w->Label1->text(), QStringLiteral("Icon Info"));
    const QImage preview = w->Image2->Picture();
    QCOMPARE(preview.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(preview.pixel(169, 175), ToQImage(w->Backdrop).pixel(169, 175));

    // A mask that does not fit the colour image makes no icon either.
    w->WorkColor = Bitmap(32, 32, PixelFormat::Bits24);
    w->WorkMask = Bitmap(16, 16, PixelFormat::Bits1);
    w->ShowWorkingIcon();
    QCOMPARE(w->Label1->text(), QStringLiteral("Icon Info"));
}

void TestIconConverter::readIconFileInfoTakesTheLastImage() {
    auto w = MakeWindow();
    const fs::path file = Temp() / "three.ico";
    const auto bytes = IconFileOf({{16, 16, 4}, {32, 32, 8}, {48, 48, 32}});
    WriteBytes(file, bytes);
    IconFileInfo info;
    QCOMPARE(w->ReadIconFileInfo(file, info), 1);
    QCOMPARE(info.Width, 48);
    QCOMPARE(info.Height, 48);
    QCOMPARE(info.BitCount, 32);
    QCOMPARE(info.Code, 7);
    QCOMPARE(info.ImageSize, 64u);
    QCOMPARE(info.ImageOffset, static_cast<std::uint32_t>(6 + 3 * 16 + 2 * 64));

    // Unusual depths have code 0; an image stored as PNG is read from its own header.
    WriteBytes(file, IconFileOf({{20, 10, 0}}));
    QCOMPARE(w->ReadIconFileInfo(file, info), 1);
    QCOMPARE(info.Width, 20);
    QCOMPARE(info.Height, 10);
    QCOMPARE(info.Code, 0);
    WriteBytes(file, IconFileOf({{16, 16, 4}, {256, 256, 32, true}}));
    QCOMPARE(w->ReadIconFileInfo(file, info), 1);
    QCOMPARE(info.Width, 256);
    QCOMPARE(info.Height, 256);
    QCOMPARE(info.BitCount, 32);
    QVERIFY(Seam->Messages.isEmpty());
}

void TestIconConverter::readIconFileInfoOfMissingOrDamagedFiles() {
    auto w = MakeWindow();
    IconFileInfo info;
    info.Width = 99;
    const fs::path missing = Temp() / "missing.ico";
    QCOMPARE(w->ReadIconFileInfo(missing, info), 0);
    QCOMPARE(Seam->Messages,
             QStringList{QStringLiteral("Can not open file ") + ToQString(missing) + QStringLiteral("\n") + QString::fromStdString(SystemReason(ENOENT))});
    QCOMPARE(info.Width, 99);

    // A directory that promises more entries than the file holds changes nothing.
    auto bytes = IconFileOf({{16, 16, 4}});
    bytes[4] = 5;
    const fs::path damaged = Temp() / "damaged.ico";
    WriteBytes(damaged, bytes);
    QCOMPARE(w->ReadIconFileInfo(damaged, info), 0);
    QCOMPARE(info.Width, 99);
    QCOMPARE(Seam->Messages.size(), 2);
}

void TestIconConverter::aShortDragLeavesTheBackdrop() {
    auto w = MakeWindow();
    w->show();
    const Bitmap before = w->Backdrop;
    Seam->Screen = Bitmap(10, 10, PixelFormat::Bits24);
    Seam->Screen.Fill(Rgb(200, 40, 10));
    QTest::mousePress(w->Image2, Qt::LeftButton, {}, QPoint(50, 100));
    QTest::mouseRelease(w->Image2, Qt::LeftButton, {}, QPoint(130, 100));
    QVERIFY(w->Backdrop == before);
    QVERIFY(w->Image2->Picture().isNull());
    // A release without a press on the preview is no drag either.
    QTest::mouseRelease(w->Image2, Qt::LeftButton, {}, QPoint(300, 100));
    QVERIFY(w->Backdrop == before);
}

void TestIconConverter::aWideDragRecoloursTheBackdropInBands() {
    auto w = MakeWindow();
    w->show();
    w->Backdrop.Fill(Rgb(100, 100, 100));
    w->WorkColor = Bitmap(48, 48, PixelFormat::Bits24);
    w->WorkColor.Fill(Rgb(0, 0, 255));
    w->WorkMask = Bitmap(48, 48, PixelFormat::Bits1);
    w->WorkPixelFormat = 6;
    Seam->Screen = Bitmap(10, 10, PixelFormat::Bits24);
    Seam->Screen.Fill(Rgb(200, 40, 10));
    Seam->Pointer = QPoint(4, 4);

    // Leftwards, with the release outside the preview, and with the right button.
    QTest::mousePress(w->Image2, Qt::RightButton, {}, QPoint(300, 100));
    QTest::mouseRelease(w->Image2, Qt::RightButton, {}, QPoint(150, 400));

    // 40 bands of 10 rows from (100, 100, 100) towards (200, 40, 10): steps 2, -1, -2.
    for (int band = 0; band < 40; ++band) {
        const Color expected =
            Rgb(static_cast<std::uint8_t>(100 + 2 * band), static_cast<std::uint8_t>(100 - band),
                static_cast<std::uint8_t>(100 - 2 * band));
        for (int y = 10 * band; y < 10 * band + 10; ++y)
            for (int x : {0, 200, 399})
                QCOMPARE(w->Backdrop.GetPixel(x, y), expected);
    }
    QCOMPARE(w->Backdrop.GetPixel(0, 399), Rgb(178, 61, 22));
    QCOMPARE(w->Image1->Picture().pixel(5, 395), qRgb(178, 61, 22));
    // The preview is redrawn on the new backdrop, with the icon.
    const QImage preview = w->Image2->Picture();
    QCOMPARE(preview.pixel(5, 15), qRgb(102, 99, 98));
    QCOMPARE(preview.pixel(145, 151), qRgb(0, 0, 255));
    QCOMPARE(w->Label1->text(), QStringLiteral("48 X 48 X 24 bits"));
}

QTEST_MAIN(TestIconConverter)
#include "tst_icon_converter.moc"
