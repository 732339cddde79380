#pragma once
// The seam on the real desktop: Qt's message boxes and dialogs, QScreen and QCursor, a window
// of our own for the screen frame (screen_overlay.h), the clipboard, and xdg-open or
// QDesktopServices for the shell.

#include <QPointer>
#include <QStringList>

#include "platform/qt/screen_overlay.h"
#include "platform/qt/seam.h"

namespace gf {

class QtSeam : public Seam {
  public:
    QtSeam();
    ~QtSeam() override;
    QtSeam(const QtSeam&) = delete;
    QtSeam& operator=(const QtSeam&) = delete;

    void ShowMessage(QWidget* owner, const QString& text, const QString& caption) override;
    Answer Ask(QWidget* owner, const QString& text, const QString& caption,
               bool withCancel) override;
    bool RunFileDialog(QWidget* owner, FileDialog& dialog) override;
    std::optional<Color> ChooseColor(QWidget* owner, Color initial) override;
    int RunModal(QDialog& dialog) override;

    bool CanReadScreen() override;
    Bitmap GrabScreenRect(const QRect& rect, Color offScreen) override;
    Color ScreenPixel(const QPoint& pos) override;
    QPoint PointerPos() override;
    void MovePointer(const QPoint& pos) override;
    bool CanMovePointer() override;
    void ClickAt(const QPoint& pos) override;
    void ShowScreenFrame(const QRect& area) override;
    void HideScreenFrame() override;
    void HoldPointer(QWidget* holder, Qt::CursorShape cursor) override;
    void ReleasePointer() override;

    std::optional<Bitmap> ClipboardImage() override;
    void SetClipboardImage(const Bitmap& picture) override;

    void OpenWithShell(const QString& fileOrUrl, std::function<void()> failed) override;

    // The window that draws the screen frame and holds the pointer, while there is one.
    ScreenOverlay* Overlay() const { return Overlay_; }

  private:
    ScreenOverlay& EnsureOverlay();

    QPointer<ScreenOverlay> Overlay_;
};

// The name filters a QFileDialog shows for our filter entries: "description (patterns)", the
// patterns separated by blanks, "*.*" meaning every file. Used with the dialog's option that
// hides the pattern part, so the user reads the descriptions as they are written.
QStringList QtNameFilters(const std::vector<FileFilterEntry>& entries);

// "ico" for ".ico", "" for "".
QString SuffixOfDefaultExt(const QString& defaultExt);

// The left button pressed and released at the global position `pos`, and a move of the pointer
// to it without a button, delivered to the program's own widget there as the windowing system
// delivers real ones (a widget that holds the mouse gets them wherever they are). Nothing
// happens where none of the program's widgets lies.
void SendClickAt(const QPoint& pos);
void SendMoveAt(const QPoint& pos);

// True for text that names a web or mail address rather than a file.
bool LooksLikeUrl(const QString& text);

}  // namespace gf
