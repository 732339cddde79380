#include "platform/qt/qt_seam.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>
#include <algorithm>

namespace gf {

namespace {

// The picture under the open dialog's selection, scaled down to fit, with its size below it.
void AddPicturePreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("PicturePreview"));
    preview->setFixedSize(180, 200);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    preview->setFrameShadow(QFrame::Sunken);
    grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
    QObject::connect(
        &dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            const QSize size = reader.size();
            if (!size.isValid() || size.isEmpty()) {
                preview->clear();
                return;
            }
            const QSize box(160, 160);
            if (size.width() > box.width() || size.height() > box.height())
                reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
            const QImage picture = reader.read();
            if (picture.isNull()) {
                preview->clear();
                return;
            }
            preview->setPixmap(QPixmap::fromImage(picture));
            preview->setToolTip(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
        });
}

}  // namespace

QStringList QtNameFilters(const std::vector<FileFilterEntry>& entries) {
    QStringList filters;
    for (const FileFilterEntry& entry : entries) {
        QStringList patterns;
        for (const QString& p : entry.Patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        filters << entry.Description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

QString SuffixOfDefaultExt(const QString& defaultExt) {
    QString suffix = defaultExt;
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return suffix;
}

bool LooksLikeUrl(const QString& text) {
    for (const char* scheme : {"http://", "https://", "mailto:", "file://"})
        if (text.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

void QtSeam::ShowMessage(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, owner);
    // Messages name files and addresses; the user may copy them from here.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

Answer QtSeam::Ask(QWidget* owner, const QString& text, const QString& caption, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, caption, text, buttons, owner);
    box.setDefaultButton(QMessageBox::Yes);
    const int result = box.exec();
    if (result == QMessageBox::Yes)
        return Answer::Yes;
    if (result == QMessageBox::No)
        return Answer::No;
    return withCancel ? Answer::Cancel : Answer::No;
}

bool QtSeam::RunFileDialog(QWidget* owner, FileDialog& dialog) {
    const bool save = dialog.Mode == FileDialog::Kind::Save;
    QFileDialog box(owner, dialog.Title);
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    box.setOption(QFileDialog::HideNameFilterDetails);
    if (save && !dialog.OverwritePrompt)
        box.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.PicturePreview && !save)
        box.setOption(QFileDialog::DontUseNativeDialog);

    const std::vector<FileFilterEntry> entries = ParseFileFilter(dialog.Filter);
    const QStringList filters = QtNameFilters(entries);
    if (!filters.isEmpty()) {
        box.setNameFilters(filters);
        const int index = std::clamp(dialog.FilterIndex, 1, static_cast<int>(filters.size()));
        box.selectNameFilter(filters[index - 1]);
    }
    if (!dialog.FileName.isEmpty())
        box.selectFile(dialog.FileName);
    if (save && !dialog.DefaultExt.isEmpty())
        box.setDefaultSuffix(SuffixOfDefaultExt(dialog.DefaultExt));
    if (dialog.PicturePreview && !save)
        AddPicturePreview(box);
    // Wide enough for the Size, Type and Date columns beside the names, within the screen.
    QSize size = box.sizeHint().expandedTo(QSize(dialog.PicturePreview && !save ? 1000 : 820, 520));
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    box.resize(size);
    // The names take the room the Size, Type and Date columns leave; those fit their contents.
    if (auto* details = box.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }

    if (box.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = box.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    dialog.FileName = chosen.first();
    // With the pattern part hidden the dialog reports the filter as shown: the description.
    const QString chosenFilter = box.selectedNameFilter();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (chosenFilter == filters[i] ||
            chosenFilter == entries[static_cast<std::size_t>(i)].Description.trimmed()) {
            dialog.FilterIndex = static_cast<int>(i) + 1;
            break;
        }
    }
    return true;
}

std::optional<Color> QtSeam::ChooseColor(QWidget* owner, Color initial) {
    const QColor chosen =
        QColorDialog::getColor(QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), owner);
    if (!chosen.isValid())
        return std::nullopt;
    return Rgb(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
               static_cast<std::uint8_t>(chosen.blue()));
}

int QtSeam::RunModal(QDialog& dialog) {
    return dialog.exec();
}

}  // namespace gf
