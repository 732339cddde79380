#pragma once
// A seam that answers from a script instead of asking anybody, for tests. Constructing one
// installs it; destroying it restores what was installed before. Every call is written to Log
// in order; answers are taken from the front of the queues, and a call whose queue is empty
// gets the harmless answer (OK, No, Cancel, no file, no colour, modal result 0) and is logged
// with the prefix "unscripted ". See seam.h for an example.

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/qt/seam.h"

namespace gf {

class ScriptedSeam : public Seam {
  public:
    // What a file dialog returns: the chosen name ("" = the user cancels) and, when not 0, the
    // filter index the user switched to.
    struct FileAnswer {
        QString FileName;
        int FilterIndex = 0;
    };
    // Runs in place of a modal window: the window has been shown (not modally); the script
    // may read and change it, click its buttons, and returns the modal result. The window is
    // closed afterwards with that result, as a real modal run would leave it.
    using ModalScript = std::function<int(QDialog&)>;

    ScriptedSeam();
    ~ScriptedSeam() override;
    ScriptedSeam(const ScriptedSeam&) = delete;
    ScriptedSeam& operator=(const ScriptedSeam&) = delete;

    // The script.
    std::deque<Answer> Answers;
    std::deque<FileAnswer> FileAnswers;
    std::deque<std::optional<Color>> Colors;
    std::deque<ModalScript> ModalScripts;
    Bitmap Screen;   // the whole desktop, its top-left corner at (0, 0)
    QPoint Pointer;  // where the pointer is; MovePointer moves it
    bool PointerMovable = true;  // what CanMovePointer answers
    bool ScreenReadable = true;
    std::optional<Bitmap> Clipboard;
    bool ShellSucceeds = true;  // false: every shell "open" fails at once

    // What happened.
    QStringList Log;
    QStringList Messages;                      // texts of information boxes
    QStringList Questions;                     // texts of question boxes
    std::vector<FileDialog> FileDialogsShown;  // each dialog as it was when shown
    QStringList ModalWindows;                  // object names of the windows run modally
    QStringList Opened;                        // what the shell was asked to open
    std::vector<QPoint> PointerMoves;
    std::vector<QPoint> Clicks;  // each ClickAt (the click is also delivered to the widget there)
    std::optional<QRect> Frame;        // the area the screen frame is around, while shown
    QWidget* PointerHolder = nullptr;  // who holds the pointer (a test sends it the release)
    Qt::CursorShape HeldCursor = Qt::ArrowCursor;

    // Forgets what happened (the script stays).
    void ClearRecord();

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

  private:
    Seam* Previous = nullptr;
};

}  // namespace gf
