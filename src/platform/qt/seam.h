#pragma once
// The seam between the windows and the windowing system: message boxes and questions, file
// and colour dialogs, running a window modally, the screen and the mouse pointer, the
// clipboard and the shell. Windows never call QMessageBox, QFileDialog, QDialog::exec, QScreen,
// QCursor, QClipboard or QDesktopServices themselves; they call the free functions below, which
// forward to the installed Seam. The program runs on QtSeam (qt_seam.h); tests install a
// ScriptedSeam (scripted_seam.h) and run whole commands headless.
//
// Scripting a test:
//
//     gf::ScriptedSeam seam;               // installs itself, restores the previous on exit
//     seam.Answers = {gf::Answer::Yes};    // the next question is answered Yes
//     seam.FileAnswers = {{"/tmp/a.png"}}; // the next file dialog returns this name
//     seam.ModalScripts.push_back([](QDialog& d) {   // the next modal window: the script
//         d.findChild<QSlider*>("TrackBar1")->setValue(32); // works on the shown window and
//         return 1;                                  // returns its modal result
//     });
//     seam.Screen = someBitmap; seam.Pointer = {10, 20};   // what the screen shows
//     ... run the command ...
//     QCOMPARE(seam.Messages, QStringList{"No icon exists in this file!"});
//
// Everything the program asked is also kept, in order, in seam.Log (one line per call).

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <Qt>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/color.h"

class QDialog;
class QWidget;

namespace gf {

enum class Answer { Yes, No, Cancel };

// One entry of a file dialog's filter: a description and its patterns ("*.png;*.jpg").
struct FileFilterEntry {
    QString Description;
    QString Patterns;
    friend bool operator==(const FileFilterEntry&, const FileFilterEntry&) = default;
};

// Splits "ICON|*.ico|BMP|*.bmp" into its entries (a trailing description without patterns is
// dropped).
std::vector<FileFilterEntry> ParseFileFilter(const QString& filter);

// A file-open or file-save dialog and the state it keeps between runs: the filter index the
// user chose last and the file name. Windows keep one of these per dialog they own.
struct FileDialog {
    enum class Kind { Open, Save };

    Kind Mode = Kind::Open;
    QString Title;
    QString Filter;               // "description|patterns|description|patterns..."
    int FilterIndex = 1;          // 1-based; written back with the entry the user chose
    QString FileName;             // the initial name; written back with the chosen file
    QString DefaultExt;           // ".ico": added to a typed name that has no extension (save only)
    bool PicturePreview = false;  // open dialogs: show the picture under the selection
    // Save dialogs: the dialog itself asks before an existing file is chosen. A window that
    // asks its own question, about the name it really writes, turns this off.
    bool OverwritePrompt = true;

    // Shows the dialog through the installed seam. True when the user confirmed a file; then
    // FileName and FilterIndex hold the choice. On cancel nothing changes.
    bool Execute(QWidget* owner);
};

class Seam {
  public:
    virtual ~Seam() = default;

    // Dialogs. Every one is modal to `owner` (or to the application when it is null).
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption) = 0;
    // A question box with the question icon; Cancel is offered only when `withCancel`.
    virtual Answer Ask(QWidget* owner, const QString& text, const QString& caption,
                       bool withCancel) = 0;
    virtual bool RunFileDialog(QWidget* owner, FileDialog& dialog) = 0;
    virtual std::optional<Color> ChooseColor(QWidget* owner, Color initial) = 0;
    // Shows the window modally and returns its modal result (1 = confirmed).
    virtual int RunModal(QDialog& dialog) = 0;

    // Screen and pointer, in global (virtual desktop) coordinates.
    // False where the display does not let programs read the screen (a Wayland desktop
    // without a capture service, the offscreen platform): grabs then show nothing of it.
    virtual bool CanReadScreen() = 0;
    // 24 bits per pixel; the parts of the rectangle that lie on no screen read as `offScreen`.
    virtual Bitmap GrabScreenRect(const QRect& rect, Color offScreen) = 0;
    virtual Color ScreenPixel(const QPoint& pos) = 0;
    virtual QPoint PointerPos() = 0;
    virtual void MovePointer(const QPoint& pos) = 0;
    // False where the program may not move the pointer (Wayland, offscreen): a window steered
    // from the keyboard then shows a cursor of its own instead.
    virtual bool CanMovePointer() = 0;
    // Presses and releases the left button at `pos`, as a click of the user there would.
    virtual void ClickAt(const QPoint& pos) = 0;
    // The dotted frame that shows which area of the screen is about to be taken: drawn over
    // every window on the pixels just around `area`, never on the area itself, so it is never
    // part of a grab of the area. Showing it again moves it; HideScreenFrame takes it away.
    virtual void ShowScreenFrame(const QRect& area) = 0;
    virtual void HideScreenFrame() = 0;
    // A press that goes on across the whole screen (dragging a cross to pick an area). Until a
    // mouse button is released the pointer belongs to the program wherever it is, also while
    // the program's windows are hidden, and shows `cursor`; the release, wherever it happens,
    // is sent to `holder` as a mouse release event (position relative to `holder`), after
    // which the pointer is free. The keyboard is held with it: a key pressed meanwhile is sent
    // to `holder` as a key press (Escape, to give up the drag). ReleasePointer frees both
    // early; it does nothing when free.
    virtual void HoldPointer(QWidget* holder, Qt::CursorShape cursor) = 0;
    virtual void ReleasePointer() = 0;

    // Clipboard: the picture on it (24 bits, or 32 when it has alpha), if any.
    virtual std::optional<Bitmap> ClipboardImage() = 0;
    virtual void SetClipboardImage(const Bitmap& picture) = 0;

    // Opens a file with the program the desktop associates with it, or a web address ("http",
    // "https", "mailto") in the browser. When nothing can open it, `failed` is called: at once,
    // or, where the desktop's opener is a program that finds out only once it runs (xdg-open
    // without a browser), a moment later from the event loop.
    virtual void OpenWithShell(const QString& fileOrUrl, std::function<void()> failed) = 0;
};

// The seam in use: the installed one, else the real one (created on first use).
Seam& CurrentSeam();
// Installs `seam` (not owned) and returns the previous installation (nullptr = the real one).
Seam* InstallSeam(Seam* seam);

// The calls windows make.
void ShowMessage(const QString& text, QWidget* owner = nullptr);
// A message of the program's own fixed wording with the system's reason for the failure
// ("Permission denied") on a line of its own below it, when there is one.
QString WithReasonBelow(const QString& text, const std::string& reason);
Answer AskYesNo(const QString& text, const QString& caption, QWidget* owner = nullptr);
Answer AskYesNoCancel(const QString& text, const QString& caption, QWidget* owner = nullptr);
std::optional<Color> ChooseColor(Color initial, QWidget* owner = nullptr);
int RunModal(QDialog& dialog);
bool CanReadScreen();
Bitmap GrabScreenRect(const QRect& rect, Color offScreen = Black);
Color ScreenPixel(const QPoint& pos);
QPoint PointerPos();
void MovePointer(const QPoint& pos);
bool CanMovePointer();
void ClickAt(const QPoint& pos);
void ShowScreenFrame(const QRect& area);
void HideScreenFrame();
void HoldPointer(QWidget* holder, Qt::CursorShape cursor);
void ReleasePointer();
std::optional<Bitmap> ClipboardImage();
void SetClipboardImage(const Bitmap& picture);
// Opens the file or address through the shell; when nothing can open it, one message box says
// so and names it, so the user can copy it and open it another way.
void OpenWithShell(const QString& fileOrUrl, QWidget* owner = nullptr);
QString CanNotOpenWithShellMessage(const QString& fileOrUrl);

// True when `target` does not exist or the user agrees to replace it ("File ... has existed.
// Do you want to overwrite it?", Yes / No).
bool MayOverwrite(const std::filesystem::path& target, QWidget* owner = nullptr);

// The caption message boxes carry when none is given: the application's name.
QString MessageCaption();

}  // namespace gf
