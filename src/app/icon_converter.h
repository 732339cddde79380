#pragma once
// The converter window: the program's main window. It owns the working folder and the working
// icon, shows the icon over a backdrop with a line describing it, and starts the commands
// (Load Image, Capture Icon, Modify Icon, Save Icon, Help, About, Home Page).
//
// The commands live in files of their own (icon_converter_load.cpp, ..._save.cpp, ...); the
// window, the start and the close, the preview and the small commands live here and in
// icon_converter_preview.cpp.

#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/work_pixel_format.h"
#include "platform/bitmap.h"
#include "platform/color.h"
#include "platform/qt/seam.h"
#include "platform/work_folder.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;

namespace gf {

class ClickLabel;
class ColorBox;
class GlyphButton;
class PictureView;
class TIconEditor;

// What ReadIconFileInfo tells about the last image of an icon file.
struct IconFileInfo {
    int Width = 0;
    int Height = 0;  // of the image alone (the stored height covers colour and mask)
    int BitCount = 0;
    PixelFormatCode Code = 0;  // the bit count's pixel format code (0 for an unusual count)
    std::uint32_t ImageSize = 0;
    std::uint32_t ImageOffset = 0;
};

// Addresses of the product on the web; `from` names the control that opened the page.
inline constexpr const char* ProductSite = GF_HOMEPAGE_URL;  // the project's homepage (CMake)
inline constexpr const char* ProductSiteShort = "glyphforge.org";
QString ProductPage(const QString& from);

// The help files looked for beside the program, in this order.
inline constexpr const char* HelpFileNames[] = {"help.chm", "help.hlp", "help.htm", "help.html",
                                                "help.txt"};

class TIconConverter : public QWidget {
    Q_OBJECT
  public:
    explicit TIconConverter(QWidget* parent = nullptr);
    ~TIconConverter() override;

    // Controls, named as the program knows them.
    QFrame* Panel3 = nullptr;
    GlyphButton* suiButton1 = nullptr;  // Load Image
    GlyphButton* suiButton4 = nullptr;  // Capture Icon
    GlyphButton* suiButton2 = nullptr;  // Modify Icon
    GlyphButton* suiButton3 = nullptr;  // Save Icon
    QFrame* Panel4 = nullptr;
    GlyphButton* suiButton5 = nullptr;  // Help
    GlyphButton* suiButton7 = nullptr;  // About
    GlyphButton* BitBtn1 = nullptr;     // Home Page
    QFrame* Panel2 = nullptr;
    PictureView* Image1 = nullptr;  // the backdrop
    PictureView* Image2 = nullptr;  // the preview, over the backdrop
    QFrame* Panel1 = nullptr;
    ClickLabel* Label2 = nullptr;  // the web site
    QLabel* Label1 = nullptr;      // the info line
    QLabel* Label3 = nullptr;
    ColorBox* suiColorBox1 = nullptr;  // background of BMP output
    QMenu* PopupMenu1 = nullptr;
    QAction* SaveasICON1 = nullptr;
    QAction* SaveasPNG1 = nullptr;
    QAction* SaveasBMP1 = nullptr;
    QAction* SetBMPbackgroundcolor1 = nullptr;
    FileDialog OpenPictureDialog1;
    FileDialog SaveDialog1;  // FilterIndex: 1 ICON, 2 BMP, 3 PNG

    // The working folder, with a trailing separator; every working file lives here.
    std::filesystem::path WorkFolder;
    // The working icon: colour image, mask (1-bit AND mask or 8-bit, 255 = transparent) and
    // the depth shown in the info line.
    Bitmap WorkColor;
    Bitmap WorkMask;
    PixelFormatCode WorkPixelFormat = 0;
    // Image1's picture, 400 x 400, 24 bits.
    Bitmap Backdrop;

    // What the working icon is called: the file it was loaded from, or the name it was last
    // saved under, without its extension (empty: it has no name of its own). The save dialog
    // proposes it with the extension of the format chosen.
    std::filesystem::path WorkIconName;
    // The name the save dialog proposes for filter index 1 (ICON), 2 (BMP) or 3 (PNG).
    QString ProposedSaveName(int filterIndex) const;

    // The file the Load command is to read, and its kind (".png", ".bmp", ".ico", "no_file").
    std::filesystem::path LoadPath;
    std::string LoadKind;

    // Command-line arguments after the program's name; the first is loaded when the window is
    // first shown.
    QStringList Arguments;
    // Where the help files are looked for: the program's own folder.
    std::filesystem::path ProgramFolder;

    // WorkFolder + name.
    std::filesystem::path WorkFile(const char* name) const { return WorkFolder / name; }

    // Redraws the preview and the info line from WorkColor and WorkMask.
    void ShowWorkingIcon();
    // A new icon editor on `sourcePath` with its size page shown; it preselects its colour
    // depth from the working icon's.
    std::unique_ptr<TIconEditor> CreateEditor(const std::filesystem::path& sourcePath);
    // The editor's finished icon becomes the working icon: the working icon file is written
    // first, so the bitmaps change only when the file that must describe them is on disk.
    // False (and a message) when it cannot be written; nothing changes then.
    bool AdoptEditorResult(const TIconEditor& editor);

    // Reads the size and depth of the last image of an icon file. 0 (and a message) when the
    // file cannot be read; `info` is then left as it was.
    int ReadIconFileInfo(const std::filesystem::path& path, IconFileInfo& info);

    // Handlers.
    void FormShow();
    void FormClose();
    void FilesDropped(const QStringList& files);
    void suiButton1Click();  // Load Image
    void suiButton4Click();  // Capture Icon
    void suiButton2Click();  // Modify Icon
    void suiButton3Click();  // Save Icon
    void suiButton5Click();  // Help
    void suiButton7Click();  // About
    void BitBtn1Click();     // Home Page
    void Label2Click();
    void SaveasICON1Click();
    void SaveasPNG1Click();
    void SaveasBMP1Click();
    void SetBMPbackgroundcolor1Click();
    void suiColorBox1Change();
    void Image2MouseDown(Qt::MouseButton button, int x, int y);
    void Image2MouseUp(Qt::MouseButton button, int x, int y);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildControls();
    void ClaimWorkingFolder();
    void ShowPopupMenu(QWidget* from, const QPoint& pos);
    void ColourLinkLabel();

    // The working icon's depth as the editor asks for it.
    class EditorPixelFormat : public WorkPixelFormatSource {
      public:
        explicit EditorPixelFormat(const TIconConverter& converter) : Converter(converter) {}
        PixelFormatCode WorkPixelFormat() const override { return Converter.WorkPixelFormat; }

      private:
        const TIconConverter& Converter;
    };

    EditorPixelFormat PixelFormatForEditor{*this};
    WorkFolderClaim WorkFolderHold;
    bool FirstShowDone = false;
    bool Pressed = false;
    QPoint PressPoint;
};

// The converter window of the running program.
extern TIconConverter* IconConverter;

}  // namespace gf
