#include "platform/png_codec.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/picture_limits.h"

// libpng reports errors by longjmp. Every call into libpng that can fail therefore runs inside
// a small function whose frame holds nothing with a destructor: the jump only ever skips C
// frames and those functions. The C++ objects (the bitmap, the row pointers, the output
// buffer) live in the callers and are reached through plain pointers.

namespace gf {

namespace {

constexpr std::size_t MessageSize = 200;

// The most a chunk other than the pixel data may take in memory (a palette is 768 bytes), and
// the most chunks libpng may keep.
constexpr png_alloc_size_t MaxPngChunkBytes = 1u << 20;
constexpr png_uint_32 MaxPngCachedChunks = 64;

// State shared with libpng's callbacks. Plain data only.
struct PngIo {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    std::vector<std::uint8_t>* Output = nullptr;  // writing only
    bool OutOfMemory = false;
    char Message[MessageSize] = {};
};

void PngError(png_structp png, png_const_charp message) {
    auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
    if (io && io->Message[0] == '\0')
        std::snprintf(io->Message, MessageSize, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {
    // Warnings (unknown chunks, colour profiles we ignore anyway) are not worth a word.
}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (length > io->Size - io->Pos)
        png_error(png, "the file ends too early");
    std::memcpy(out, io->Data + io->Pos, length);
    io->Pos += length;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        io->Output->insert(io->Output->end(), data, data + length);
    } catch (...) {
        failed = true;
    }
    // Raised outside the handler, so the jump leaves no exception object behind.
    if (failed) {
        io->OutOfMemory = true;
        png_error(png, "out of memory");
    }
}

void PngFlush(png_structp) {}

// Owns the libpng structures; destroyed in the C++ caller, never inside a jump.
struct PngReadHandle {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~PngReadHandle() {
        if (Png)
            png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
    }
};

struct PngWriteHandle {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~PngWriteHandle() {
        if (Png)
            png_destroy_write_struct(&Png, Info ? &Info : nullptr);
    }
};

// What the header says, after the transformations to 8-bit blue, green, red, alpha.
struct PngHeader {
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    bool HasAlpha = false;
    png_size_t RowBytes = 0;
    int Channels = 0;
    int BitDepth = 0;
    bool Interlaced = false;
};

// Reads the header and sets up the conversion to 8-bit blue, green, red, alpha. Without
// `deinterlace`, an interlaced picture comes as the rows of its seven passes.
bool ReadPngHeader(png_structp png, png_infop info, bool deinterlace, PngHeader* header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, MaxBitmapSide, MaxBitmapSide);
    // A chunk may claim up to 2 GiB, and libpng allocates and clears a text chunk's whole claim
    // before it finds the file too short. Of the ancillary chunks we use only tRNS (libpng
    // keeps it, as it keeps IHDR, PLTE, IDAT and IEND); every other one is skipped unread, and
    // whatever libpng would still hold on to is kept small.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(png, MaxPngChunkBytes);
    png_set_chunk_cache_max(png, MaxPngCachedChunks);
#ifdef PNG_IGNORE_ADLER32
    // Every image data chunk's CRC already checks the compressed bytes; the zlib checksum over
    // the inflated ones costs a tenth of the decoding and finds nothing more.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    header->Width = width;
    header->Height = height;
    bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    header->HasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;

    // Palette to colours, 1/2/4-bit grey to 8 bits, tRNS to an alpha channel.
    png_set_expand(png);
    if (bitDepth == 16)
        png_set_scale_16(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);
    if (!header->HasAlpha)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    // The stored samples are taken as they are: a gamma chunk does not change them.
    if (deinterlace)
        png_set_interlace_handling(png);
    header->Interlaced = interlace != PNG_INTERLACE_NONE;
    png_read_update_info(png, info);

    header->RowBytes = png_get_rowbytes(png, info);
    header->Channels = png_get_channels(png, info);
    header->BitDepth = png_get_bit_depth(png, info);
    return true;
}

bool ReadPngRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

bool ReadPngRow(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

// The chunks after the image data carry nothing we use; a file that ends without them (or
// with a damaged one) still has all its pixels.
void ReadPngEnd(png_structp png) {
    if (setjmp(png_jmpbuf(png)))
        return;
    png_read_end(png, nullptr);
}

static_assert(PngFilterUp == PNG_FILTER_UP);
static_assert(PngStrategyDefault == Z_DEFAULT_STRATEGY);

bool WritePngRows(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                  png_bytepp rows, const PngEncodeOptions& options) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (options.Level >= 0)
        png_set_compression_level(png, options.Level);
    if (options.Filters >= 0)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, options.Filters);
    if (options.Strategy >= 0)
        png_set_compression_strategy(png, options.Strategy);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// The sides a PNG's header chunk claims, read before libpng sees them; none when the file does
// not start with the signature and a whole IHDR chunk.
std::optional<std::pair<std::uint32_t, std::uint32_t>> ClaimedPngSize(Bytes data) {
    static constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < 24 || std::memcmp(data.data(), Signature, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
               (std::uint32_t{data[at + 2]} << 8) | std::uint32_t{data[at + 3]};
    };
    return std::pair{be32(16), be32(20)};
}

std::string Damaged(const PngIo& io) {
    return std::string("The PNG picture is damaged: ") +
           (io.Message[0] ? io.Message : "unknown error");
}

}  // namespace

bool HasPngSignature(Bytes data) {
    return data.size() >= sizeof PngSignature &&
           std::memcmp(data.data(), PngSignature, sizeof PngSignature) == 0;
}

namespace {

// One picture being read: libpng's structures, our input and the checked header. Lives in the
// C++ callers; the calls that can jump are the small functions above.
struct PngReading {
    PngIo Io;
    PngReadHandle Handle;
    PngHeader Header;
};

// Opens the picture and reads its header, checked to give four bytes a pixel.
std::optional<Error> StartPng(Bytes data, bool deinterlace, PngReading& r) {
    if (!HasPngSignature(data))
        return Error{"The file is not a PNG picture."};
    r.Io.Data = data.data();
    r.Io.Size = data.size();
    r.Handle.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.Io, PngError, PngWarning);
    if (!r.Handle.Png)
        return Error{"Not enough memory to read the PNG picture."};
    r.Handle.Info = png_create_info_struct(r.Handle.Png);
    if (!r.Handle.Info)
        return Error{"Not enough memory to read the PNG picture."};
    png_set_read_fn(r.Handle.Png, &r.Io, PngRead);
    // libpng takes a side beyond its limit for a damaged header; the size is told instead.
    if (auto claimed = ClaimedPngSize(data); claimed && !PictureSidesFit(claimed->first, claimed->second))
        return Error{PictureTooLargeMessage("The PNG picture", claimed->first, claimed->second)};
    if (!ReadPngHeader(r.Handle.Png, r.Handle.Info, deinterlace, &r.Header))
        return Error{Damaged(r.Io)};
    const PngHeader& h = r.Header;
    if (h.Width == 0 || h.Height == 0)
        return Error{"The PNG picture has no pixels."};
    if (!PictureSidesFit(h.Width, h.Height))
        return Error{PictureTooLargeMessage("The PNG picture", h.Width, h.Height)};
    // The conversions above must yield exactly four bytes a pixel; anything else would overrun
    // the rows.
    if (h.Channels != 4 || h.BitDepth != 8 || h.RowBytes != static_cast<png_size_t>(h.Width) * 4)
        return Error{"The PNG picture's pixel format is not supported."};
    return std::nullopt;
}

}  // namespace

Result<PngPicture> DecodePng(Bytes data) {
    try {
        PngReading r;
        if (auto failure = StartPng(data, true, r))
            return *failure;
        const PngHeader& header = r.Header;
        if (!DecodedPictureFits(header.Width, header.Height, 4))
            return Error{"The PNG picture is too large to load."};

        PngPicture picture;
        picture.HasAlpha = header.HasAlpha;
        picture.Pixels = Bitmap(static_cast<int>(header.Width), static_cast<int>(header.Height),
                                PixelFormat::Bits32);
        std::vector<png_bytep> rows(header.Height);
        for (png_uint_32 y = 0; y < header.Height; ++y)
            rows[y] = picture.Pixels.Row(static_cast<int>(y));
        if (!ReadPngRows(r.Handle.Png, rows.data()))
            return Error{Damaged(r.Io)};
        ReadPngEnd(r.Handle.Png);
        return picture;
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to read the PNG picture."};
    }
}

Result<PictureSize> ReadPngSize(Bytes data) {
    PngReading r;
    if (auto failure = StartPng(data, true, r))
        return *failure;
    return PictureSize{static_cast<int>(r.Header.Width), static_cast<int>(r.Header.Height)};
}

bool PngHasAlpha(Bytes data) {
    PngReading r;
    return !StartPng(data, true, r) && r.Header.HasAlpha;
}

Result<PngPicture> DecodePngShrunk(Bytes data, const ShrinkPlan& plan) {
    try {
        PngReading r;
        if (auto failure = StartPng(data, false, r))
            return *failure;
        const PngHeader& header = r.Header;
        if (!PicturePixelsFit(header.Width, header.Height))
            return Error{"The PNG picture is too large to load."};
        const int width = static_cast<int>(header.Width);
        const int height = static_cast<int>(header.Height);
        const PictureSize size = ShrinkTo(width, height, plan);
        AreaAverageShrinker shrinker(width, height, size.Width, size.Height,
                                     ShrinkAlphaFor(plan, header.HasAlpha));
        std::vector<std::uint8_t> row(header.RowBytes);
        if (!header.Interlaced) {
            for (int y = 0; y < height; ++y) {
                if (!ReadPngRow(r.Handle.Png, row.data()))
                    return Error{Damaged(r.Io)};
                shrinker.AddRow(y, row.data(), 4);
            }
        } else {
            // Each pass holds every pixel of its own columns and rows once (libpng skips the
            // passes that hold none).
            for (int pass = 0; pass < 7; ++pass) {
                const int rows = static_cast<int>(PNG_PASS_ROWS(header.Height, pass));
                const int columns = static_cast<int>(PNG_PASS_COLS(header.Width, pass));
                if (rows == 0 || columns == 0)
                    continue;
                for (int i = 0; i < rows; ++i) {
                    if (!ReadPngRow(r.Handle.Png, row.data()))
                        return Error{Damaged(r.Io)};
                    shrinker.Add(static_cast<int>(PNG_ROW_FROM_PASS_ROW(i, pass)),
                                 static_cast<int>(PNG_PASS_START_COL(pass)),
                                 1 << PNG_PASS_COL_SHIFT(pass), columns, row.data(), 4);
                }
            }
        }
        ReadPngEnd(r.Handle.Png);
        return PngPicture{shrinker.Finish(ShrunkFormat(plan, header.HasAlpha)), header.HasAlpha};
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to read the PNG picture."};
    }
}

Result<PngPicture> LoadPngFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return DecodePng(*bytes);
}

Result<std::vector<std::uint8_t>> EncodePngRgba(const Bitmap& bitmap32,
                                                const PngEncodeOptions& options) {
    if (bitmap32.Format() != PixelFormat::Bits32)
        return Error{"Only a 32-bit picture can be written as an RGBA PNG."};
    if (bitmap32.Empty())
        return Error{"An empty picture can not be written as a PNG."};
    try {
        std::vector<std::uint8_t> output;
        output.reserve(static_cast<std::size_t>(bitmap32.Width()) * bitmap32.Height() / 2 + 1024);
        PngIo io;
        io.Output = &output;
        PngWriteHandle handle;
        handle.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, PngError, PngWarning);
        if (!handle.Png)
            return Error{"Not enough memory to write the PNG picture."};
        handle.Info = png_create_info_struct(handle.Png);
        if (!handle.Info)
            return Error{"Not enough memory to write the PNG picture."};
        png_set_write_fn(handle.Png, &io, PngWrite, PngFlush);

        std::vector<png_bytep> rows(static_cast<std::size_t>(bitmap32.Height()));
        for (int y = 0; y < bitmap32.Height(); ++y)
            rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(bitmap32.Row(y));
        // libpng copies each row into its own buffer before swapping blue and red, so the
        // bitmap's rows are only read.
        if (!WritePngRows(handle.Png, handle.Info, static_cast<png_uint_32>(bitmap32.Width()),
                          static_cast<png_uint_32>(bitmap32.Height()), rows.data(),
                          options)) {
            if (io.OutOfMemory)
                return Error{"Not enough memory to write the PNG picture."};
            return Error{std::string("The PNG picture could not be written: ") + io.Message};
        }
        return output;
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to write the PNG picture."};
    }
}

Status SavePngFile(const Bitmap& bitmap32, const std::filesystem::path& path,
                   ReadOnlyTarget readOnly) {
    auto encoded = EncodePngRgba(bitmap32);
    if (!encoded)
        return encoded.GetError();
    return WriteFileAtomic(path, *encoded, DiskFlush::Yes, readOnly);
}

}  // namespace gf
