// The working icon's preview over the backdrop, the info line, the reading of an icon file's
// image header, and the recolouring of the backdrop by a wide drag over the preview.

#include <QLabel>
#include <algorithm>
#include <cstdlib>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "iconfile/ico_format.h"
#include "iconfile/ico_reader.h"
#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"

namespace gf {

namespace {

// The outline of [0, w) x [0, h): the frame around the preview.
void DrawFrame(Bitmap& target, Color color) {
    const int w = target.Width();
    const int h = target.Height();
    target.FillRect(0, 0, w, 1, color);
    target.FillRect(0, h - 1, w, h, color);
    target.FillRect(0, 0, 1, h, color);
    target.FillRect(w - 1, 0, w, h, color);
}

}  // namespace

void TIconConverter::ShowWorkingIcon() {
    const int w = Image2->width();
    const int h = Image2->height();
    Bitmap preview(w, h, PixelFormat::Bits24);
    preview.CopyRect(Backdrop, 0, 0, std::min(w, Backdrop.Width()), std::min(h, Backdrop.Height()),
                     0, 0);
    DrawFrame(preview, Black);

    // Without a working icon (or with a mask that does not fit it) only the backdrop and the
    // frame are drawn and the info line stays as it is.
    const bool haveIcon = !WorkColor.Empty() && WorkMask.Width() == WorkColor.Width() &&
                          WorkMask.Height() == WorkColor.Height();
    if (haveIcon) {
        const int iw = WorkColor.Width();
        const int ih = WorkColor.Height();
        DrawIcon(preview, (w - iw) / 2, (h - ih) / 2, WorkColor, WorkMask);
        Label1->setText(QStringLiteral("%1 X %2 X %3 bits")
                            .arg(iw)
                            .arg(ih)
                            .arg(DisplayBitsFromCode(WorkPixelFormat)));
    }
    Image2->SetPicture(ToQImage(preview));
}

int TIconConverter::ReadIconFileInfo(const std::filesystem::path& path, IconFileInfo& info) {
    Result<std::vector<std::uint8_t>> file = ReadFileBytes(path);
    if (!file) {
        ShowMessage(WithReasonBelow(QStringLiteral("Can not open file ") + ToQString(path),
                                    file.GetError().Cause),
                    this);
        return 0;
    }
    const Bytes data(*file);
    auto damaged = [&] {
        ShowMessage(
            QStringLiteral("The icon file ") + ToQString(path) + QStringLiteral(" is damaged."),
            this);
        return 0;
    };
    const std::optional<std::uint16_t> count = ReadU16(data, 4);
    if (!count)
        return damaged();

    IconFileInfo last = info;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t entry = IconDirHeaderSize + IconDirEntrySize * i;
        const std::optional<std::uint32_t> size = ReadU32(data, entry + 8);
        const std::optional<std::uint32_t> offset = ReadU32(data, entry + 12);
        if (!size || !offset || *offset >= data.size())
            return damaged();
        const std::size_t available = data.size() - *offset;
        const Bytes block = data.subspan(*offset, std::min<std::size_t>(*size, available));
        // A DIB header, or the IHDR chunk of an image stored as PNG.
        const IconBlockHeader header = ReadIconBlockHeader(block);
        last.Width = static_cast<int>(header.Width);
        last.Height = static_cast<int>(header.Height);
        last.BitCount = header.BitCount;
        last.Code = CodeFromBitCount(header.BitCount);
        last.ImageSize = *size;
        last.ImageOffset = *offset;
    }
    info = last;
    return 1;
}

void TIconConverter::Image2MouseDown(Qt::MouseButton, int x, int y) {
    Pressed = true;
    PressPoint = QPoint(x, y);
}

void TIconConverter::Image2MouseUp(Qt::MouseButton, int x, int) {
    const bool wasPressed = Pressed;
    Pressed = false;
    if (!wasPressed || std::abs(x - PressPoint.x()) <= 100 || Backdrop.Empty())
        return;

    // Bands from the colour under the press point towards the screen colour under the
    // pointer now.
    const int px = std::clamp(PressPoint.x(), 0, Backdrop.Width() - 1);
    const int py = std::clamp(PressPoint.y(), 0, Backdrop.Height() - 1);
    const Color c0 = Backdrop.GetPixel(px, py);
    const Color c1 = ScreenPixel(PointerPos());
    const int bands = Backdrop.Height() / 10;
    if (bands <= 0)
        return;
    const int from[3] = {RedOf(c0), GreenOf(c0), BlueOf(c0)};
    const int to[3] = {RedOf(c1), GreenOf(c1), BlueOf(c1)};
    int step[3];
    int running[3];
    for (int c = 0; c < 3; ++c) {
        step[c] = (to[c] - from[c]) / bands;
        running[c] = from[c];
    }
    for (int i = 0; i < bands; ++i) {
        const Color band = Rgb(static_cast<std::uint8_t>(running[0] & 0xFF),
                               static_cast<std::uint8_t>(running[1] & 0xFF),
                               static_cast<std::uint8_t>(running[2] & 0xFF));
        Backdrop.FillRect(-10, 10 * i, Backdrop.Width() + 10, 10 * (i + 1), band);
        for (int c = 0; c < 3; ++c)
            running[c] += step[c];
    }
    Image1->SetPicture(ToQImage(Backdrop));
    ShowWorkingIcon();
}

}  // namespace gf
