#include "platform/bmp_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/picture_limits.h"
#include "platform/pixel_rows.h"

namespace gf {

namespace {

constexpr std::uint32_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t V4HeaderSize = 108;

enum Compression : std::uint32_t {
    BiRgb = 0,
    BiRle8 = 1,
    BiRle4 = 2,
    BiBitFields = 3,
    BiJpeg = 4,
    BiPng = 5,
    BiAlphaBitFields = 6,
};

Error Fail(const std::string& what) {
    return Error{"Can not read the BMP picture: " + what};
}

// What the headers say, after checking.
struct BmpHeader {
    std::uint32_t HeaderSize = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // positive; TopDown tells the row order
    bool TopDown = false;
    int Bits = 0;
    std::uint32_t Compression = BiRgb;
    std::uint32_t SizeImage = 0;
    std::int32_t XPels = 0;
    std::int32_t YPels = 0;
    std::uint32_t ColorsUsed = 0;
    std::uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0, AlphaMask = 0;
    bool HasMasks = false;
    std::uint64_t PaletteStart = 0;  // file offset of the colour table
    int PaletteEntrySize = 4;
};

Result<BmpHeader> ReadHeader(Bytes data) {
    if (data.size() < 2 || data[0] != 'B' || data[1] != 'M') {
        return Fail("the file does not start with \"BM\".");
    }
    BmpHeader h;
    auto headerSize = ReadU32(data, FileHeaderSize);
    if (!headerSize)
        return Fail("the file ends inside its header.");
    h.HeaderSize = *headerSize;
    switch (h.HeaderSize) {
        case 12:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            break;
        default:
            return Fail("unsupported header size " + std::to_string(h.HeaderSize) + ".");
    }
    auto header = Slice(data, FileHeaderSize, h.HeaderSize);
    if (!header)
        return Fail("the file ends inside its header.");
    ByteReader r(*header, 4);
    if (h.HeaderSize == CoreHeaderSize) {
        h.Width = r.U16();
        h.Height = r.U16();
        r.U16();  // planes
        h.Bits = r.U16();
        h.PaletteEntrySize = 3;
    } else {
        h.Width = r.I32();
        std::int64_t height = r.I32();
        r.U16();  // planes
        h.Bits = r.U16();
        h.Compression = r.U32();
        h.SizeImage = r.U32();
        h.XPels = r.I32();
        h.YPels = r.I32();
        h.ColorsUsed = r.U32();
        r.U32();  // important colours
        h.TopDown = height < 0;
        h.Height = height < 0 ? -height : height;
        if (h.HeaderSize >= 52 && h.HeaderSize != 64) {
            h.RedMask = r.U32();
            h.GreenMask = r.U32();
            h.BlueMask = r.U32();
            if (h.HeaderSize >= 56)
                h.AlphaMask = r.U32();
            h.HasMasks = true;
        }
    }
    if (!r.Ok())
        return Fail("the file ends inside its header.");
    h.PaletteStart = FileHeaderSize + static_cast<std::uint64_t>(h.HeaderSize);

    if (h.HeaderSize == 64 && h.Compression != BiRgb && h.Compression != BiRle8 &&
        h.Compression != BiRle4) {
        return Fail("this OS/2 compression method is not supported.");
    }
    if (h.Compression == BiJpeg || h.Compression == BiPng) {
        return Fail("pictures with embedded JPEG or PNG data are not supported.");
    }
    if (h.Compression > BiAlphaBitFields) {
        return Fail("unknown compression method " + std::to_string(h.Compression) + ".");
    }
    if (h.Width <= 0 || h.Height <= 0)
        return Fail("the picture has no pixels.");
    if (!PictureSidesFit(static_cast<std::uint64_t>(h.Width), static_cast<std::uint64_t>(h.Height)))
        return Error{PictureTooLargeMessage("The BMP picture", static_cast<std::uint64_t>(h.Width), static_cast<std::uint64_t>(h.Height))};
    switch (h.Bits) {
        case 1:
        case 4:
        case 8:
        case 24:
            break;
        case 16:
        case 32:
            if (h.HeaderSize == CoreHeaderSize)
                return Fail("16 and 32 bits need an info header.");
            break;
        default:
            return Fail("unsupported bit count " + std::to_string(h.Bits) + ".");
    }
    const bool rle = h.Compression == BiRle8 || h.Compression == BiRle4;
    if ((h.Compression == BiRle8 && h.Bits != 8) || (h.Compression == BiRle4 && h.Bits != 4)) {
        return Fail("the compression does not match the bit count.");
    }
    if (rle && h.TopDown)
        return Fail("run-length compressed pictures must be stored bottom-up.");
    if (h.Compression == BiBitFields || h.Compression == BiAlphaBitFields) {
        if (h.Bits != 16 && h.Bits != 32)
            return Fail("bit fields need 16 or 32 bits per pixel.");
        if (!h.HasMasks) {
            // An info header is followed by the masks themselves.
            ByteReader m(data, FileHeaderSize + h.HeaderSize);
            h.RedMask = m.U32();
            h.GreenMask = m.U32();
            h.BlueMask = m.U32();
            if (h.Compression == BiAlphaBitFields)
                h.AlphaMask = m.U32();
            if (!m.Ok())
                return Fail("the file ends inside its colour masks.");
            h.PaletteStart = m.Position();
            h.HasMasks = true;
        }
    }
    return h;
}

// Where the pixel data starts: the offset of the file header, which must lie after the headers.
Result<std::uint64_t> PixelOffset(Bytes data, const BmpHeader& h, std::uint64_t paletteBytes) {
    std::uint64_t offset = ReadU32(data, 10).value_or(0);
    if (offset == 0)
        offset = h.PaletteStart + paletteBytes;  // some writers leave it unset
    if (offset < h.PaletteStart)
        return Fail("the pixel data offset points into the header.");
    if (offset > data.size())
        return Fail("the pixel data offset lies past the end of the file.");
    return offset;
}

// Where decoded rows go, one at a time. Begin hands out the (zeroed) storage of top-down row
// y in the bitmap's own format; End says it is complete; Blank stands for rows the file leaves
// at index 0 (run-length pictures may skip them).
class BmpRowOutput {
  public:
    virtual ~BmpRowOutput() = default;
    virtual std::uint8_t* Begin(int y) = 0;
    virtual void End(int y) = 0;
    virtual void Blank(int y, int count) = 0;
};

// Straight into a whole bitmap, whose rows start zeroed.
class BitmapRows : public BmpRowOutput {
  public:
    explicit BitmapRows(Bitmap& bitmap) : Target(bitmap) {}
    std::uint8_t* Begin(int y) override { return Target.Row(y); }
    void End(int) override {}
    void Blank(int, int) override {}

  private:
    Bitmap& Target;
};

// Through one row of the bitmap's format into an area-averaging shrinker.
class ShrinkingRows : public BmpRowOutput {
  public:
    ShrinkingRows(const Bitmap& oneRow, AreaAverageShrinker& shrinker)
        : Row(oneRow), Reader(Row), Shrinker(shrinker),
          Bgra(4 * static_cast<std::size_t>(oneRow.Width())) {}
    std::uint8_t* Begin(int) override {
        std::memset(Row.Row(0), 0, Row.Stride());
        return Row.Row(0);
    }
    void End(int y) override {
        Reader.Read(0, 0, Row.Width(), Bgra.data());
        Shrinker.AddRow(y, Bgra.data(), 4);
    }
    void Blank(int y, int count) override {
        if (count <= 0)
            return;
        Begin(y);
        Reader.Read(0, 0, Row.Width(), Bgra.data());
        Shrinker.AddRepeatedRow(y, count, Bgra.data(), 4);
    }

  private:
    Bitmap Row;
    RowReader Reader;
    AreaAverageShrinker& Shrinker;
    std::vector<std::uint8_t> Bgra;
};

// Decodes the RLE8 or RLE4 stream of a width x height picture, bottom row first.
Status DecodeRle(Bytes stream, int width, int height, BmpRowOutput& out, bool rle4) {
    int x = 0;
    int y = 0;  // counted from the bottom row
    std::size_t pos = 0;
    std::uint8_t* row = out.Begin(height - 1);
    // Ends the current row and starts the one `rows` higher, the rows between left blank.
    auto moveUp = [&](int rows) {
        out.End(height - 1 - y);
        const int next = y + rows;
        const int blankFrom = std::min(next, height);  // bottom-up, exclusive
        out.Blank(height - blankFrom, blankFrom - (y + 1));
        y = next;
        row = y < height ? out.Begin(height - 1 - y) : nullptr;
    };
    // Rows above the last one written are blank.
    auto finish = [&] {
        if (y < height) {
            out.End(height - 1 - y);
            out.Blank(0, height - 1 - y);
        }
        return Status::Success();
    };
    auto put = [&](int value) {
        if (x >= width)
            return;  // runs past the right edge are clipped, as other readers do
        if (rle4) {
            std::uint8_t& b = row[x >> 1];
            b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | value)
                        : static_cast<std::uint8_t>((b & 0x0F) | (value << 4));
        } else {
            row[x] = static_cast<std::uint8_t>(value);
        }
        ++x;
    };
    auto pastBottom = [&] { return Fail("the compressed data runs past the top of the picture."); };
    while (true) {
        if (pos + 2 > stream.size()) {
            // A stream that stops after its last row is accepted without the end marker.
            if (y >= height)
                return Status::Success();
            return Fail("the compressed data ends before the picture is complete.");
        }
        int count = stream[pos];
        int value = stream[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= height)
                return pastBottom();
            for (int i = 0; i < count; ++i) {
                put(rle4 ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                if (y >= height)
                    return pastBottom();
                x = 0;
                moveUp(1);
                break;
            case 1:  // end of bitmap
                return finish();
            case 2: {  // delta
                if (pos + 2 > stream.size()) {
                    return Fail("the compressed data ends inside a position move.");
                }
                const int dx = stream[pos];
                const int dy = stream[pos + 1];
                pos += 2;
                if (x + dx > width || y + dy > height) {
                    return Fail("a position move in the compressed data leaves the picture.");
                }
                x += dx;
                if (dy > 0)
                    moveUp(dy);
                break;
            }
            default: {  // absolute run of `value` pixels, padded to 16 bits
                std::size_t bytes = rle4 ? (static_cast<std::size_t>(value) + 1) / 2 : value;
                std::size_t padded = (bytes + 1) & ~std::size_t{1};
                if (pos + bytes > stream.size()) {
                    return Fail("the compressed data ends inside a run of pixels.");
                }
                if (y >= height)
                    return pastBottom();
                for (int i = 0; i < value; ++i) {
                    int b = stream[pos + (rle4 ? i / 2 : i)];
                    put(rle4 ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
                }
                pos += std::min(padded, stream.size() - pos);
                break;
            }
        }
    }
}

// Copies plain rows (every depth but bit-field 32-bit) as they are.
void CopyRows(Bytes pixels, const BmpHeader& h, const Bitmap& format, BmpRowOutput& out) {
    const std::uint64_t fileRow = RowBytes(static_cast<std::uint64_t>(h.Width), h.Bits);
    const int height = static_cast<int>(h.Height);
    for (int i = 0; i < height; ++i) {
        int y = h.TopDown ? i : height - 1 - i;
        std::uint64_t start = fileRow * static_cast<std::uint64_t>(i);
        // The last row may lack its padding; everything else was checked to be present.
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(fileRow, pixels.size() - start));
        n = std::min(n, format.Stride());
        std::uint8_t* row = out.Begin(y);
        std::memcpy(row, pixels.data() + start, n);
        ClearRowTail(row, format.Stride(), format.Width(), format.BitCount());
        out.End(y);
    }
}

// 32-bit pixels with arbitrary masks become blue, green, red, alpha.
void UnpackMaskedRows(Bytes pixels, const BmpHeader& h, BmpRowOutput& out) {
    const MaskChannel red(h.RedMask), green(h.GreenMask), blue(h.BlueMask), alpha(h.AlphaMask);
    const std::uint64_t fileRow = RowBytes(static_cast<std::uint64_t>(h.Width), 32);
    const int height = static_cast<int>(h.Height);
    const int width = static_cast<int>(h.Width);
    for (int i = 0; i < height; ++i) {
        int y = h.TopDown ? i : height - 1 - i;
        const std::uint8_t* src = pixels.data() + fileRow * static_cast<std::uint64_t>(i);
        std::uint8_t* dst = out.Begin(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = src + 4 * static_cast<std::size_t>(x);
            std::uint32_t px =
                static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            dst[4 * x] = blue.Unpack(px);
            dst[4 * x + 1] = green.Unpack(px);
            dst[4 * x + 2] = red.Unpack(px);
            dst[4 * x + 3] = alpha.Unpack(px);
        }
        out.End(y);
    }
}

// Everything about a file but its pixels: the checked header, where the pixels lie and the
// bitmap they make (format, palette, masks, resolution), without its rows.
struct BmpLayout {
    BmpHeader Header;
    Bytes Pixels;
    Bitmap Shape;  // one row of the picture's format
};

Result<BmpLayout> ReadLayout(Bytes data) {
    auto header = ReadHeader(data);
    if (!header)
        return header.GetError();
    const BmpHeader& h = *header;

    // Colour table: as many entries as declared (all of them when none are), but never more
    // than the depth can index nor more than lie between the headers and the pixel data.
    std::vector<Color> palette;
    std::uint64_t paletteBytes = 0;
    if (h.Bits <= 8) {
        std::uint64_t declared =
            (h.ColorsUsed == 0 || h.ColorsUsed > (1u << h.Bits)) ? (1u << h.Bits) : h.ColorsUsed;
        paletteBytes = declared * h.PaletteEntrySize;
    }
    auto offset = PixelOffset(data, h, paletteBytes);
    if (!offset)
        return offset.GetError();
    if (h.Bits <= 8) {
        std::uint64_t room = std::min<std::uint64_t>(*offset, data.size()) - h.PaletteStart;
        std::uint64_t count = std::min(paletteBytes, room) / h.PaletteEntrySize;
        palette.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = data.data() + h.PaletteStart + i * h.PaletteEntrySize;
            palette.push_back(Rgb(e[2], e[1], e[0]));
        }
    }

    const bool rle = h.Compression == BiRle8 || h.Compression == BiRle4;
    const std::uint64_t fileRow = RowBytes(static_cast<std::uint64_t>(h.Width), h.Bits);
    Bytes pixels = data.subspan(static_cast<std::size_t>(*offset));
    if (!rle) {
        // Every row must be present; only the padding of the very last one may be missing.
        std::uint64_t needed = fileRow * static_cast<std::uint64_t>(h.Height - 1) +
                               (static_cast<std::uint64_t>(h.Width) * h.Bits + 7) / 8;
        if (pixels.size() < needed) {
            return Fail("the file is truncated: its pixels need " + std::to_string(needed) +
                        " bytes but only " + std::to_string(pixels.size()) + " are present.");
        }
    } else if (h.SizeImage != 0 && h.SizeImage < pixels.size()) {
        pixels = pixels.first(h.SizeImage);
    }

    PixelFormat format = PixelFormat::Bits24;
    switch (h.Bits) {
        case 1:
            format = PixelFormat::Bits1;
            break;
        case 4:
            format = PixelFormat::Bits4;
            break;
        case 8:
            format = PixelFormat::Bits8;
            break;
        case 16:
            format = PixelFormat::Bits15;
            break;
        case 32:
            format = PixelFormat::Bits32;
            break;
        default:
            break;
    }
    BitFields masks16 = Masks555;
    if (h.Bits == 16 && (h.Compression == BiBitFields || h.Compression == BiAlphaBitFields)) {
        masks16 = {h.RedMask, h.GreenMask, h.BlueMask};
        if ((masks16.Red | masks16.Green | masks16.Blue) > 0xFFFF) {
            return Fail("its 16-bit colour masks do not fit in 16 bits.");
        }
        if (masks16 != Masks555)
            format = PixelFormat::Bits16;
    }

    BmpLayout layout{h, pixels, Bitmap(static_cast<int>(h.Width), 1, format)};
    Bitmap& shape = layout.Shape;
    if (IsIndexed(format))
        shape.SetPalette(std::move(palette));
    if (format == PixelFormat::Bits16)
        shape.SetMasks(masks16);
    shape.XPelsPerMeter = h.XPels;
    shape.YPelsPerMeter = h.YPels;
    return layout;
}

Status DecodeRows(const BmpLayout& layout, BmpRowOutput& out) {
    const BmpHeader& h = layout.Header;
    const bool masked32 = h.Bits == 32 && h.HasMasks &&
                          (h.Compression == BiBitFields || h.Compression == BiAlphaBitFields);
    if (h.Compression == BiRle8 || h.Compression == BiRle4) {
        return DecodeRle(layout.Pixels, static_cast<int>(h.Width), static_cast<int>(h.Height), out,
                         h.Compression == BiRle4);
    }
    if (masked32 && !(h.RedMask == 0xFF0000 && h.GreenMask == 0xFF00 && h.BlueMask == 0xFF &&
                      h.AlphaMask == 0xFF000000u)) {
        UnpackMaskedRows(layout.Pixels, h, out);
    } else {
        CopyRows(layout.Pixels, h, layout.Shape, out);
    }
    return Status::Success();
}

}  // namespace

Result<Bitmap> DecodeBmp(Bytes data) {
    auto layout = ReadLayout(data);
    if (!layout)
        return layout.GetError();
    const Bitmap& shape = layout->Shape;
    // Run-length files may describe far larger pictures than they are long.
    if (!DecodedPictureFits(shape.Stride(), static_cast<std::uint64_t>(layout->Header.Height), 1))
        return Fail("the picture is too large to load.");
    Bitmap bitmap(shape.Width(), static_cast<int>(layout->Header.Height), shape.Format());
    if (IsIndexed(shape.Format()))
        bitmap.SetPalette(shape.Palette());
    if (shape.Format() == PixelFormat::Bits16)
        bitmap.SetMasks(shape.Masks());
    bitmap.XPelsPerMeter = shape.XPelsPerMeter;
    bitmap.YPelsPerMeter = shape.YPelsPerMeter;
    BitmapRows rows(bitmap);
    if (Status s = DecodeRows(*layout, rows); !s)
        return Error{s.ErrorMessage()};
    return bitmap;
}

Result<PictureSize> ReadBmpSize(Bytes data) {
    auto header = ReadHeader(data);
    if (!header)
        return header.GetError();
    return PictureSize{static_cast<int>(header->Width), static_cast<int>(header->Height)};
}

Result<Bitmap> DecodeBmpShrunk(Bytes data, const ShrinkPlan& plan) {
    auto layout = ReadLayout(data);
    if (!layout)
        return layout.GetError();
    const int width = layout->Shape.Width();
    const int height = static_cast<int>(layout->Header.Height);
    if (!PicturePixelsFit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height)))
        return Fail("the picture is too large to load.");
    const bool alpha = layout->Shape.Format() == PixelFormat::Bits32;
    const PictureSize size = ShrinkTo(width, height, plan);
    AreaAverageShrinker shrinker(width, height, size.Width, size.Height,
                                 ShrinkAlphaFor(plan, alpha));
    ShrinkingRows rows(layout->Shape, shrinker);
    if (Status s = DecodeRows(*layout, rows); !s)
        return Error{s.ErrorMessage()};
    return shrinker.Finish(ShrunkFormat(plan, alpha));
}

Result<Bitmap> LoadBmpFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    auto bitmap = DecodeBmp(*bytes);
    if (!bitmap)
        return Error{PathText(path) + ": " + bitmap.ErrorMessage()};
    return bitmap;
}

BmpAlpha BmpAlphaOf(Bytes data) {
    auto header = ReadHeader(data);
    const bool declared = header && header->Bits == 32 && header->HasMasks &&
                          (header->Compression == BiBitFields ||
                           header->Compression == BiAlphaBitFields) &&
                          header->AlphaMask != 0;
    return declared ? BmpAlpha::Declared : BmpAlpha::Undeclared;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap, BmpAlpha alpha) {
    const PixelFormat format = bitmap.Format();
    const int bits = bitmap.BitCount();  // Device and Custom are stored as 24 bits
    const bool bitFields = format == PixelFormat::Bits16;
    const bool v4 = format == PixelFormat::Bits32 && alpha == BmpAlpha::Declared;
    const std::uint32_t headerSize = v4 ? V4HeaderSize : InfoHeaderSize;
    const std::size_t paletteCount = IsIndexed(format) ? bitmap.Palette().size() : 0;
    const std::uint32_t tableBytes = bitFields ? 12u : static_cast<std::uint32_t>(4 * paletteCount);
    const std::uint32_t pixelOffset = FileHeaderSize + headerSize + tableBytes;
    const std::uint64_t imageBytes = RowBytes(static_cast<std::uint64_t>(bitmap.Width()), bits) *
                                     static_cast<std::uint64_t>(bitmap.Height());

    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + static_cast<std::size_t>(imageBytes));
    out.push_back('B');
    out.push_back('M');
    PutU32(out, static_cast<std::uint32_t>(pixelOffset + imageBytes));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, pixelOffset);

    PutU32(out, headerSize);
    PutI32(out, bitmap.Width());
    PutI32(out, bitmap.Height());  // positive: bottom-up rows
    PutU16(out, 1);
    PutU16(out, static_cast<std::uint16_t>(bits));
    PutU32(out, bitFields || v4 ? BiBitFields : BiRgb);
    PutU32(out, static_cast<std::uint32_t>(imageBytes));
    PutI32(out, bitmap.XPelsPerMeter);
    PutI32(out, bitmap.YPelsPerMeter);
    PutU32(out, static_cast<std::uint32_t>(paletteCount));
    PutU32(out, 0);
    if (v4) {
        // Red, green, blue and alpha masks, then sRGB and its unused end points and gammas.
        for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
            PutU32(out, mask);
        PutU32(out, 0x73524742u);  // 'sRGB'
        out.resize(out.size() + (V4HeaderSize - 56 - 4), 0);
    }

    if (bitFields) {
        PutU32(out, bitmap.Masks().Red);
        PutU32(out, bitmap.Masks().Green);
        PutU32(out, bitmap.Masks().Blue);
    }
    for (std::size_t i = 0; i < paletteCount; ++i) {
        Color c = bitmap.Palette()[i];
        out.push_back(BlueOf(c));
        out.push_back(GreenOf(c));
        out.push_back(RedOf(c));
        out.push_back(0);
    }
    const std::size_t stride = bitmap.Stride();
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = bitmap.Row(y);
        out.insert(out.end(), row, row + stride);
    }
    return out;
}

Status SaveBmpFile(const Bitmap& bitmap, const std::filesystem::path& path,
                   ReadOnlyTarget readOnly, BmpAlpha alpha) {
    if (bitmap.Empty()) {
        return Error{"Can not save an empty picture as " + PathText(path)};
    }
    // The file header holds the file size in 32 bits; a larger file could not be read back.
    const std::uint64_t pixelBytes =
        RowBytes(static_cast<std::uint64_t>(bitmap.Width()), bitmap.BitCount()) *
        static_cast<std::uint64_t>(bitmap.Height());
    if (pixelBytes + FileHeaderSize + InfoHeaderSize + 1024 > UINT32_MAX) {
        return Error{"The picture is too large to be saved as a BMP file: " + PathText(path)};
    }
    auto bytes = EncodeBmp(bitmap, alpha);
    return WriteFileAtomic(path, bytes, DiskFlush::Yes, readOnly);
}

}  // namespace gf
