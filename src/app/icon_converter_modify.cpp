// The Modify Icon command: the working icon goes into the icon editor, which skips the
// transparency page, and the edited icon comes back as the working icon.

#include <filesystem>
#include <system_error>

#include "app/icon_converter.h"
#include "editor/icon_editor.h"
#include "editor/pixels/mask.h"
#include "platform/icon_draw.h"

namespace gf {

namespace {

// The working icon as the editor edits it: a 24-bit colour image (32-bit when the icon has 32
// bits) and an 8-bit mask of the same size. A 32-bit image is taken as the drawing rule shows
// it: its alpha where any alpha byte is non-zero (the mask then says nothing), else alpha from
// the mask.
void PrepareForEditing(const Bitmap& workColor, const Bitmap& workMask, Bitmap& color,
                       Bitmap& mask) {
    color = workColor;
    const bool has32 = workColor.Format() == PixelFormat::Bits32;
    color.SetFormat(has32 ? PixelFormat::Bits32 : PixelFormat::Bits24);
    mask = workMask;
    EnsureMask8(mask);
    if (mask.Width() != color.Width() || mask.Height() != color.Height())
        mask = MakeMask(color.Width(), color.Height());
    if (!has32 || IconUsesAlpha(color))
        return;
    for (int y = 0; y < color.Height(); ++y) {
        std::uint8_t* row = color.Row(y);
        const std::uint8_t* m = mask.Row(y);
        for (int x = 0; x < color.Width(); ++x)
            row[4 * x + 3] = static_cast<std::uint8_t>(255 - m[x]);
    }
}

}  // namespace

void TIconConverter::suiButton2Click() {
    if (WorkColor.Empty()) {
        ShowMessage(QStringLiteral("Please load or capture an image firstly."), this);
        return;
    }
    // The editor reads no picture file here; the name only prefixes its undo snapshots.
    const std::filesystem::path snapshots = WorkFile("icxor.bmp");
    {
        auto editor = CreateEditor(snapshots);
        PrepareForEditing(WorkColor, WorkMask, editor->IconColor, editor->IconMask);
        editor->SrcColor = editor->IconColor;
        editor->SrcMask = editor->IconMask;
        editor->EditExisting = 1;
        editor->InitImagesClick();
        if (RunModal(*editor) == 1)
            AdoptEditorResult(*editor);
    }
    std::error_code ec;
    std::filesystem::remove(snapshots, ec);
    // Also after Cancel.
    ShowWorkingIcon();
}

}  // namespace gf
