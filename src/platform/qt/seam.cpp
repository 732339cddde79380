#include "platform/qt/seam.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/qt/qt_path.h"
#include "platform/qt/qt_seam.h"

namespace gf {

namespace {

Seam* Installed = nullptr;

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const QString& filter) {
    std::vector<FileFilterEntry> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.push_back({parts[i], parts[i + 1]});
    return entries;
}

bool FileDialog::Execute(QWidget* owner) {
    return CurrentSeam().RunFileDialog(owner, *this);
}

Seam& CurrentSeam() {
    if (Installed)
        return *Installed;
    static QtSeam real;
    return real;
}

Seam* InstallSeam(Seam* seam) {
    Seam* previous = Installed;
    Installed = seam;
    return previous;
}

QString MessageCaption() {
    QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Glyphforge") : name;
}

void ShowMessage(const QString& text, QWidget* owner) {
    CurrentSeam().ShowMessage(owner, text, MessageCaption());
}

QString WithReasonBelow(const QString& text, const std::string& reason) {
    return reason.empty() ? text : text + QStringLiteral("\n") + QString::fromStdString(reason);
}

Answer AskYesNo(const QString& text, const QString& caption, QWidget* owner) {
    return CurrentSeam().Ask(owner, text, caption, false);
}

Answer AskYesNoCancel(const QString& text, const QString& caption, QWidget* owner) {
    return CurrentSeam().Ask(owner, text, caption, true);
}

std::optional<Color> ChooseColor(Color initial, QWidget* owner) {
    return CurrentSeam().ChooseColor(owner, initial);
}

int RunModal(QDialog& dialog) {
    return CurrentSeam().RunModal(dialog);
}

bool CanReadScreen() {
    return CurrentSeam().CanReadScreen();
}
Bitmap GrabScreenRect(const QRect& rect, Color offScreen) {
    return CurrentSeam().GrabScreenRect(rect, offScreen);
}
Color ScreenPixel(const QPoint& pos) {
    return CurrentSeam().ScreenPixel(pos);
}
QPoint PointerPos() {
    return CurrentSeam().PointerPos();
}
void MovePointer(const QPoint& pos) {
    CurrentSeam().MovePointer(pos);
}
bool CanMovePointer() {
    return CurrentSeam().CanMovePointer();
}
void ClickAt(const QPoint& pos) {
    CurrentSeam().ClickAt(pos);
}

void ShowScreenFrame(const QRect& area) {
    CurrentSeam().ShowScreenFrame(area);
}
void HideScreenFrame() {
    CurrentSeam().HideScreenFrame();
}
void HoldPointer(QWidget* holder, Qt::CursorShape cursor) {
    CurrentSeam().HoldPointer(holder, cursor);
}
void ReleasePointer() {
    CurrentSeam().ReleasePointer();
}

std::optional<Bitmap> ClipboardImage() {
    return CurrentSeam().ClipboardImage();
}
void SetClipboardImage(const Bitmap& picture) {
    CurrentSeam().SetClipboardImage(picture);
}

QString CanNotOpenWithShellMessage(const QString& fileOrUrl) {
    return QStringLiteral("No program could be started to open\n") + fileOrUrl;
}

void OpenWithShell(const QString& fileOrUrl, QWidget* owner) {
    // A late failure may come after the owner has gone; the box then has none.
    QPointer<QWidget> heldOwner(owner);
    CurrentSeam().OpenWithShell(fileOrUrl, [heldOwner, fileOrUrl] {
        ShowMessage(CanNotOpenWithShellMessage(fileOrUrl), heldOwner.data());
    });
}

bool MayOverwrite(const std::filesystem::path& target, QWidget* owner) {
    std::error_code ec;
    if (!std::filesystem::exists(target, ec))
        return true;
    return AskYesNo(QStringLiteral("File\n") + ToQString(target) +
                        QStringLiteral("\nhas existed. \nDo you want to overwrite it?"),
                    QStringLiteral("Overwrite"), owner) == Answer::Yes;
}

}  // namespace gf
