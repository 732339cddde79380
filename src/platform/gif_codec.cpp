#include "platform/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "platform/file_io.h"
#include "platform/picture_limits.h"

namespace gf {

namespace {

struct GifSource {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    if (length <= 0)
        return 0;
    std::size_t n = std::min(static_cast<std::size_t>(length), source->Size - source->Pos);
    std::memcpy(out, source->Data + source->Pos, n);
    source->Pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

std::string Damaged(int error) {
    const char* text = GifErrorString(error);
    return std::string("The GIF picture is damaged: ") + (text ? text : "unknown error");
}

// The Graphics Control Extension in force for the next image.
struct FrameControl {
    int Disposal = DISPOSAL_UNSPECIFIED;
    int DelayCs = 0;
    int Transparent = NO_TRANSPARENT_COLOR;
};

FrameControl ParseFrameControl(const GifByteType* block) {
    // block[0] is the length (at least 4), then packed fields, delay (little-endian), index.
    FrameControl control;
    GifByteType packed = block[1];
    control.Disposal = (packed >> 2) & 7;
    control.DelayCs = block[2] | (block[3] << 8);
    control.Transparent = (packed & 1) ? block[4] : NO_TRANSPARENT_COLOR;
    return control;
}

// Blue, green, red, alpha for every possible index. Indices the colour map does not cover
// are black; a picture without any map gets black and white for its first two, as the GIF
// format recommends.
using ColourTable = std::array<std::array<std::uint8_t, 4>, 256>;

ColourTable MakeColourTable(const ColorMapObject* map) {
    ColourTable table;
    for (auto& entry : table)
        entry = {0, 0, 0, 255};
    if (!map || !map->Colors) {
        table[1] = {255, 255, 255, 255};
        return table;
    }
    int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[i];
        table[static_cast<std::size_t>(i)] = {c.Blue, c.Green, c.Red, 255};
    }
    return table;
}

// A frame's rectangle clipped to the screen: [X0, X1) x [Y0, Y1).
struct Area {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

Area ClipToScreen(const GifImageDesc& desc, int width, int height) {
    Area a;
    a.X0 = std::clamp(desc.Left, 0, width);
    a.Y0 = std::clamp(desc.Top, 0, height);
    a.X1 = std::clamp(desc.Left + desc.Width, 0, width);
    a.Y1 = std::clamp(desc.Top + desc.Height, 0, height);
    return a;
}

void ClearArea(Bitmap& canvas, const Area& a) {
    if (a.X1 <= a.X0)
        return;
    for (int y = a.Y0; y < a.Y1; ++y)
        std::memset(canvas.Row(y) + static_cast<std::size_t>(a.X0) * 4, 0,
                    static_cast<std::size_t>(a.X1 - a.X0) * 4);
}

void DrawLine(Bitmap& canvas, const GifImageDesc& desc, int frameRow,
              const std::vector<GifPixelType>& line, const ColourTable& colours, int transparent) {
    int y = desc.Top + frameRow;
    if (y < 0 || y >= canvas.Height())
        return;
    int x0 = std::max(desc.Left, 0);
    int x1 = std::min(desc.Left + desc.Width, canvas.Width());
    std::uint8_t* row = canvas.Row(y);
    for (int x = x0; x < x1; ++x) {
        int index = line[static_cast<std::size_t>(x - desc.Left)];
        if (index == transparent)
            continue;
        std::memcpy(row + static_cast<std::size_t>(x) * 4,
                    colours[static_cast<std::size_t>(index)].data(), 4);
    }
}

// Decodes the current image's pixels onto the canvas. Interlaced images arrive in four passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
bool DrawImage(GifFileType* gif, Bitmap& canvas, const ColourTable& colours, int transparent,
               std::vector<GifPixelType>& line) {
    const GifImageDesc desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0) {
        // Nothing to draw; the (empty) data blocks still have to be read past.
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
            return false;
        while (block)
            if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
                return false;
        return true;
    }
    line.resize(static_cast<std::size_t>(desc.Width));
    static constexpr int InterlacedStart[4] = {0, 4, 2, 1};
    static constexpr int InterlacedStep[4] = {8, 8, 4, 2};
    int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        int start = desc.Interlace ? InterlacedStart[pass] : 0;
        int step = desc.Interlace ? InterlacedStep[pass] : 1;
        for (int r = start; r < desc.Height; r += step) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                return false;
            DrawLine(canvas, desc, r, line, colours, transparent);
        }
    }
    return true;
}

enum class Step { Continue, End, Failed };

// Reads one extension, keeping a Graphics Control Extension's settings for the next image.
Step ReadExtension(GifFileType* gif, FrameControl& control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return Step::Failed;
    bool first = true;
    while (block) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4)
            control = ParseFrameControl(block);
        first = false;
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return Step::Failed;
    }
    return Step::Continue;
}

class FrameComposer {
  public:
    explicit FrameComposer(GifFileType* gif) : Gif(gif) {}

    // Reads every record; frames are composed as a viewer shows them.
    Result<GifAnimation> Run() {
        FrameControl control;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(Gif, &type) == GIF_ERROR) {
                // Whatever follows the last complete frame (a missing trailer, stray bytes)
                // does not spoil the frames before it.
                if (!Animation.Frames.empty())
                    break;
                return Error{Damaged(Gif->Error)};
            }
            if (type == TERMINATE_RECORD_TYPE)
                break;
            if (type == EXTENSION_RECORD_TYPE) {
                if (ReadExtension(Gif, control) == Step::Failed) {
                    if (!Animation.Frames.empty())
                        break;
                    return Error{Damaged(Gif->Error)};
                }
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE)
                return Error{Damaged(D_GIF_ERR_WRONG_RECORD)};
            if (auto failure = AddFrame(control))
                return *failure;
            // A Graphics Control Extension applies to the one image after it.
            control = FrameControl{};
        }
        if (Animation.Frames.empty())
            return Error{"The GIF picture holds no image."};
        return std::move(Animation);
    }

  private:
    std::optional<Error> AddFrame(const FrameControl& control) {
        if (Animation.Frames.size() >= MaxGifFrames)
            return Error{"The GIF animation has more than " + std::to_string(MaxGifFrames) +
                         " frames."};
        if (DGifGetImageDesc(Gif) == GIF_ERROR)
            return Error{Damaged(Gif->Error)};
        const GifImageDesc desc = Gif->Image;
        if (Canvas.Empty()) {
            if (auto failure = MakeCanvas(desc))
                return failure;
        }
        // The frames so far, this one, the screen being composed and its saved copy.
        std::uint64_t pictures = Animation.Frames.size() + 2 + (Saved.Empty() ? 0 : 1);
        if (!DecodedPictureFits(static_cast<std::uint64_t>(Canvas.Width()),
                                static_cast<std::uint64_t>(Canvas.Height()), 4, pictures))
            return Error{"The GIF animation is too large to load."};

        // The previous frame leaves the screen as its disposal method says.
        if (PreviousDisposal == DISPOSE_BACKGROUND)
            ClearArea(Canvas, PreviousArea);
        else if (PreviousDisposal == DISPOSE_PREVIOUS)
            Canvas = Saved;
        if (control.Disposal == DISPOSE_PREVIOUS)
            Saved = Canvas;

        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : Gif->SColorMap;
        ColourTable colours = MakeColourTable(map);
        if (!DrawImage(Gif, Canvas, colours, control.Transparent, Line))
            return Error{Damaged(Gif->Error)};

        Animation.Frames.push_back(Canvas);
        Animation.DelaysMs.push_back(control.DelayCs * 10);
        PreviousDisposal = control.Disposal;
        PreviousArea = ClipToScreen(desc, Canvas.Width(), Canvas.Height());
        return std::nullopt;
    }

    std::optional<Error> MakeCanvas(const GifImageDesc& first) {
        // A screen of no size is taken from the first frame, as viewers do.
        int width = Gif->SWidth > 0 ? Gif->SWidth : first.Left + first.Width;
        int height = Gif->SHeight > 0 ? Gif->SHeight : first.Top + first.Height;
        if (width <= 0 || height <= 0)
            return Error{"The GIF picture has no size."};
        if (width > MaxBitmapSide || height > MaxBitmapSide)
            return Error{"The GIF picture's size is not supported."};
        if (!DecodedPictureFits(static_cast<std::uint64_t>(width),
                                static_cast<std::uint64_t>(height), 4, 2))
            return Error{"The GIF picture is too large to load."};
        Canvas = Bitmap(width, height, PixelFormat::Bits32);
        Animation.Width = width;
        Animation.Height = height;
        return std::nullopt;
    }

    GifFileType* Gif;
    GifAnimation Animation;
    Bitmap Canvas;
    Bitmap Saved;
    int PreviousDisposal = DISPOSAL_UNSPECIFIED;
    Area PreviousArea;
    std::vector<GifPixelType> Line;
};

}  // namespace

Result<GifAnimation> DecodeGif(Bytes data) {
    if (data.size() < 6 || std::memcmp(data.data(), "GIF", 3) != 0)
        return Error{"The file is not a GIF picture."};
    try {
        GifSource source{data.data(), data.size(), 0};
        int error = 0;
        GifHandle gif(DGifOpen(&source, ReadGifBytes, &error));
        if (!gif)
            return Error{Damaged(error)};
        if (gif->SWidth > MaxBitmapSide || gif->SHeight > MaxBitmapSide)
            return Error{"The GIF picture's size is not supported."};
        return FrameComposer(gif.get()).Run();
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the GIF picture."};
    }
}

Result<GifAnimation> LoadGifFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return DecodeGif(*bytes);
}

}  // namespace gf
