#include "iconfile/picture_convert.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "platform/bmp_codec.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/wmf_parser.h"

namespace gf {

Status ConvertJpegToBitmapFile(const std::filesystem::path& source,
                               const std::filesystem::path& target) {
    auto picture = LoadJpegFile(source);
    if (!picture)
        return picture.GetError();
    return SaveBmpFile(*picture, target);
}

Bitmap PngToBitmap(Bitmap pngPixels32, bool hasAlpha) {
    if (hasAlpha && pngPixels32.Format() == PixelFormat::Bits32)
        return pngPixels32;
    // No alpha channel: draw the picture over the near-white background, so that anything the
    // decoder still marks transparent comes out near-white.
    const int w = pngPixels32.Width();
    Bitmap out(w, pngPixels32.Height(), PixelFormat::Bits24);
    out.Fill(PngFallbackBackground);
    if (pngPixels32.Format() != PixelFormat::Bits32) {
        out.CopyRect(pngPixels32, 0, 0, w, pngPixels32.Height(), 0, 0);
        return out;
    }
    for (int y = 0; y < out.Height(); ++y) {
        const std::uint8_t* src = pngPixels32.Row(y);
        std::uint8_t* dst = out.Row(y);
        for (int x = 0; x < w; ++x) {
            const unsigned a = src[4 * x + 3];
            for (int c = 0; c < 3; ++c) {
                dst[3 * x + c] = static_cast<std::uint8_t>(
                    (src[4 * x + c] * a + dst[3 * x + c] * (255 - a)) / 255);
            }
        }
    }
    return out;
}

Status ConvertPngToBitmapFile(const std::filesystem::path& source,
                              const std::filesystem::path& target) {
    auto png = LoadPngFile(source);
    if (!png)
        return png.GetError();
    return SaveBmpFile(PngToBitmap(std::move(png->Pixels), png->HasAlpha), target);
}

Bitmap LimitPictureForEditor(const Bitmap& source) {
    if (source.Empty())
        return Bitmap();
    const int tw = std::min(source.Width(), MaxEditorPictureSide);
    const int th = std::min(source.Height(), MaxEditorPictureSide);
    Bitmap target = StretchAreaAverage(source, tw, th, PixelFormat::Bits32);
    if (source.Format() == PixelFormat::Bits32) {
        const std::int64_t sw = source.Width();
        const std::int64_t sh = source.Height();
        for (int i = 0; i < th; ++i) {
            const std::uint8_t* src = source.Row(static_cast<int>(sh * i / th));
            std::uint8_t* dst = target.Row(i);
            for (int j = 0; j < tw; ++j) {
                dst[4 * j + 3] = src[4 * static_cast<std::size_t>(sw * j / tw) + 3];
            }
        }
    }
    return target;
}

Status LimitPictureFile(const std::filesystem::path& source, const std::filesystem::path& target) {
    auto picture = LoadBmpFile(source);
    if (!picture)
        return picture.GetError();
    if (picture->Empty())
        return Error{"The picture " + PathText(source) + " is empty."};
    return SaveBmpFile(LimitPictureForEditor(*picture), target);
}

PictureKind DetectPictureKind(Bytes head, const std::filesystem::path& name) {
    if (HasPngSignature(head))
        return PictureKind::Png;
    if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        return PictureKind::Jpeg;
    }
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M')
        return PictureKind::Bmp;
    if (head.size() >= 4 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F' && head[3] == '8') {
        return PictureKind::Gif;
    }
    const auto first = ReadU32(head, 0);
    const auto type = ReadU16(head, 0), words = ReadU16(head, 2), version = ReadU16(head, 4);
    if ((first && *first == wmf::PlaceableKey) ||
        (type && words && version && (*type == 1 || *type == 2) && *words == 9 &&
         (*version == 0x0100 || *version == 0x0300))) {
        return PictureKind::Wmf;
    }
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".bmp")
        return PictureKind::Bmp;
    if (ext == ".png")
        return PictureKind::Png;
    if (ext == ".jpg" || ext == ".jpeg")
        return PictureKind::Jpeg;
    if (ext == ".gif")
        return PictureKind::Gif;
    if (ext == ".wmf")
        return PictureKind::Wmf;
    return PictureKind::Unknown;
}

Result<Bitmap> LoadPictureFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return DecodePictureFile(*bytes, path);
}

namespace {

// Decodes the picture of a kind read here with the decoder `decode` picks for it, and words
// every failure the same way, naming the file.
template <class Decode>
Result<Bitmap> DecodeNamedPicture(PictureKind kind, const std::filesystem::path& path,
                                  Decode&& decode) {
    if (kind == PictureKind::Gif)
        return Error{PathText(path) + " is a GIF picture; only BMP, PNG and JPEG are read here."};
    if (kind == PictureKind::Wmf)
        return Error{PathText(path) + " is a metafile; only BMP, PNG and JPEG are read here."};
    if (kind == PictureKind::Unknown)
        return Error{PathText(path) + " is not a BMP, PNG or JPEG picture."};
    Result<Bitmap> picture = decode(kind);
    if (!picture)
        return Error{PathText(path) + ": " + picture.ErrorMessage()};
    if (picture->Empty())
        return Error{"The picture " + PathText(path) + " is empty."};
    return picture;
}

}  // namespace

Result<Bitmap> DecodePictureFile(Bytes bytes, const std::filesystem::path& path) {
    return DecodeNamedPicture(DetectPictureKind(bytes, path), path,
                              [&](PictureKind kind) -> Result<Bitmap> {
                                  if (kind == PictureKind::Bmp)
                                      return DecodeBmp(bytes);
                                  if (kind == PictureKind::Jpeg)
                                      return DecodeJpeg(bytes);
                                  auto png = DecodePng(bytes);
                                  if (!png)
                                      return png.GetError();
                                  return PngToBitmap(std::move(png->Pixels), png->HasAlpha);
                              });
}

Result<Bitmap> DecodeEditorPicture(Bytes bytes, PictureKind kind,
                                   const std::filesystem::path& path) {
    return DecodeNamedPicture(kind, path, [&](PictureKind k) -> Result<Bitmap> {
        if (k == PictureKind::Bmp)
            return DecodeBmpShrunk(bytes, EditorPicturePlan);
        if (k == PictureKind::Jpeg)
            return DecodeJpegShrunk(bytes, EditorPicturePlan);
        // Without alpha, PngToBitmap's picture has the file's own colours and 24 bits, so its
        // limited picture has alpha 0, as the shrunk one does.
        auto png = DecodePngShrunk(bytes, EditorPicturePlan);
        if (!png)
            return png.GetError();
        return std::move(png->Pixels);
    });
}

Result<Bitmap> DecodeEditorPicture(Bytes bytes, const std::filesystem::path& path) {
    return DecodeEditorPicture(bytes, DetectPictureKind(bytes, path), path);
}

bool PictureAlphaIsTransparency(Bytes bytes, PictureKind kind) {
    return kind == PictureKind::Gif || (kind == PictureKind::Png && PngHasAlpha(bytes));
}

Result<ResamplingPicture> DecodeResamplingPicture(Bytes bytes, const std::filesystem::path& path) {
    const PictureKind kind = DetectPictureKind(bytes, path);
    Result<PictureSize> size = Error{""};
    if (kind == PictureKind::Bmp)
        size = ReadBmpSize(bytes);
    else if (kind == PictureKind::Png)
        size = ReadPngSize(bytes);
    else if (kind == PictureKind::Jpeg)
        size = ReadJpegSize(bytes);
    const bool large = size && static_cast<std::uint64_t>(size->Width) * size->Height >
                                   MaxResampledPicturePixels;
    // Headers that cannot be read, and pictures of other kinds, get the whole decoder's word.
    auto picture = !large ? DecodePictureFile(bytes, path)
                          : DecodeNamedPicture(kind, path, [&](PictureKind k) -> Result<Bitmap> {
                                constexpr ShrinkPlan plan{0, ShrunkResamplingPicturePixels, true};
                                if (k == PictureKind::Bmp)
                                    return DecodeBmpShrunk(bytes, plan);
                                if (k == PictureKind::Jpeg)
                                    return DecodeJpegShrunk(bytes, plan);
                                auto png = DecodePngShrunk(bytes, plan);
                                if (!png)
                                    return png.GetError();
                                return std::move(png->Pixels);
                            });
    if (!picture)
        return picture.GetError();
    ResamplingPicture out;
    out.Width = large ? size->Width : picture->Width();
    out.Height = large ? size->Height : picture->Height();
    out.Pixels = std::move(*picture);
    out.AlphaIsTransparency = PictureAlphaIsTransparency(bytes, kind);
    return out;
}

}  // namespace gf
