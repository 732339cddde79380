#include "platform/qt/scripted_seam.h"

#include <QDialog>
#include <QWidget>
#include <algorithm>

#include "platform/qt/qt_seam.h"

namespace gf {

namespace {

template <class T>
std::optional<T> TakeFront(std::deque<T>& queue) {
    if (queue.empty())
        return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

QString AnswerName(Answer answer) {
    switch (answer) {
        case Answer::Yes:
            return QStringLiteral("Yes");
        case Answer::No:
            return QStringLiteral("No");
        default:
            return QStringLiteral("Cancel");
    }
}

}  // namespace

ScriptedSeam::ScriptedSeam() : Previous(InstallSeam(this)) {}

ScriptedSeam::~ScriptedSeam() {
    InstallSeam(Previous);
}

void ScriptedSeam::ClearRecord() {
    Log.clear();
    Messages.clear();
    Questions.clear();
    FileDialogsShown.clear();
    ModalWindows.clear();
    Opened.clear();
    PointerMoves.clear();
    Clicks.clear();
}

void ScriptedSeam::ShowMessage(QWidget*, const QString& text, const QString& caption) {
    Messages << text;
    Log << QStringLiteral("message [%1]: %2").arg(caption, text);
}

Answer ScriptedSeam::Ask(QWidget*, const QString& text, const QString& caption, bool withCancel) {
    Questions << text;
    auto scripted = TakeFront(Answers);
    Answer answer = scripted.value_or(withCancel ? Answer::Cancel : Answer::No);
    if (!withCancel && answer == Answer::Cancel)
        answer = Answer::No;
    Log << QStringLiteral("%1ask [%2] -> %3: %4")
               .arg(scripted ? QString() : QStringLiteral("unscripted "), caption,
                    AnswerName(answer), text);
    return answer;
}

bool ScriptedSeam::RunFileDialog(QWidget*, FileDialog& dialog) {
    FileDialogsShown.push_back(dialog);
    auto scripted = TakeFront(FileAnswers);
    const QString kind =
        dialog.Mode == FileDialog::Kind::Save ? QStringLiteral("save") : QStringLiteral("open");
    if (!scripted || scripted->FileName.isEmpty()) {
        Log << QStringLiteral("%1%2 dialog -> cancel")
                   .arg(scripted ? QString() : QStringLiteral("unscripted "), kind);
        return false;
    }
    dialog.FileName = scripted->FileName;
    if (scripted->FilterIndex > 0)
        dialog.FilterIndex = scripted->FilterIndex;
    Log << QStringLiteral("%1 dialog -> %2 (filter %3)")
               .arg(kind, dialog.FileName)
               .arg(dialog.FilterIndex);
    return true;
}

std::optional<Color> ScriptedSeam::ChooseColor(QWidget*, Color) {
    auto scripted = TakeFront(Colors);
    std::optional<Color> color = scripted.value_or(std::nullopt);
    Log << QStringLiteral("%1colour dialog -> %2")
               .arg(scripted ? QString() : QStringLiteral("unscripted "),
                    color ? QStringLiteral("#%1").arg(*color, 6, 16, QLatin1Char('0'))
                          : QStringLiteral("cancel"));
    return color;
}

int ScriptedSeam::RunModal(QDialog& dialog) {
    ModalWindows << dialog.objectName();
    auto script = TakeFront(ModalScripts);
    if (!script) {
        Log << QStringLiteral("unscripted modal %1 -> 0").arg(dialog.objectName());
        return 0;
    }
    dialog.show();
    const int result = (*script)(dialog);
    // A real modal run ends with the window closed and its result set.
    if (dialog.isVisible())
        dialog.done(result);
    else
        dialog.setResult(result);
    Log << QStringLiteral("modal %1 -> %2").arg(dialog.objectName()).arg(result);
    return result;
}

bool ScriptedSeam::CanReadScreen() {
    return ScreenReadable;
}

Bitmap ScriptedSeam::GrabScreenRect(const QRect& rect, Color offScreen) {
    const int w = std::clamp(rect.width(), 0, MaxBitmapSide);
    const int h = std::clamp(rect.height(), 0, MaxBitmapSide);
    Log << QStringLiteral("grab %1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(w).arg(h);
    Bitmap result(w, h, PixelFormat::Bits24);
    result.Fill(offScreen);
    if (!Screen.Empty() && !result.Empty())
        result.CopyRect(Screen, rect.x(), rect.y(), w, h, 0, 0);
    return result;
}

Color ScriptedSeam::ScreenPixel(const QPoint& pos) {
    Color c = Black;
    if (pos.x() >= 0 && pos.y() >= 0 && pos.x() < Screen.Width() && pos.y() < Screen.Height())
        c = Screen.GetPixel(pos.x(), pos.y());
    Log << QStringLiteral("screen pixel %1,%2").arg(pos.x()).arg(pos.y());
    return c;
}

QPoint ScriptedSeam::PointerPos() {
    return Pointer;
}

void ScriptedSeam::MovePointer(const QPoint& pos) {
    Pointer = pos;
    PointerMoves.push_back(pos);
    Log << QStringLiteral("move pointer %1,%2").arg(pos.x()).arg(pos.y());
}

bool ScriptedSeam::CanMovePointer() {
    return PointerMovable;
}

void ScriptedSeam::ClickAt(const QPoint& pos) {
    Clicks.push_back(pos);
    Log << QStringLiteral("click %1,%2").arg(pos.x()).arg(pos.y());
    SendClickAt(pos);
}

void ScriptedSeam::ShowScreenFrame(const QRect& area) {
    Frame = area;
    Log << QStringLiteral("frame %1,%2 %3x%4")
               .arg(area.x())
               .arg(area.y())
               .arg(area.width())
               .arg(area.height());
}

void ScriptedSeam::HideScreenFrame() {
    if (Frame)
        Log << QStringLiteral("frame hidden");
    Frame.reset();
}

void ScriptedSeam::HoldPointer(QWidget* holder, Qt::CursorShape cursor) {
    PointerHolder = holder;
    HeldCursor = cursor;
    Log << QStringLiteral("hold pointer for %1").arg(holder ? holder->objectName() : QString());
}

void ScriptedSeam::ReleasePointer() {
    if (PointerHolder)
        Log << QStringLiteral("pointer free");
    PointerHolder = nullptr;
    HeldCursor = Qt::ArrowCursor;
}

std::optional<Bitmap> ScriptedSeam::ClipboardImage() {
    Log << QStringLiteral("clipboard get");
    return Clipboard;
}

void ScriptedSeam::SetClipboardImage(const Bitmap& picture) {
    Log << QStringLiteral("clipboard set %1x%2").arg(picture.Width()).arg(picture.Height());
    Clipboard = picture;
}

void ScriptedSeam::OpenWithShell(const QString& fileOrUrl, std::function<void()> failed) {
    Opened << fileOrUrl;
    Log << QStringLiteral("shell open %1").arg(fileOrUrl);
    if (!ShellSucceeds && failed)
        failed();
}

}  // namespace gf
