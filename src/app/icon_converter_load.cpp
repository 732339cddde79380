// The Load Image command: any supported file becomes the working icon. Pictures of other
// formats are converted, every picture is limited to 256 x 256, written as the working picture
// "eitemp.bmp" and goes through the icon editor, whose result becomes the working icon; icon and
// cursor files and executables are cut into one-image files, and the one chosen (through the
// icon list window when there are several) becomes the working icon file "eitemp.ico", from
// which the working bitmaps are reloaded.

#include <QString>
#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "editor/icon_editor.h"
#include "gifpicker/gif_loader.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "iconfile/picture_convert.h"
#include "iconlist/list_icons.h"
#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/qt/metafile_painter.h"
#include "platform/qt/qt_path.h"
#include "platform/wmf_parser.h"

namespace gf {

namespace fs = std::filesystem;

namespace {

constexpr const char* NoIconMessage = "No icon exists in this file!";

// The file's kinds as the command knows them: the extension, lower-cased with the locale's
// rules, so ".JPG" is a JPEG.
std::string KindOf(const fs::path& path) {
    return ToQString(path.extension()).toLower().toStdString();
}

bool IsIconContainerKind(const std::string& kind) {
    return kind == ".cur" || kind == ".exe" || kind == ".ico" || kind == ".dll" || kind == ".scr" ||
           kind == ".ocx" || kind == ".icon";
}

// True when some pixel of the 32-bit picture is not fully opaque.
bool HasTransparentPixel(const Bitmap& picture32) {
    for (int y = 0; y < picture32.Height(); ++y) {
        const std::uint8_t* row = picture32.Row(y);
        for (int x = 0; x < picture32.Width(); ++x)
            if (row[4 * x + 3] != 255)
                return true;
    }
    return false;
}

// One GIF frame as the picture to convert. A frame with transparent parts stays 32-bit, so the
// editor takes its transparency from the alpha; an opaque frame becomes 24-bit and goes
// through the editor's transparency page like any opaque picture.
Bitmap GifFramePicture(const Bitmap& frame) {
    if (frame.Format() == PixelFormat::Bits32 && !HasTransparentPixel(frame))
        return frame.ConvertedTo(PixelFormat::Bits24);
    return frame;
}

// The conversion of a picture of another format into the working picture. The converted
// picture is handed to the picture step in memory, which writes the working picture
// "eitemp.bmp" once, at most 256 x 256: a large picture never becomes a full-size BMP file in
// the working folder. A conversion that fails leaves LoadKind as it was, so the later steps
// pass the file by; the user is told why, since a picture that silently does nothing would
// leave them guessing (a damaged file, or one far too large to load).
// A converted picture, and whether its alpha is its transparency even where all of it is 0 (a
// PNG with alpha, a GIF frame with transparent parts).
struct ConvertedPicture {
    Bitmap Pixels;
    bool AlphaIsTransparency = false;
};

Result<ConvertedPicture> ConvertPicture(TIconConverter& w) {
    auto guarded = [](auto&& convert) -> Result<ConvertedPicture> {
        try {
            return convert();
        } catch (const std::bad_alloc&) {
            return Error{"Not enough memory to load the picture."};
        } catch (const std::exception& e) {
            return Error{e.what()};
        } catch (...) {
            return Error{"The picture could not be converted."};
        }
    };
    const std::string& kind = w.LoadKind;
    if (kind == ".wmf") {
        return guarded([&]() -> Result<ConvertedPicture> {
            auto picture = wmf::LoadWmfFile(w.LoadPath);
            if (!picture)
                return picture.GetError();
            auto rendered = RenderMetafile(*picture);
            if (!rendered)
                return rendered.GetError();
            return ConvertedPicture{LimitPictureForEditor(*rendered)};
        });
    }
    // Pictures are shrunk to the editor's limit while they are decoded, so a picture far too
    // large to hold whole still loads.
    if (kind == ".jpg" || kind == ".jpeg") {
        return guarded([&]() -> Result<ConvertedPicture> {
            auto bytes = ReadFileBytes(w.LoadPath);
            if (!bytes)
                return bytes.GetError();
            auto jpeg = DecodeJpegShrunk(*bytes, EditorPicturePlan);
            if (!jpeg)
                return jpeg.GetError();
            return ConvertedPicture{std::move(*jpeg)};
        });
    }
    if (kind == ".png") {
        return guarded([&]() -> Result<ConvertedPicture> {
            auto bytes = ReadFileBytes(w.LoadPath);
            if (!bytes)
                return bytes.GetError();
            auto png = DecodePngShrunk(*bytes, EditorPicturePlan);
            if (!png)
                return png.GetError();
            return ConvertedPicture{std::move(png->Pixels), png->HasAlpha};
        });
    }
    if (kind == ".gif") {
        return guarded([&]() -> Result<ConvertedPicture> {
            auto picker = std::make_unique<TGifLoader>(&w);
            GifLoader = picker.get();
            picker->GifPath = ToQString(w.LoadPath);
            Status loaded = picker->LoadGifImageClick();
            if (!loaded)
                return Error{loaded.ErrorMessage()};
            const int frames = picker->FrameCount();
            if (frames > 1)
                RunModal(*picker);
            // The picker keeps its selection on a frame; should it not, the first is taken.
            int selected = picker->SelectedFrame;
            if (selected < 0 || selected >= frames)
                selected = 0;
            auto frame = picker->FramePicture(selected);
            if (!frame)
                return frame.GetError();
            const Bitmap picture = GifFramePicture(*frame);
            const bool transparent = picture.Format() == PixelFormat::Bits32;
            return ConvertedPicture{LimitPictureForEditor(picture), transparent};
        });
    }
    return Error{""};  // not a picture to convert
}

bool IsConvertedKind(const std::string& kind) {
    return kind == ".wmf" || kind == ".jpg" || kind == ".jpeg" || kind == ".png" || kind == ".gif";
}

// The working icon takes the name of the file the user loaded; a picture of the working folder
// (a capture) gives it none.
void NameWorkingIcon(TIconConverter& w, const fs::path& loaded) {
    const bool working =
        (loaded.parent_path() / "").lexically_normal() == (w.WorkFolder / "").lexically_normal();
    w.WorkIconName = working ? fs::path() : fs::path(loaded).replace_extension();
}

void TellPictureFailed(TIconConverter& w, const fs::path& file, const std::string& why) {
    ShowMessage(QStringLiteral("Can not load the picture\n") + ToQString(file) +
                    QStringLiteral("\n\n") + QString::fromStdString(why),
                &w);
}

// A BMP file limited to the editor's size as it is read.
Result<Bitmap> LoadBmpForEditor(const fs::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return DecodeBmpShrunk(*bytes, EditorPicturePlan);
}

// The picture step and the editor. `converted` is the picture a conversion produced, already
// limited to the editor's size, else the BMP file LoadPath is read. False when the command is
// to end at once (the picture could not be read or written): nothing is redrawn then.
bool RunPictureStep(TIconConverter& w, std::optional<ConvertedPicture> converted,
                    const fs::path& original) {
    const fs::path picture = w.WorkFile("eitemp.bmp");
    const bool declared = converted && converted->AlphaIsTransparency;
    Result<Bitmap> source = converted ? Result<Bitmap>(std::move(converted->Pixels))
                                      : LoadBmpForEditor(w.LoadPath);
    if (source && source->Empty())
        source = Error{"The picture is empty."};
    if (!source) {
        TellPictureFailed(w, original, source.ErrorMessage());
        return false;
    }
    // The editor reads the picture from the file, which says whether its alpha is real.
    const Status written =
        SaveBmpFile(*source, picture, ReadOnlyTarget::Refuse,
                    declared ? BmpAlpha::Declared : BmpAlpha::Undeclared);
    if (!written) {
        TellPictureFailed(w, original, written.ErrorMessage());
        return false;
    }
    w.LoadPath = picture;

    auto editor = w.CreateEditor(w.LoadPath);
    try {
        editor->InitImagesClick();
    } catch (const std::exception& e) {
        TellPictureFailed(w, original, e.what());
        return false;
    }
    if (RunModal(*editor) != 1 || !w.AdoptEditorResult(*editor))
        w.LoadKind = "no_file";
    else
        NameWorkingIcon(w, original);
    return true;
}

// The chosen one-image file becomes the working icon file, but only when it holds an icon
// that can be shown: the working icon file and the working bitmaps must stay one icon.
bool AdoptIconFile(TIconConverter& w, const fs::path& chosen) {
    Result<IconImage> icon = LoadIconFileFirstSize(chosen);
    Status copied =
        icon ? CopyFileAtomic(chosen, w.WorkFile("eitemp.ico")) : Status(icon.GetError());
    if (!copied) {
        ShowMessage(QStringLiteral("Can not load the icon\n\n") +
                        QString::fromStdString(copied.ErrorMessage()),
                    &w);
        return false;
    }
    w.LoadKind = ".ico";
    NameWorkingIcon(w, w.LoadPath);
    return true;
}

// Icon and cursor files and executables: every image is cut out; one is chosen.
void RunContainerStep(TIconConverter& w) {
    // A cursor file is read as an icon file under an icon file's name. The copy is a working
    // file of its own, so the working icon file is replaced only by the image finally chosen.
    fs::path source = w.LoadPath;
    const fs::path cursorCopy = w.WorkFile("eicursor.ico");
    const bool cursor = w.LoadKind == ".cur";
    if (cursor) {
        if (Status copied = CopyFileAtomic(w.LoadPath, cursorCopy); !copied) {
            ShowMessage(WithReasonBelow(QStringLiteral("Can not open file ") + ToQString(w.LoadPath),
                                        copied.ErrorCause()),
                        &w);
            return;
        }
        source = cursorCopy;
    }

    TListIcons list(w.WorkFolder, &w);
    list.Icons.Clear();
    const ExtractResult found = ExtractIconsToFiles(source, list.Icons, w.WorkFolder);
    if (cursor) {
        std::error_code ec;
        fs::remove(cursorCopy, ec);
    }
    if (!found.Message.empty())
        ShowMessage(QString::fromStdString(found.Message), &w);

    const int count = static_cast<int>(list.Icons.Size());
    if (count > 1) {
        const int result = RunModal(list);
        const int selected = list.SelectedIndex;
        // The user may have deleted icons in the window; the index is checked against the set
        // as it is now.
        if (result == TListIcons::ResultOk && selected >= 0 &&
            selected < static_cast<int>(list.Icons.Size()))
            AdoptIconFile(w, list.Icons.IconFiles[static_cast<std::size_t>(selected)]);
    } else if (count == 1) {
        AdoptIconFile(w, list.Icons.IconFiles[0]);
    } else if (found.Message != NoIconMessage) {
        ShowMessage(QString::fromLatin1(NoIconMessage), &w);
    }
    // The list window deletes its one-image files as it goes.
}

// The working bitmaps are reloaded from the working icon file.
void RunIconStep(TIconConverter& w) {
    const fs::path file = w.WorkFile("eitemp.ico");
    // No working icon file yet (a list window cancelled before anything was loaded), or one
    // that cannot be shown: the working bitmaps stay as they are.
    std::error_code ec;
    if (!fs::exists(file, ec))
        return;
    Result<IconImage> icon = LoadIconFileFirstSize(file);
    if (!icon)
        return;
    IconFileInfo info;
    w.ReadIconFileInfo(file, info);
    const PixelFormatCode code = info.Code;
    w.WorkMask = std::move(icon->Mask);
    w.WorkColor = std::move(icon->Color);
    w.WorkColor.SetFormat(code == CodeOf(PixelFormat::Bits32) ? PixelFormat::Bits32
                                                              : PixelFormat::Bits24);
    w.WorkPixelFormat = code;
}

}  // namespace

std::unique_ptr<TIconEditor> TIconConverter::CreateEditor(const fs::path& sourcePath) {
    auto editor = std::make_unique<TIconEditor>(this, &PixelFormatForEditor);
    editor->SourcePath = sourcePath;
    editor->ShowPage(editor->TabSheet1);
    return editor;
}

bool TIconConverter::AdoptEditorResult(const TIconEditor& editor) {
    const fs::path file = WorkFile("eitemp.ico");
    const Status saved = SaveBitmapsAsIcon(editor.IconColor, editor.IconMask, file);
    if (!saved) {
        ShowMessage(QStringLiteral("Can not write the working icon file\n") + ToQString(file) +
                        QStringLiteral("\n\n") + QString::fromStdString(saved.ErrorMessage()),
                    this);
        return false;
    }
    WorkColor = editor.IconColor;
    WorkMask = editor.IconMask;
    WorkPixelFormat = CodeOf(WorkColor.Format());
    return true;
}

void TIconConverter::suiButton1Click() {
    // Choose the file: a Tag of 1 means the caller has set LoadPath already.
    if (suiButton1->Tag == 1) {
        suiButton1->Tag = 0;
    } else {
        LoadPath.clear();
        if (OpenPictureDialog1.Execute(this))
            LoadPath = ToPath(OpenPictureDialog1.FileName);
    }
    if (LoadPath.empty())
        return;
    LoadKind = KindOf(LoadPath);
    const fs::path original = LoadPath;

    std::optional<ConvertedPicture> converted;
    if (IsConvertedKind(LoadKind)) {
        Result<ConvertedPicture> picture = ConvertPicture(*this);
        if (picture) {
            converted = std::move(*picture);
            LoadPath = WorkFile("eitemp.bmp");
            LoadKind = ".bmp";
        } else {
            TellPictureFailed(*this, original, picture.ErrorMessage());
        }
    }
    if (LoadKind == ".bmp" && !RunPictureStep(*this, std::move(converted), original))
        return;
    if (IsIconContainerKind(LoadKind))
        RunContainerStep(*this);
    if (LoadKind == ".ico")
        RunIconStep(*this);

    // Also when nothing was loaded (a kind no step knows, a failed conversion, a cancelled
    // list); not when the editor was cancelled.
    if (LoadKind != "no_file")
        ShowWorkingIcon();
}

}  // namespace gf
