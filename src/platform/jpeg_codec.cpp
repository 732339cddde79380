#include "platform/jpeg_codec.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <new>
#include <numeric>
#include <optional>
#include <string>

#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/picture_limits.h"

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's colour space extensions (JCS_EXT_BGR) are required"
#endif

// libjpeg reports errors through error_exit, which must not return; ours longjmps. Every call
// into libjpeg that can fail runs inside a small function whose frame holds nothing with a
// destructor, so the jump skips only C frames and those functions. The C++ objects (bitmap,
// row pointers) live in the callers; the libjpeg structures are owned by small handles there
// and destroyed after the jump, never during it.

namespace gf {

namespace {

// A progressive file may hold any number of scans, each a pass over the blocks of its
// components, even when it carries no data: a few hundred bytes of scan headers over a large
// frame would keep the decoder busy for minutes. Real encoders write about ten scans; a
// 100-megapixel photo with ten full scans makes some 25 million block visits.
constexpr int MaxJpegScans = 1000;
constexpr std::uint64_t MaxJpegScanBlocks = 1ull << 27;

// Beyond this many pixels a shrinking decode uses libjpeg's DCT scaling.
constexpr std::uint64_t MaxFullScaleJpegPixels = 1ull << 25;

struct JpegErrorState {
    jpeg_error_mgr Base;  // first: libjpeg hands back a pointer to it
    std::jmp_buf Jump;
    // Set once every scanline has been produced; running out of data after that only means
    // the end marker is missing.
    bool PixelsComplete;
    bool TooLarge;  // the frame needs more memory than libjpeg may take
    char Message[JMSG_LENGTH_MAX];
};

JpegErrorState* ErrorStateOf(j_common_ptr cinfo) {
    return reinterpret_cast<JpegErrorState*>(cinfo->err);
}

[[noreturn]] void JpegFail(j_common_ptr cinfo, const char* message) {
    JpegErrorState* state = ErrorStateOf(cinfo);
    if (state->Message[0] == '\0')
        std::snprintf(state->Message, sizeof state->Message, "%s", message);
    std::longjmp(state->Jump, 1);
}

void JpegErrorExit(j_common_ptr cinfo) {
    // Our memory limit, not damage: libjpeg words it as a missing backing store.
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE) {
        ErrorStateOf(cinfo)->TooLarge = true;
        JpegFail(cinfo, "too large");
    }
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    JpegFail(cinfo, text);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
    // Trace messages (level >= 0) and warnings about recoverable damage are not shown; the
    // library repairs what it can and goes on.
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void JpegOutputMessage(j_common_ptr) {}

void InitErrorState(JpegErrorState* state) {
    jpeg_std_error(&state->Base);
    state->Base.error_exit = JpegErrorExit;
    state->Base.emit_message = JpegEmitMessage;
    state->Base.output_message = JpegOutputMessage;
    state->PixelsComplete = false;
    state->TooLarge = false;
    state->Message[0] = '\0';
}

// True when the bytes from `next` on begin a scan's entropy-coded data rather than the next
// marker (fill bytes 0xFF before a marker are skipped; 0xFF 0x00 is a stuffed data byte and a
// restart marker belongs to the scan).
bool ScanHasData(const JOCTET* next, std::size_t size) {
    const JOCTET* end = next + size;
    if (next == end)
        return false;
    if (*next != 0xFF)
        return true;
    while (next != end && *next == 0xFF)
        ++next;
    return next != end && (*next == 0x00 || (*next >= JPEG_RST0 && *next <= JPEG_RST0 + 7));
}

// Counts the work of the scans read so far, and refuses a scan without data: a frame whose
// scans are all empty would otherwise come out as a plain grey picture.
struct JpegProgressState {
    jpeg_progress_mgr Base;  // first: libjpeg hands back a pointer to it
    int LastScan;
    std::uint64_t ScanBlocks;
};

void CheckNewScan(j_decompress_ptr cinfo) {
    auto* state = reinterpret_cast<JpegProgressState*>(cinfo->progress);
    if (cinfo->input_scan_number <= state->LastScan)
        return;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    state->LastScan = cinfo->input_scan_number;
    if (state->LastScan > MaxJpegScans)
        JpegFail(common, "the file holds too many scans");
    if (!ScanHasData(cinfo->src->next_input_byte, cinfo->src->bytes_in_buffer))
        JpegFail(common, "a scan holds no picture data");
    for (int i = 0; i < cinfo->comps_in_scan; ++i) {
        const jpeg_component_info* component = cinfo->cur_comp_info[i];
        state->ScanBlocks +=
            std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
    }
    if (state->ScanBlocks > MaxJpegScanBlocks)
        JpegFail(common, "the file's scans would take too long to decode");
}

// Called before each step of decoding, so also as soon as a new scan's header has been read.
void JpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor)
        CheckNewScan(reinterpret_cast<j_decompress_ptr>(cinfo));
}

// Source over a buffer that holds the whole file. Running out of data before every scanline
// is decoded is an error: libjpeg's own memory source would pad the rest with grey and call
// the damaged picture a success.
const JOCTET FakeEndMarker[2] = {0xFF, JPEG_EOI};

void SourceInit(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr cinfo) {
    if (!ErrorStateOf(reinterpret_cast<j_common_ptr>(cinfo))->PixelsComplete)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), "the file ends before the picture does");
    cinfo->src->next_input_byte = FakeEndMarker;
    cinfo->src->bytes_in_buffer = sizeof FakeEndMarker;
    return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
        src->next_input_byte += src->bytes_in_buffer;
        src->bytes_in_buffer = 0;
        SourceFill(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void SourceTerm(j_decompress_ptr) {}

// Destination into a malloc'd buffer that doubles as it fills; freed by its owner.
struct JpegDestination {
    jpeg_destination_mgr Base;  // first
    unsigned char* Buffer;
    std::size_t Capacity;
    std::size_t Size;
};

JpegDestination* DestinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<JpegDestination*>(cinfo->dest);
}

void DestinationInit(j_compress_ptr cinfo) {
    JpegDestination* dest = DestinationOf(cinfo);
    if (!dest->Buffer) {
        dest->Capacity = 64 * 1024;
        dest->Buffer = static_cast<unsigned char*>(std::malloc(dest->Capacity));
        if (!dest->Buffer)
            JpegFail(reinterpret_cast<j_common_ptr>(cinfo), "out of memory");
    }
    dest->Base.next_output_byte = dest->Buffer;
    dest->Base.free_in_buffer = dest->Capacity;
}

boolean DestinationEmpty(j_compress_ptr cinfo) {
    // Called with the whole buffer full.
    JpegDestination* dest = DestinationOf(cinfo);
    std::size_t grown = dest->Capacity * 2;
    auto* bigger = static_cast<unsigned char*>(std::realloc(dest->Buffer, grown));
    if (!bigger)
        JpegFail(reinterpret_cast<j_common_ptr>(cinfo), "out of memory");
    dest->Buffer = bigger;
    dest->Base.next_output_byte = bigger + dest->Capacity;
    dest->Base.free_in_buffer = grown - dest->Capacity;
    dest->Capacity = grown;
    return TRUE;
}

void DestinationTerm(j_compress_ptr cinfo) {
    JpegDestination* dest = DestinationOf(cinfo);
    dest->Size = dest->Capacity - dest->Base.free_in_buffer;
}

struct JpegDecoder {
    jpeg_decompress_struct Info{};
    JpegErrorState Error{};
    jpeg_source_mgr Source{};
    JpegProgressState Progress{};

    JpegDecoder() {
        InitErrorState(&Error);
        Info.err = &Error.Base;
    }
    // Safe also when creation failed half-way: the structure starts zeroed.
    ~JpegDecoder() { jpeg_destroy_decompress(&Info); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
};

struct JpegEncoder {
    jpeg_compress_struct Info{};
    JpegErrorState Error{};
    JpegDestination Destination{};

    JpegEncoder() {
        InitErrorState(&Error);
        Info.err = &Error.Base;
    }
    ~JpegEncoder() {
        jpeg_destroy_compress(&Info);
        std::free(Destination.Buffer);
    }
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;
};

bool ReadJpegHeader(JpegDecoder* d, const std::uint8_t* data, std::size_t size) {
    if (setjmp(d->Error.Jump))
        return false;
    jpeg_create_decompress(&d->Info);
    // What libjpeg itself may take: progressive and multi-scan files hold every coefficient of
    // the frame (128 bytes per 8 x 8 block of each component) until the last scan. A larger
    // frame is refused rather than fill the machine's memory.
    constexpr std::uint64_t memoryLimit = MaxDecodedPictureBytes;
    d->Info.mem->max_memory_to_use =
        static_cast<long>(std::min<std::uint64_t>(memoryLimit, LONG_MAX));
    d->Progress.Base.progress_monitor = JpegProgress;
    d->Info.progress = &d->Progress.Base;
    d->Source.init_source = SourceInit;
    d->Source.fill_input_buffer = SourceFill;
    d->Source.skip_input_data = SourceSkip;
    d->Source.resync_to_restart = jpeg_resync_to_restart;
    d->Source.term_source = SourceTerm;
    d->Source.next_input_byte = data;
    d->Source.bytes_in_buffer = size;
    d->Info.src = &d->Source;
    jpeg_read_header(&d->Info, TRUE);
    // The header ends at the first scan's header.
    CheckNewScan(&d->Info);
    return true;
}

enum class RowKind { Direct, Cmyk };

// Converts one row of CMYK samples to blue, green, red. Files with an Adobe marker store the
// inks inverted (0 = full ink), as Photoshop writes them.
void CmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// Where decoded rows go: straight into a bitmap's rows, or (as blue, green, red) into a
// shrinker. Neither can jump or throw.
struct JpegRowTarget {
    std::uint8_t* const* Rows = nullptr;
    AreaAverageShrinker* Shrinker = nullptr;
};

bool ReadJpegPixels(JpegDecoder* d, JpegRowTarget target, JDIMENSION width, JDIMENSION height,
                    int components, RowKind kind, bool invertedCmyk) {
    if (setjmp(d->Error.Jump))
        return false;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(&d->Info);
    jpeg_start_decompress(&d->Info);
    if (d->Info.output_width != width || d->Info.output_height != height ||
        d->Info.output_components != components)
        JpegFail(common, "unexpected output format");
    JSAMPARRAY scratch = nullptr;
    if (kind == RowKind::Cmyk || !target.Rows)
        scratch = (*d->Info.mem->alloc_sarray)(common, JPOOL_IMAGE, width * 4, 1);
    JSAMPARRAY bgr = nullptr;
    if (kind == RowKind::Cmyk && !target.Rows)
        bgr = (*d->Info.mem->alloc_sarray)(common, JPOOL_IMAGE, width * 3, 1);
    while (d->Info.output_scanline < height) {
        JDIMENSION y = d->Info.output_scanline;
        JSAMPROW row = scratch ? scratch[0] : target.Rows[y];
        if (jpeg_read_scanlines(&d->Info, &row, 1) != 1)
            JpegFail(common, "the picture data stops early");
        if (kind == RowKind::Cmyk) {
            std::uint8_t* out = target.Rows ? target.Rows[y] : bgr[0];
            CmykRowToBgr(scratch[0], out, width, invertedCmyk);
            row = out;
        }
        if (target.Shrinker)
            target.Shrinker->AddRow(static_cast<int>(y), row, 3);
    }
    d->Error.PixelsComplete = true;
    return true;
}

// The output size at a DCT scale of `eighths` / 8.
bool ScaledJpegSize(JpegDecoder* d, unsigned eighths, JDIMENSION* width, JDIMENSION* height) {
    if (setjmp(d->Error.Jump))
        return false;
    d->Info.scale_num = eighths;
    d->Info.scale_denom = 8;
    jpeg_calc_output_dimensions(&d->Info);
    *width = d->Info.output_width;
    *height = d->Info.output_height;
    return true;
}

// What follows the last scanline carries nothing we use; damage there is ignored.
void FinishJpeg(JpegDecoder* d) {
    if (setjmp(d->Error.Jump)) {
        jpeg_abort_decompress(&d->Info);
        return;
    }
    jpeg_finish_decompress(&d->Info);
}

bool WriteJpeg(JpegEncoder* e, JDIMENSION width, JDIMENSION height, int components,
               J_COLOR_SPACE space, int quality, std::uint8_t* const* rows) {
    if (setjmp(e->Error.Jump))
        return false;
    jpeg_create_compress(&e->Info);
    e->Destination.Base.init_destination = DestinationInit;
    e->Destination.Base.empty_output_buffer = DestinationEmpty;
    e->Destination.Base.term_destination = DestinationTerm;
    e->Info.dest = &e->Destination.Base;
    e->Info.image_width = width;
    e->Info.image_height = height;
    e->Info.input_components = components;
    e->Info.in_color_space = space;
    jpeg_set_defaults(&e->Info);
    jpeg_set_quality(&e->Info, quality, TRUE);
    jpeg_start_compress(&e->Info, TRUE);
    while (e->Info.next_scanline < height) {
        JSAMPROW row = rows[e->Info.next_scanline];
        jpeg_write_scanlines(&e->Info, &row, 1);
    }
    jpeg_finish_compress(&e->Info);
    return true;
}

std::string WhyFailed(const JpegDecoder& d) {
    if (d.Error.TooLarge)
        return "The JPEG picture is too large to load.";
    return std::string("The JPEG picture is damaged: ") +
           (d.Error.Message[0] ? d.Error.Message : "unknown error");
}

// Checks the size the header claims before anything of that size is allocated: a picture to
// be held `whole` against the memory cap, one to be shrunk as it is read against the pixel cap.
std::optional<Error> CheckJpegSize(const jpeg_decompress_struct& info, bool whole = true) {
    if (info.image_width == 0 || info.image_height == 0)
        return Error{"The JPEG picture has no pixels."};
    if (!PictureSidesFit(info.image_width, info.image_height))
        return Error{PictureTooLargeMessage("The JPEG picture", info.image_width, info.image_height)};
    if (whole ? !DecodedPictureFits(info.image_width, info.image_height, 3)
              : !PicturePixelsFit(info.image_width, info.image_height))
        return Error{"The JPEG picture is too large to load."};
    return std::nullopt;
}

bool IsCmyk(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

bool IsRgbLike(J_COLOR_SPACE space) {
    return space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB;
}

std::vector<std::uint8_t*> RowPointers(Bitmap& bitmap) {
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        rows[static_cast<std::size_t>(y)] = bitmap.Row(y);
    return rows;
}

// Keeps the `colours` most used entries of an 8-bit bitmap's palette and moves every pixel
// to the nearest kept entry. Used where the quantiser cannot go as low as asked.
void KeepMostUsedColours(Bitmap& bitmap, int colours) {
    const std::vector<Color> palette = bitmap.Palette();
    std::array<std::uint64_t, 256> counts{};
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            ++counts[row[x]];
    }
    std::vector<int> order(palette.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return counts[static_cast<std::size_t>(a)] > counts[static_cast<std::size_t>(b)];
    });
    std::vector<Color> kept;
    for (int index : order) {
        if (static_cast<int>(kept.size()) == colours ||
            counts[static_cast<std::size_t>(index)] == 0)
            break;
        kept.push_back(palette[static_cast<std::size_t>(index)]);
    }
    if (kept.empty())
        kept.push_back(palette.empty() ? Black : palette.front());
    std::array<std::uint8_t, 256> remap{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        remap[i] = static_cast<std::uint8_t>(NearestPaletteIndex(kept, palette[i]));
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            row[x] = remap[row[x]];
    }
    bitmap.SetPalette(std::move(kept));
}

// Blue, green, red out of any colour space we read (CMYK through our own conversion).
std::optional<Error> ChooseBgrOutput(JpegDecoder& d, RowKind& kind, int& components) {
    if (IsRgbLike(d.Info.jpeg_color_space)) {
        d.Info.out_color_space = JCS_EXT_BGR;
        kind = RowKind::Direct;
        components = 3;
    } else if (IsCmyk(d.Info.jpeg_color_space)) {
        d.Info.out_color_space = JCS_CMYK;
        kind = RowKind::Cmyk;
        components = 4;
    } else {
        return Error{"The JPEG picture's colour space is not supported."};
    }
    return std::nullopt;
}

Result<Bitmap> DecodeJpegChecked(Bytes data) {
    JpegDecoder d;
    if (!ReadJpegHeader(&d, data.data(), data.size()))
        return Error{WhyFailed(d)};
    if (auto error = CheckJpegSize(d.Info))
        return *error;
    RowKind kind;
    int components;
    if (auto error = ChooseBgrOutput(d, kind, components))
        return *error;
    Bitmap bitmap(static_cast<int>(d.Info.image_width), static_cast<int>(d.Info.image_height),
                  PixelFormat::Bits24);
    auto rows = RowPointers(bitmap);
    if (!ReadJpegPixels(&d, {rows.data()}, d.Info.image_width, d.Info.image_height, components, kind,
                        d.Info.saw_Adobe_marker != 0))
        return Error{WhyFailed(d)};
    FinishJpeg(&d);
    return bitmap;
}

Result<Bitmap> DecodeJpegShrunkChecked(Bytes data, const ShrinkPlan& plan) {
    JpegDecoder d;
    if (!ReadJpegHeader(&d, data.data(), data.size()))
        return Error{WhyFailed(d)};
    if (auto error = CheckJpegSize(d.Info, false))
        return *error;
    const JDIMENSION width = d.Info.image_width, height = d.Info.image_height;
    RowKind kind;
    int components;
    if (auto error = ChooseBgrOutput(d, kind, components))
        return *error;
    const PictureSize size = ShrinkTo(static_cast<int>(width), static_cast<int>(height), plan);
    const int targetWidth = size.Width, targetHeight = size.Height;
    // A very large picture is decoded at a reduced DCT scale (libjpeg's inverse transform at
    // 7/8 down to 1/8 of the size), the mildest that brings it within the full-scale limit
    // while both sides still reach the target's. The shrunk result then differs from the full
    // decode's by a few levels at most, for a fraction of the time.
    unsigned eighths = 8;
    if (std::uint64_t{width} * height > MaxFullScaleJpegPixels) {
        for (unsigned milder = 7; milder >= 1; --milder) {
            JDIMENSION w = 0, h = 0;
            if (!ScaledJpegSize(&d, milder, &w, &h))
                return Error{WhyFailed(d)};
            if (w < static_cast<JDIMENSION>(targetWidth) ||
                h < static_cast<JDIMENSION>(targetHeight))
                break;
            eighths = milder;
            if (std::uint64_t{w} * h <= MaxFullScaleJpegPixels)
                break;
        }
    }
    JDIMENSION outWidth = 0, outHeight = 0;
    if (!ScaledJpegSize(&d, eighths, &outWidth, &outHeight))
        return Error{WhyFailed(d)};
    AreaAverageShrinker shrinker(static_cast<int>(outWidth), static_cast<int>(outHeight),
                                 targetWidth, targetHeight, ShrinkAlpha::Zero);
    JpegRowTarget target;
    target.Shrinker = &shrinker;
    if (!ReadJpegPixels(&d, target, outWidth, outHeight, components, kind,
                        d.Info.saw_Adobe_marker != 0))
        return Error{WhyFailed(d)};
    FinishJpeg(&d);
    return shrinker.Finish(ShrunkFormat(plan, false));
}

Result<Bitmap> DecodeJpegQuantizedChecked(Bytes data, int colours, bool dither) {
    JpegDecoder d;
    if (!ReadJpegHeader(&d, data.data(), data.size()))
        return Error{WhyFailed(d)};
    if (auto error = CheckJpegSize(d.Info))
        return *error;
    if (IsCmyk(d.Info.jpeg_color_space)) {
        // The quantiser works on red, green and blue only, and libjpeg does not turn CMYK into
        // those; go through our own conversion and a lossless-enough copy instead.
        auto rgb = DecodeJpegChecked(data);
        if (!rgb)
            return rgb.GetError();
        auto again = EncodeJpeg(*rgb, 100);
        if (!again)
            return again.GetError();
        return DecodeJpegQuantizedChecked(*again, colours, dither);
    }
    if (!IsRgbLike(d.Info.jpeg_color_space))
        return Error{"The JPEG picture's colour space is not supported."};

    // Greyscale pictures are widened to red, green and blue too: with one component libjpeg
    // would quietly fall back to its fixed one-pass quantiser.
    d.Info.out_color_space = JCS_RGB;
    d.Info.quantize_colors = TRUE;
    d.Info.two_pass_quantize = TRUE;
    d.Info.dither_mode = dither ? JDITHER_FS : JDITHER_NONE;
    // The two-pass quantiser makes no fewer than 8 colours; fewer are merged afterwards.
    d.Info.desired_number_of_colors = std::max(colours, 8);

    Bitmap bitmap(static_cast<int>(d.Info.image_width), static_cast<int>(d.Info.image_height),
                  PixelFormat::Bits8);
    auto rows = RowPointers(bitmap);
    if (!ReadJpegPixels(&d, {rows.data()}, d.Info.image_width, d.Info.image_height, 1,
                        RowKind::Direct, false))
        return Error{WhyFailed(d)};
    // The colour map lives in libjpeg's per-picture memory, which finishing releases.
    int count = std::clamp(d.Info.actual_number_of_colors, 0, 256);
    if (count == 0 || d.Info.colormap == nullptr || d.Info.out_color_components != 3)
        return Error{"The JPEG colour quantiser produced no colours."};
    std::vector<Color> palette(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        palette[static_cast<std::size_t>(i)] =
            Rgb(d.Info.colormap[0][i], d.Info.colormap[1][i], d.Info.colormap[2][i]);
    FinishJpeg(&d);
    // Indices never exceed the colour count, so a palette shorter than 256 is complete.
    bitmap.SetPalette(std::move(palette));
    if (colours < 8)
        KeepMostUsedColours(bitmap, colours);
    return bitmap;
}

}  // namespace

Result<Bitmap> DecodeJpeg(Bytes data) {
    try {
        return DecodeJpegChecked(data);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the JPEG picture."};
    }
}

Result<PictureSize> ReadJpegSize(Bytes data) {
    try {
        JpegDecoder d;
        if (!ReadJpegHeader(&d, data.data(), data.size()))
            return Error{WhyFailed(d)};
        if (auto error = CheckJpegSize(d.Info, false))
            return *error;
        return PictureSize{static_cast<int>(d.Info.image_width),
                           static_cast<int>(d.Info.image_height)};
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the JPEG picture."};
    }
}

Result<Bitmap> DecodeJpegShrunk(Bytes data, const ShrinkPlan& plan) {
    try {
        return DecodeJpegShrunkChecked(data, plan);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the JPEG picture."};
    }
}

Result<Bitmap> LoadJpegFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return DecodeJpeg(*bytes);
}

Result<std::vector<std::uint8_t>> EncodeJpeg(const Bitmap& bitmap, int quality) {
    if (quality < 1 || quality > 100)
        return Error{"The JPEG quality must lie between 1 and 100."};
    if (bitmap.Empty())
        return Error{"An empty picture can not be written as a JPEG."};
    try {
        // 24-bit storage (also Device and Custom) and 32-bit rows go to libjpeg as they are.
        const Bitmap* source = &bitmap;
        Bitmap converted;
        int components = 3;
        J_COLOR_SPACE space = JCS_EXT_BGR;
        if (bitmap.Format() == PixelFormat::Bits32) {
            components = 4;
            space = JCS_EXT_BGRX;
        } else if (bitmap.BitCount() != 24) {
            converted = bitmap.ConvertedTo(PixelFormat::Bits24);
            source = &converted;
        }
        std::vector<std::uint8_t*> rows(static_cast<std::size_t>(source->Height()));
        for (int y = 0; y < source->Height(); ++y)
            rows[static_cast<std::size_t>(y)] = const_cast<std::uint8_t*>(source->Row(y));

        JpegEncoder e;
        if (!WriteJpeg(&e, static_cast<JDIMENSION>(source->Width()),
                       static_cast<JDIMENSION>(source->Height()), components, space, quality,
                       rows.data()))
            return Error{std::string("The JPEG picture could not be written: ") + e.Error.Message};
        return std::vector<std::uint8_t>(e.Destination.Buffer,
                                         e.Destination.Buffer + e.Destination.Size);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to write the JPEG picture."};
    }
}

Result<Bitmap> DecodeJpegQuantized(Bytes data, int colours, bool dither) {
    if (colours < 2 || colours > 256)
        return Error{"The number of colours must lie between 2 and 256."};
    try {
        return DecodeJpegQuantizedChecked(data, colours, dither);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the JPEG picture."};
    }
}

}  // namespace gf
