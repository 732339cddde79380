// The Save Icon command and its context menu: the working icon file written out as an ICO file
// (a copy, or the working icon put in front of the images of an existing ICO file), as a PNG
// with transparency, or as a BMP flattened onto the colour chosen in suiColorBox1. What is saved
// is always the working icon file, never the preview.

#include <QString>
#include <filesystem>
#include <system_error>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "iconfile/byte_source.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "iconlist/list_icons.h"
#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/qt/qt_path.h"

namespace gf {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// The chosen name with its extension replaced (added when it has none): logo.png typed under
// the ICON filter is written as logo.ico.
fs::path WithExtension(const QString& chosen, const char* extension) {
    return ToPath(chosen).replace_extension(extension);
}

QString InsertQuestion(const fs::path& target) {
    return QStringLiteral("Icon file\n") + ToQString(target) +
           QStringLiteral(
               "\nhas existed. \nDo you want to insert the current icon or overwrite?\n\n'Yes' "
               "to insert and 'No' to overwrite.");
}

void TellNotWritten(QWidget* owner, const fs::path& target, const std::string& why) {
    ShowMessage(QStringLiteral("Can not write file ") + ToQString(target) + QStringLiteral("\n\n") +
                    QString::fromStdString(why),
                owner);
}

// The number of images the icon file reader finds in an ICO file, or -1 when it cannot be
// opened.
int CountIconImages(const fs::path& file) {
    auto source = FileSource::Open(file);
    if (!source)
        return -1;
    return static_cast<int>(ListIconImages(**source, IconContainer::IconFile).Images.size());
}

// The working icon put in front of the images of the existing ICO file `target`, through a list
// window that is never shown. The old file is replaced only by a complete new one, and only when
// every one of its images was read: inserting never loses an image the user had. True when the
// file was written.
bool InsertIntoIconFile(TIconConverter& w, const fs::path& target) {
    TListIcons list(w.WorkFolder, &w);
    list.Icons.Clear();
    const ExtractResult found = ExtractIconsToFiles(target, list.Icons, w.WorkFolder);
    if (found.Count < 0) {
        // The reader's own message says the file cannot be opened.
        ShowMessage(QString::fromStdString(found.Message), &w);
        return false;
    }
    const int listed = CountIconImages(target);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(target, ec);
    const bool emptyDirectory = found.Count == 0 && !ec && size <= IconDirHeaderSize;
    if ((found.Count == 0 && !emptyDirectory) || found.Count < listed) {
        ShowMessage(QStringLiteral("Icon file\n") + ToQString(target) +
                        QStringLiteral("\ncan not be read whole, so the current icon was not "
                                       "inserted. \nChoose 'No' to overwrite it instead."),
                    &w);
        return false;
    }

    list.OpenDialog1.FileName = ToQString(w.WorkFile("eitemp.ico"));
    list.OpenDialog1.Tag = 1;
    list.AddIconExecute();  // at the selected position, 0 in a fresh window: the first image
    list.SaveDialog1.FileName = ToQString(target);
    list.SaveDialog1.Tag = 1;
    // SaveAll replaces the target atomically and reports its own failures.
    return list.SaveAllExecute();
}

const char* ExtensionOfFilter(int filterIndex) {
    switch (filterIndex) {
        case 2:
            return ".bmp";
        case 3:
            return ".png";
        default:
            return ".ico";
    }
}

}  // namespace

QString TIconConverter::ProposedSaveName(int filterIndex) const {
    if (WorkIconName.empty())
        return QString();
    fs::path name = WorkIconName;
    name += ExtensionOfFilter(filterIndex);
    return ToQString(name);
}

void TIconConverter::suiButton3Click() {
    // Nothing to save before a working icon exists.
    const fs::path work = WorkFile("eitemp.ico");
    if (!Exists(work))
        return;
    Result<IconImage> icon = LoadIconFileFirstSize(work);
    IconFileInfo info;
    ReadIconFileInfo(work, info);

    // The command asks its own questions, about the name it really writes (logo.png chosen
    // under the ICON filter writes logo.ico).
    SaveDialog1.OverwritePrompt = false;
    // The working icon's own name in the format the dialog opens on; the dialog changes the
    // extension itself when the user picks another format.
    SaveDialog1.FileName = ProposedSaveName(SaveDialog1.FilterIndex);
    if (!SaveDialog1.Execute(this))
        return;
    const QString chosen = SaveDialog1.FileName;
    // Once written, the icon goes by the name it was saved under.
    auto saved = [this](const fs::path& target) {
        WorkIconName = fs::path(target).replace_extension();
    };
    // A picture file that exists is replaced only when the user agrees (MayOverwrite); once
    // agreed, a read-only one too (and it stays read-only).
    switch (SaveDialog1.FilterIndex) {
        case 2: {  // BMP
            const fs::path target = WithExtension(chosen, ".bmp");
            if (!MayOverwrite(target, this))
                return;
            if (!icon) {
                TellNotWritten(this, target, icon.ErrorMessage());
                return;
            }
            // The size the file's header gives; a header that says nothing usable (an image
            // stored as PNG that the header reader does not know) gives the icon's own.
            int width = info.Width;
            int height = info.Height;
            if (width <= 0 || height <= 0 || width > MaxIconSide || height > MaxIconSide) {
                width = icon->Width();
                height = icon->Height();
            }
            Bitmap flat(width, height, PixelFormat::Bits24);
            flat.Fill(suiColorBox1->Selected());
            if (width == icon->Width() && height == icon->Height())
                DrawIcon(flat, 0, 0, icon->Color, icon->Mask);
            else
                DrawIconStretched(flat, 0, 0, width, height, icon->Color, icon->Mask);
            const Status written = SaveBmpFile(flat, target, ReadOnlyTarget::Replace);
            if (!written)
                TellNotWritten(this, target, written.ErrorMessage());
            else
                saved(target);
            return;
        }
        case 3: {  // PNG
            const fs::path target = WithExtension(chosen, ".png");
            if (!MayOverwrite(target, this))
                return;
            const Status written =
                icon ? SaveIconAsPng(*icon, info.BitCount, target, ReadOnlyTarget::Replace)
                     : Status(icon.GetError());
            if (!written)
                TellNotWritten(this, target, written.ErrorMessage());
            else
                saved(target);
            return;
        }
        default: {  // ICON
            const fs::path target = WithExtension(chosen, ".ico");
            if (Exists(target)) {
                const Answer answer = AskYesNoCancel(InsertQuestion(target),
                                                     QStringLiteral("Insert or overwrite"), this);
                if (answer == Answer::Cancel)
                    return;
                if (answer == Answer::Yes) {
                    if (InsertIntoIconFile(*this, target))
                        saved(target);
                    return;
                }
            }
            const Status copied = CopyFileAtomic(work, target, ReadOnlyTarget::Replace);
            if (!copied)
                TellNotWritten(this, target, copied.ErrorMessage());
            else
                saved(target);
            return;
        }
    }
}

void TIconConverter::SaveasICON1Click() {
    SaveDialog1.FilterIndex = 1;
    suiButton3Click();
}

void TIconConverter::SaveasPNG1Click() {
    SaveDialog1.FilterIndex = 3;
    suiButton3Click();
}

void TIconConverter::SaveasBMP1Click() {
    SaveDialog1.FilterIndex = 2;
    suiButton3Click();
}

}  // namespace gf
