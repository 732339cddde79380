// glyphforge-cli convert: a picture (BMP, PNG, JPEG, a metafile drawn by the windows' player, or
// the first frame of a GIF) becomes an icon or cursor file, optionally with several sizes in one
// file, and the PNG and BMP outputs of the Save command. By default each size is resampled from
// the whole picture with colour and alpha together; --resample editor goes the icon editor's road
// without its window instead (size page, transparency page, colour bits page and "Finish"), byte
// for byte as the windows write it.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "editor/pixels/editor_road.h"
#include "iconfile/ico_storage.h"
#include "iconfile/ico_writer.h"
#include "iconfile/icon_image.h"
#include "iconfile/icon_pack.h"
#include "iconfile/ico_reader.h"
#include "iconfile/picture_convert.h"
#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/gif_codec.h"
#include "platform/icon_draw.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/metafile_module.h"

namespace gf::cli {

namespace {

constexpr const char* ConvertUsage =
    "Usage: glyphforge-cli convert [OPTIONS] PICTURE OUT.ico\n"
    "\n"
    "Converts a BMP, PNG, JPEG, GIF or WMF picture (recognised by its content, else by its\n"
    "extension; of a GIF the first frame; a metafile drawn at its own size on white) into an\n"
    "icon file, or with --cursor a cursor file. Each size is resampled from the whole picture,\n"
    "colour and alpha together, so small sizes stay sharp and semi-transparent edges keep\n"
    "their own colour; the aspect ratio is not kept. A picture whose alpha channel is in use\n"
    "gets its transparency from it; any other picture is opaque unless a transparent colour\n"
    "is given.\n"
    "\n"
    "Size:\n"
    "  --size WxH             icon size, each side 1..256 (default: the picture's size, each\n"
    "                         side at most 256)\n"
    "  --sizes N,N,...        several square sizes written as one multi-image icon file,\n"
    "                         in the order given (for example 16,24,32,48,64,128,256)\n"
    "  --filter KIND          box (default: area average, each pixel the mean of the picture's\n"
    "                         pixels it covers; enlarging repeats pixels), mitchell\n"
    "                         (smooth) or lanczos (sharpest, may ring at hard edges)\n"
    "  --resample ROAD        premultiplied (default), or editor: the icon editor's own road,\n"
    "                         which first shrinks a side longer than 256 to 256 by itself\n"
    "                         and mixes partial transparency with the background colour\n"
    "  --no-stretch           place the picture unscaled at the top-left corner; canvas it\n"
    "                         does not cover is transparent\n"
    "  --no-smooth            resample by nearest neighbour instead of averaging\n"
    "  --background COLOR     canvas background colour (default white); below 32 bits\n"
    "                         partial transparency is flattened onto it\n"
    "Transparency (pictures without alpha):\n"
    "  --transparent COLOR    make pixels of this colour transparent; 'auto' takes the\n"
    "                         picture's top-left pixel\n"
    "  --similarity T         1..255: channels closer than T to the colour match (default 1)\n"
    "  --ignore-alpha         ignore the picture's alpha channel (then --transparent applies)\n"
    "Colour depth:\n"
    "  --bits B               1, 4, 8, 16, 24 or 32 (default 32)\n"
    "  --rgb555               16-bit images as plain 5-5-5 instead of 5-6-5 bit fields\n"
    "  --palette KIND         for 1, 4 and 8 bits: optimized (default), default, websafe,\n"
    "                         gray or windows16\n"
    "  --alpha-threshold T    below 32 bits, pixels of alpha below T (0..255, default 255)\n"
    "                         become transparent and the rest is flattened onto the\n"
    "                         background; 'keep' keeps the mask and drops the alpha\n"
    "Alpha adjustment (32-bit icons):\n"
    "  --shadow-alpha BACKGROUND,SHADOW[,TOLERANCE]\n"
    "                         turn a shadow or soft edge drawn over BACKGROUND into real\n"
    "                         transparency: each opaque pixel on the line from BACKGROUND to\n"
    "                         SHADOW (the shadow's colour at full strength) gets as alpha how\n"
    "                         far along it lies, when its channels agree about that within\n"
    "                         TOLERANCE (1..255, default 5); BACKGROUND itself becomes\n"
    "                         transparent\n"
    "Storage:\n"
    "  --store PRESET         modern (default): 32-bit images of 256 pixels PNG-compressed,\n"
    "                         the rest uncompressed; compatible: every image uncompressed and\n"
    "                         16 bits as 5-5-5, readable by every system back to the oldest\n"
    "                         (ImageMagick 6 and icoutils read no 16-bit images at all);\n"
    "                         smallest: each 32-bit image larger than 16 pixels PNG or not,\n"
    "                         whichever is smaller\n"
    "  --store-png-from N     PNG-compress the 32-bit images with a side of N pixels or more\n"
    "Cursor:\n"
    "  --cursor               write a cursor file (.cur) instead of an icon file\n"
    "  --hotspot X,Y          the pointer's tip, in pixels of the picture from its top-left\n"
    "                         corner (default 0,0); scaled to each size\n"
    "Other outputs (of the first size):\n"
    "  --png OUT.png          also write the icon as a PNG with transparency\n"
    "  --bmp OUT.bmp COLOR    also write the icon as a BMP flattened onto COLOR\n"
    "\n"
    "COLOR is #RRGGBB, RRGGBB, R,G,B (each 0..255), 'white' or 'black'.\n"
    "  -h, --help             show this help and exit\n";

struct ConvertOptions {
    std::filesystem::path Picture;
    std::filesystem::path Output;
    bool Help = false;
    std::vector<std::pair<int, int>> Sizes;  // empty: the picture's own size
    RoadSettings Road;
    bool TransparentGiven = false;
    std::optional<std::filesystem::path> Png;
    std::optional<std::filesystem::path> Bmp;
    Color BmpBackground = Black;
    bool EditorRoad = false;
    ResampleFilter Filter = ResampleFilter::Box;
    IconStorage Storage = StorageOfPreset(StoragePreset::Modern);
    bool Rgb555 = false;
    bool Cursor = false;
    std::optional<CursorHotSpot> HotSpot;  // in pixels of the picture
};

constexpr const char* ShadowAlphaUsage =
    "--shadow-alpha needs BACKGROUND,SHADOW[,TOLERANCE]: two colours and a tolerance of 1..255";

struct ParseOutcome {
    std::optional<ConvertOptions> Options;
    std::string Error;  // a usage error when Options is empty
};

std::optional<Color> ParseColor(std::string text) {
    if (text == "white")
        return White;
    if (text == "black")
        return Black;
    if (text.find(',') != std::string::npos) {
        int parts[3];
        std::size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            const std::size_t end = i < 2 ? text.find(',', start) : text.size();
            if (end == std::string::npos)
                return std::nullopt;
            auto v = ParseInt(text.substr(start, end - start), 0, 255);
            if (!v)
                return std::nullopt;
            parts[i] = *v;
            start = end + 1;
        }
        if (start != text.size() + 1)
            return std::nullopt;
        return Rgb(static_cast<std::uint8_t>(parts[0]), static_cast<std::uint8_t>(parts[1]),
                   static_cast<std::uint8_t>(parts[2]));
    }
    if (!text.empty() && text[0] == '#')
        text.erase(0, 1);
    if (text.size() != 6)
        return std::nullopt;
    unsigned v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return Rgb(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v));
}

// BACKGROUND,SHADOW[,TOLERANCE], each colour in any form ParseColor takes: a colour is one item
// of the list (a name or hex digits) or three (R,G,B), which never reads as one since a channel
// has at most three digits.
std::optional<ShadowAlphaSettings> ParseShadowAlpha(const std::string& text) {
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(',', start);
        items.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::size_t next = 0;
    auto colour = [&]() -> std::optional<Color> {
        if (next < items.size()) {
            if (auto c = ParseColor(items[next])) {
                ++next;
                return c;
            }
        }
        if (next + 3 <= items.size()) {
            if (auto c = ParseColor(items[next] + "," + items[next + 1] + "," + items[next + 2])) {
                next += 3;
                return c;
            }
        }
        return std::nullopt;
    };
    ShadowAlphaSettings settings;
    auto background = colour();
    auto shadow = background ? colour() : std::nullopt;
    if (!shadow)
        return std::nullopt;
    settings.Background = *background;
    settings.Shadow = *shadow;
    if (next + 1 == items.size()) {
        auto t = ParseInt(items[next], 1, 255);
        if (!t)
            return std::nullopt;
        settings.Tolerance = *t;
    } else if (next != items.size()) {
        return std::nullopt;
    }
    return settings;
}

std::optional<std::pair<int, int>> ParseSize(const std::string& text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return std::nullopt;
    auto w = ParseInt(text.substr(0, x), 1, 256);
    auto h = ParseInt(text.substr(x + 1), 1, 256);
    if (!w || !h)
        return std::nullopt;
    return std::make_pair(*w, *h);
}

std::optional<PaletteKind> ParsePalette(const std::string& text) {
    if (text == "optimized")
        return PaletteKind::Optimized;
    if (text == "default")
        return PaletteKind::Default;
    if (text == "websafe")
        return PaletteKind::WebSafe216;
    if (text == "gray" || text == "grey")
        return PaletteKind::Gray;
    if (text == "windows16")
        return PaletteKind::Windows16;
    return std::nullopt;
}

// Options come first or anywhere between the operands; "--" ends them. Each option is one entry
// of the loop below, so new ones slot in without touching the operands.
ParseOutcome ParseConvertArgs(const Args& args) {
    ConvertOptions options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    bool sizeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The value of an option that takes one; empty when it is missing.
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto bad = [&](const std::string& what) -> ParseOutcome { return {std::nullopt, what}; };
        std::string v;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.Help = true;
        } else if (arg == "--size") {
            auto s = value(v) ? ParseSize(v) : std::nullopt;
            if (!s)
                return bad("--size needs WxH with each side 1..256");
            options.Sizes = {*s};
            sizeGiven = true;
        } else if (arg == "--sizes") {
            if (!value(v))
                return bad("--sizes needs a list such as 16,32,48");
            options.Sizes.clear();
            std::size_t start = 0;
            while (start <= v.size()) {
                std::size_t end = v.find(',', start);
                if (end == std::string::npos)
                    end = v.size();
                auto n = ParseInt(v.substr(start, end - start), 1, 256);
                if (!n)
                    return bad("--sizes needs sizes of 1..256 separated by commas");
                options.Sizes.emplace_back(*n, *n);
                start = end + 1;
            }
            if (sizeGiven)
                return bad("--size and --sizes cannot be used together");
            sizeGiven = true;
        } else if (arg == "--no-stretch") {
            options.Road.Size.Stretch = false;
        } else if (arg == "--no-smooth") {
            options.Road.Size.Smooth = false;
        } else if (arg == "--background") {
            auto c = value(v) ? ParseColor(v) : std::nullopt;
            if (!c)
                return bad("--background needs a colour");
            options.Road.Background = *c;
        } else if (arg == "--transparent") {
            if (!value(v))
                return bad("--transparent needs a colour or 'auto'");
            options.TransparentGiven = true;
            options.Road.Transparency.Transparent = true;
            if (v == "auto") {
                options.Road.TransparentFromTopLeft = true;
            } else if (auto c = ParseColor(v)) {
                options.Road.Transparency.Key = *c;
            } else {
                return bad("--transparent needs a colour or 'auto'");
            }
        } else if (arg == "--similarity") {
            auto t = value(v) ? ParseInt(v, 1, 255) : std::nullopt;
            if (!t)
                return bad("--similarity needs a number from 1 to 255");
            options.Road.Transparency.Similarity = *t;
        } else if (arg == "--ignore-alpha") {
            options.Road.AutomaticIdentification = false;
        } else if (arg == "--bits") {
            auto b = value(v) ? ParseInt(v, 1, 32) : std::nullopt;
            const int item = b ? ColourItemFromBits(*b) : -1;
            if (item < 0)
                return bad("--bits needs 1, 4, 8, 16, 24 or 32");
            options.Road.ColourBits.Item = item;
        } else if (arg == "--palette") {
            auto k = value(v) ? ParsePalette(v) : std::nullopt;
            if (!k)
                return bad("--palette needs optimized, default, websafe, gray or windows16");
            options.Road.ColourBits.Palette = *k;
        } else if (arg == "--alpha-threshold") {
            if (!value(v))
                return bad("--alpha-threshold needs 0..255 or 'keep'");
            if (v == "keep") {
                options.Road.ColourBits.Threshold = -1;
            } else if (auto t = ParseInt(v, 0, 255)) {
                options.Road.ColourBits.Threshold = *t;
            } else {
                return bad("--alpha-threshold needs 0..255 or 'keep'");
            }
        } else if (arg == "--shadow-alpha") {
            auto a = value(v) ? ParseShadowAlpha(v) : std::nullopt;
            if (!a)
                return bad(ShadowAlphaUsage);
            options.Road.ShadowAlpha = *a;
        } else if (arg == "--resample") {
            if (!value(v) || (v != "editor" && v != "premultiplied"))
                return bad("--resample needs premultiplied or editor");
            options.EditorRoad = v == "editor";
        } else if (arg == "--filter") {
            auto f = value(v) ? ParseResampleFilter(v) : std::nullopt;
            if (!f)
                return bad("--filter needs box, mitchell or lanczos");
            options.Filter = *f;
        } else if (arg == "--store") {
            auto preset = value(v) ? ParseStoragePreset(v) : std::nullopt;
            if (!preset)
                return bad("--store needs compatible, modern or smallest");
            options.Storage = StorageOfPreset(*preset);
        } else if (arg == "--store-png-from") {
            auto n = value(v) ? ParseInt(v, 1, 256) : std::nullopt;
            if (!n)
                return bad("--store-png-from needs a size of 1..256");
            options.Storage.PngFrom = *n;
            options.Storage.Smallest = false;
        } else if (arg == "--rgb555") {
            options.Rgb555 = true;
        } else if (arg == "--cursor") {
            options.Cursor = true;
        } else if (arg == "--hotspot") {
            const std::size_t comma = value(v) ? v.find(',') : std::string::npos;
            auto x = comma != std::string::npos ? ParseInt(v.substr(0, comma), 0, 65535)
                                                : std::nullopt;
            auto y = x ? ParseInt(v.substr(comma + 1), 0, 65535) : std::nullopt;
            if (!y)
                return bad("--hotspot needs X,Y in pixels of the picture");
            options.HotSpot = CursorHotSpot{static_cast<std::uint16_t>(*x),
                                            static_cast<std::uint16_t>(*y)};
        } else if (arg == "--png") {
            if (!value(v) || v.empty())
                return bad("--png needs a file name");
            options.Png = v;
        } else if (arg == "--bmp") {
            if (!value(v) || v.empty())
                return bad("--bmp needs a file name and a colour");
            options.Bmp = v;
            auto c = value(v) ? ParseColor(v) : std::nullopt;
            if (!c)
                return bad("--bmp needs a file name and a colour");
            options.BmpBackground = *c;
        } else {
            return bad("unknown option '" + arg + "'");
        }
    }
    if (options.Help)
        return {options, ""};
    if (options.HotSpot && !options.Cursor)
        return {std::nullopt, "--hotspot is for cursors: add --cursor"};
    if (options.Road.ShadowAlpha && options.Road.ColourBits.Item != ColourItemFromBits(32))
        return {std::nullopt, "--shadow-alpha is for 32-bit icons: leave --bits at 32"};
    if (options.Rgb555 && options.Road.ColourBits.Item != ColourItemFromBits(16))
        return {std::nullopt, "--rgb555 is for 16-bit images: add --bits 16"};
    options.Storage.Rgb555 = options.Storage.Rgb555 || options.Rgb555;
    if (operands.size() < 2)
        return {std::nullopt, "a picture and an output file are needed"};
    if (operands.size() > 2)
        return {std::nullopt, "unexpected argument '" + operands[2] + "'"};
    options.Picture = operands[0];
    options.Output = operands[1];
    // Two outputs to one file would leave only the last of them.
    auto same = [](const std::filesystem::path& a, const std::filesystem::path& b) {
        std::error_code ec;
        return std::filesystem::absolute(a, ec).lexically_normal() ==
               std::filesystem::absolute(b, ec).lexically_normal();
    };
    if ((options.Png && same(*options.Png, options.Output)) ||
        (options.Bmp && same(*options.Bmp, options.Output)) ||
        (options.Png && options.Bmp && same(*options.Png, *options.Bmp)))
        return {std::nullopt, "two outputs name the same file"};
    return {options, ""};
}

// The picture (of a GIF the first frame; a metafile drawn at its own size) and its size in the
// file. For the editor's road a BMP, PNG or JPEG comes limited to 256 as the Load command hands
// it on, shrunk while it decodes; for resampling, whole up to 16 megapixels, and a larger one
// shrunk to about a megapixel.
Result<ResamplingPicture> LoadPicture(const std::filesystem::path& path, bool editorRoad) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    auto whole = [](Result<Bitmap> picture) -> Result<ResamplingPicture> {
        if (!picture)
            return picture.GetError();
        const int w = picture->Width(), h = picture->Height();
        return ResamplingPicture{std::move(*picture), w, h};
    };
    const PictureKind kind = DetectPictureKind(*bytes, path);
    if (kind == PictureKind::Unknown)
        return Error{PathText(path) + " is not a BMP, PNG, JPEG, GIF or WMF picture."};
    if (kind == PictureKind::Wmf) {
        auto drawn = RenderMetafileThroughModule(*bytes);
        if (!drawn)
            return Error{PathText(path) + ": " + drawn.ErrorMessage()};
        return whole(std::move(*drawn));
    }
    if (kind == PictureKind::Gif) {
        // Only the first frame is decoded.
        auto gif = GifFrames::Open(std::move(*bytes));
        auto first = gif ? gif->Frame(0) : Result<Bitmap>(gif.GetError());
        if (!first)
            return Error{PathText(path) + ": " + first.ErrorMessage()};
        auto picture = whole(std::move(*first));
        picture->AlphaIsTransparency = true;
        return picture;
    }
    if (!editorRoad)
        return DecodeResamplingPicture(*bytes, path);
    if (auto size = kind == PictureKind::Png    ? ReadPngSize(*bytes)
                    : kind == PictureKind::Jpeg ? ReadJpegSize(*bytes)
                                                : ReadBmpSize(*bytes)) {
        auto limited = DecodeEditorPicture(*bytes, kind, path);
        if (!limited)
            return limited.GetError();
        return ResamplingPicture{std::move(*limited), size->Width, size->Height,
                                 PictureAlphaIsTransparency(*bytes, kind)};
    }
    return whole(DecodeEditorPicture(*bytes, kind, path));
}

// The hot spot of the picture's pixel `spot` on an icon of `size` made from `pictureSize`
// pixels: the pixel its centre falls on, scaled when the picture is stretched.
int ScaleHotSpot(int spot, int pictureSize, int size, bool stretch) {
    const std::int64_t scaled =
        stretch ? (2 * std::int64_t{spot} + 1) * size / (2 * std::int64_t{pictureSize}) : spot;
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 0, size - 1));
}

bool AlphaInUse(const ResamplingPicture& picture) {
    return picture.Pixels.Format() == PixelFormat::Bits32 &&
           (picture.AlphaIsTransparency || HasAnyAlpha(picture.Pixels));
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "glyphforge-cli convert: %s\n", message.c_str());
    return ExitFailure;
}

}  // namespace

int RunConvert(const Args& args) {
    ParseOutcome parsed = ParseConvertArgs(args);
    if (!parsed.Options) {
        std::fprintf(stderr, "glyphforge-cli convert: %s\n\n%s", parsed.Error.c_str(),
                     ConvertUsage);
        return ExitUsage;
    }
    ConvertOptions& options = *parsed.Options;
    if (options.Help) {
        std::fputs(ConvertUsage, stdout);
        return ExitOk;
    }

    auto loaded = LoadPicture(options.Picture, options.EditorRoad);
    if (!loaded)
        return Fail(loaded.ErrorMessage());
    const Bitmap* picture = &loaded->Pixels;
    if (options.TransparentGiven && options.Road.AutomaticIdentification && AlphaInUse(*loaded))
        return Fail(
            "the picture's alpha channel already gives the transparency; add "
            "--ignore-alpha to pick a transparent colour instead");
    const int pictureW = loaded->Width, pictureH = loaded->Height;
    // The editor's road starts from the picture the Load command hands it: limited to 256
    // (pictures read by the shrinking decoders already are).
    const Bitmap source = options.EditorRoad ? LimitPictureForEditor(*picture) : Bitmap{};
    const Bitmap& start = options.EditorRoad ? source : *picture;
    if (options.Sizes.empty()) {
        options.Sizes = {{std::min(pictureW, MaxEditorPictureSide),
                          std::min(pictureH, MaxEditorPictureSide)}};
    }

    // Every size goes the whole road from the same picture; the resampling road reads the
    // picture once for all of them.
    std::vector<RoadResult> results;
    const bool declared = loaded->AlphaIsTransparency;
    if (options.EditorRoad) {
        for (const auto& [w, h] : options.Sizes) {
            RoadSettings road = options.Road;
            road.Size.Width = w;
            road.Size.Height = h;
            auto result = RunEditorRoad(start, road, declared);
            if (!result)
                return Fail(result.ErrorMessage());
            results.push_back(std::move(*result));
        }
    } else {
        std::vector<ResampleSize> sizes;
        for (const auto& [w, h] : options.Sizes)
            sizes.push_back({w, h});
        auto all = RunPremultipliedRoad(start, options.Road, sizes, options.Filter, declared);
        if (!all)
            return Fail(all.ErrorMessage());
        results = std::move(*all);
    }

    std::vector<IconImage> icons;
    std::vector<IconBlock> blocks;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const auto [w, h] = options.Sizes[i];
        auto icon = MakeIcon(std::move(results[i].Color), results[i].Mask);
        if (!icon)
            return Fail(icon.ErrorMessage());
        auto block = EncodeStoredIconBlock(*icon, IconBitCountForFormat(icon->Color.Format()),
                                           options.Storage);
        if (!block)
            return Fail(block.ErrorMessage());
        if (options.Cursor) {
            const CursorHotSpot spot = options.HotSpot.value_or(CursorHotSpot{});
            block->HotSpot = CursorHotSpot{
                static_cast<std::uint16_t>(
                    ScaleHotSpot(spot.X, pictureW, w, options.Road.Size.Stretch)),
                static_cast<std::uint16_t>(
                    ScaleHotSpot(spot.Y, pictureH, h, options.Road.Size.Stretch))};
        }
        blocks.push_back(std::move(*block));
        icons.push_back(std::move(*icon));
    }

    // Every output is made and written to its temporary file before any target is replaced:
    // a PNG or BMP that cannot be written leaves the icon file as it was too.
    auto iconFile = AssembleIconFile(blocks, options.Cursor ? IconTypeCursor : IconTypeIcon);
    if (!iconFile)
        return Fail(iconFile.ErrorMessage());
    const IconImage& first = icons.front();
    std::optional<std::vector<std::uint8_t>> png, bmp;
    if (options.Png) {
        auto rgba = IconToRgba(first, IconBitCountForFormat(first.Color.Format()));
        auto encoded = rgba ? EncodePngRgba(*rgba) : Result<std::vector<std::uint8_t>>(rgba.GetError());
        if (!encoded)
            return Fail(encoded.ErrorMessage());
        png = std::move(*encoded);
    }
    if (options.Bmp) {
        // The icon drawn over the colour, as the Save command's BMP output.
        Bitmap flat(first.Width(), first.Height(), PixelFormat::Bits24);
        flat.Fill(options.BmpBackground);
        DrawIcon(flat, 0, 0, first.Color, first.Mask);
        bmp = EncodeBmp(flat);
    }
    AtomicFileBatch batch(AtomicFileBatch::Durability::FlushTogether);
    if (Status s = batch.Add(options.Output, *iconFile); !s)
        return Fail(s.ErrorMessage());
    if (png) {
        if (Status s = batch.Add(*options.Png, *png); !s)
            return Fail(s.ErrorMessage());
    }
    if (bmp) {
        if (Status s = batch.Add(*options.Bmp, *bmp); !s)
            return Fail(s.ErrorMessage());
    }
    for (const Status& s : batch.Commit()) {
        if (!s)
            return Fail(s.ErrorMessage());
    }

    for (std::size_t i = 0; i < icons.size(); ++i) {
        const IconImage& icon = icons[i];
        std::string details = std::to_string(icon.Width()) + "x" + std::to_string(icon.Height()) +
                              ", " + std::to_string(blocks[i].Entry.BitCount) + " bits";
        if (IsPngBlock(blocks[i].Data))
            details += ", PNG";
        if (blocks[i].HotSpot) {
            details += ", hot spot " + std::to_string(blocks[i].HotSpot->X) + "," +
                       std::to_string(blocks[i].HotSpot->Y);
        }
        std::printf("Wrote %s (%s)\n", PathText(options.Output).c_str(), details.c_str());
    }
    if (options.Png)
        std::printf("Wrote %s\n", PathText(*options.Png).c_str());
    if (options.Bmp)
        std::printf("Wrote %s\n", PathText(*options.Bmp).c_str());
    return ExitOk;
}

}  // namespace gf::cli
