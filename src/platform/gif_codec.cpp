#include "platform/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
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
    if (length <= 0 || source->Pos >= source->Size)
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

Error Damaged(const std::string& what) {
    return Error{"The GIF picture is damaged: " + what};
}

std::string FrameName(std::size_t index) {
    return "frame " + std::to_string(index + 1);
}

// giflib's own words, except where it says it could not read, which here (reading from
// memory) only ever means that the file ended; the callers say where.
std::string LibraryReason(int error) {
    const char* text = GifErrorString(error);
    return text ? text : "unknown error";
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

// Blue, green, red, alpha for every index an 8-bit code can give. Indices the colour map does
// not cover are black; a picture without any map gets black and white for its first two, as
// the GIF format recommends. Wider codes beyond the table are black too.
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

struct FrameRecord {
    std::size_t Offset = 0;      // of the image separator
    std::size_t DataOffset = 0;  // of the LZW code size byte
    int CodeSize = 0;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
    std::size_t Table = 0;  // into the colour tables
    FrameControl Control;
};

Area ClipToScreen(const FrameRecord& f, int width, int height) {
    Area a;
    a.X0 = std::clamp(f.Left, 0, width);
    a.Y0 = std::clamp(f.Top, 0, height);
    a.X1 = std::clamp(f.Left + f.Width, 0, width);
    a.Y1 = std::clamp(f.Top + f.Height, 0, height);
    return a;
}

void ClearArea(Bitmap& canvas, const Area& a) {
    if (a.X1 <= a.X0)
        return;
    for (int y = a.Y0; y < a.Y1; ++y)
        std::memset(canvas.Row(y) + static_cast<std::size_t>(a.X0) * 4, 0,
                    static_cast<std::size_t>(a.X1 - a.X0) * 4);
}

// The image descriptor at `offset` (its separator) as the file has it: place, interlacing,
// local colour table and where the LZW data starts. None when the file ends inside it.
std::optional<FrameRecord> ReadDescriptor(Bytes file, std::size_t offset) {
    if (offset >= file.size() || file.size() - offset < 10)
        return std::nullopt;
    const std::uint8_t* d = file.data() + offset;
    FrameRecord f;
    f.Offset = offset;
    f.Left = d[1] | (d[2] << 8);
    f.Top = d[3] | (d[4] << 8);
    f.Width = d[5] | (d[6] << 8);
    f.Height = d[7] | (d[8] << 8);
    const std::uint8_t flags = d[9];
    f.Interlaced = (flags & 0x40) != 0;
    std::size_t at = offset + 10;
    if (flags & 0x80)
        at += 3u * (std::size_t{2} << (flags & 7));
    if (at >= file.size())
        return std::nullopt;
    f.DataOffset = at;
    f.CodeSize = file[at];
    return f;
}

// The offset just past the data sub-blocks starting at `at`, or none when the file ends first.
std::optional<std::size_t> SkipSubBlocks(Bytes file, std::size_t at) {
    while (at < file.size()) {
        const std::size_t length = file[at];
        if (length == 0)
            return at + 1;
        at += 1 + length;
    }
    return std::nullopt;
}

// LZW codes of 9 to 12 bits from the first (code sizes 9 to 11): the GIF format allows them and
// other readers decode them, but giflib stops at 8. One frame's data, row by row.
class WideLzwDecoder {
  public:
    WideLzwDecoder(Bytes file, std::size_t dataOffset, int codeSize)
        : File(file), Block(dataOffset + 1), MinSize(codeSize), Clear(1 << codeSize) {
        Reset();
    }

    // The next `width` indices; false (with the reason) when the data ends or is damaged first.
    bool NextLine(std::uint16_t* line, int width, std::string& why) {
        for (int x = 0; x < width; ++x) {
            while (Pending.empty()) {
                if (!DecodeCode(why))
                    return false;
            }
            line[x] = Pending.back();
            Pending.pop_back();
        }
        return true;
    }

  private:
    void Reset() {
        CodeBits = MinSize + 1;
        Next = Clear + 2;
        Previous = -1;
    }

    // The next code, least significant bit first across the sub-blocks; -1 at their end.
    int ReadCode() {
        while (BitCount < CodeBits) {
            if (Left == 0) {
                if (Ended || Block >= File.size())
                    return -1;
                Left = File[Block++];
                if (Left == 0) {
                    Ended = true;
                    return -1;
                }
            }
            if (Block >= File.size())
                return -1;
            Bits |= std::uint32_t{File[Block++]} << BitCount;
            BitCount += 8;
            --Left;
        }
        const int code = static_cast<int>(Bits & ((1u << CodeBits) - 1));
        Bits >>= CodeBits;
        BitCount -= CodeBits;
        return code;
    }

    // Pushes the string of `code` onto Pending, last pixel first.
    void PushString(int code) {
        while (code >= Clear) {
            Pending.push_back(Suffix[static_cast<std::size_t>(code)]);
            code = Prefix[static_cast<std::size_t>(code)];
        }
        Pending.push_back(static_cast<std::uint16_t>(code));
    }

    bool DecodeCode(std::string& why) {
        const int code = ReadCode();
        if (code < 0) {
            why = "its picture data ends before its last pixel";
            return false;
        }
        if (code == Clear) {
            Reset();
            return true;
        }
        if (code == Clear + 1) {
            why = "its picture data ends before its last pixel";
            return false;
        }
        if (Previous < 0) {
            if (code > Clear) {
                why = "its picture data is damaged";
                return false;
            }
            PushString(code);
            Previous = code;
            return true;
        }
        std::uint16_t first = 0;
        if (code < Next) {
            PushString(code);
            first = Pending.back();
        } else if (code == Next && Next < 4096) {
            PushString(Previous);
            first = Pending.back();
            Pending.insert(Pending.begin(), first);
        } else {
            why = "its picture data is damaged";
            return false;
        }
        if (Next < 4096) {
            Prefix[static_cast<std::size_t>(Next)] = static_cast<std::uint16_t>(Previous);
            Suffix[static_cast<std::size_t>(Next)] = first;
            ++Next;
            if (Next == (1 << CodeBits) && CodeBits < 12)
                ++CodeBits;
        }
        Previous = code;
        return true;
    }

    Bytes File;
    std::size_t Block;  // the next byte to read: a sub-block's length or one of its bytes
    std::size_t Left = 0;
    bool Ended = false;
    std::uint32_t Bits = 0;
    int BitCount = 0;
    int MinSize, Clear;
    int CodeBits = 0, Next = 0, Previous = -1;
    std::array<std::uint16_t, 4096> Prefix{}, Suffix{};
    std::vector<std::uint16_t> Pending;  // the current string, last pixel first
};

}  // namespace

struct GifFrames::State {
    std::vector<std::uint8_t> File;
    int ScreenWidth = 0, ScreenHeight = 0;
    std::vector<FrameRecord> Frames;
    std::vector<ColourTable> Tables;

    // Composing. Bases[k] is the screen as frame k is drawn onto it (frame k - 1's disposal
    // done); some are kept, every `KeepEvery`th, and the one after the last frame composed.
    mutable std::map<std::size_t, Bitmap> Kept;
    mutable std::optional<std::pair<std::size_t, Bitmap>> After;  // (k, Bases[k])
    mutable std::optional<std::pair<std::size_t, Bitmap>> Last;   // (k, frame k)
    std::size_t KeepEvery = 1;

    // The giflib reader frames are decoded with, reopened now and then (each image it reads
    // adds a record to its list).
    mutable GifSource Source;
    mutable GifHandle Reader;
    mutable std::size_t ReaderImages = 0;

    Bytes Data() const { return Bytes(File.data(), File.size()); }

    Status OpenReader() const {
        Reader.reset();
        Source = GifSource{File.data(), File.size(), 0};
        int error = 0;
        Reader.reset(DGifOpen(&Source, ReadGifBytes, &error));
        ReaderImages = 0;
        if (!Reader)
            return Damaged(LibraryReason(error));
        return Status::Success();
    }

    // Draws frame `index` onto the canvas.
    Status DrawFrame(std::size_t index, Bitmap& canvas) const {
        const FrameRecord& f = Frames[index];
        if (f.Width <= 0 || f.Height <= 0)
            return Status::Success();
        const auto fail = [&](const std::string& why) {
            return Damaged(FrameName(index) + ": " + why + ".");
        };
        const ColourTable& colours = Tables[f.Table];
        const int transparent = f.Control.Transparent;
        std::vector<std::uint16_t> line(static_cast<std::size_t>(f.Width));
        std::vector<GifPixelType> narrow;
        std::optional<WideLzwDecoder> wide;
        if (f.CodeSize > 8) {
            wide.emplace(Data(), f.DataOffset, f.CodeSize);
        } else {
            if (!Reader || ReaderImages >= 256) {
                if (Status s = OpenReader(); !s)
                    return s;
            }
            Source.Pos = f.Offset + 1;
            if (DGifGetImageDesc(Reader.get()) == GIF_ERROR)
                return fail(LibraryReason(Reader->Error));
            ++ReaderImages;
            narrow.resize(line.size());
        }
        static constexpr int InterlacedStart[4] = {0, 4, 2, 1};
        static constexpr int InterlacedStep[4] = {8, 8, 4, 2};
        const int passes = f.Interlaced ? 4 : 1;
        const int x0 = std::max(f.Left, 0);
        const int x1 = std::min(f.Left + f.Width, canvas.Width());
        for (int pass = 0; pass < passes; ++pass) {
            const int start = f.Interlaced ? InterlacedStart[pass] : 0;
            const int step = f.Interlaced ? InterlacedStep[pass] : 1;
            for (int r = start; r < f.Height; r += step) {
                if (wide) {
                    std::string why;
                    if (!wide->NextLine(line.data(), f.Width, why))
                        return fail(why);
                } else {
                    if (DGifGetLine(Reader.get(), narrow.data(), f.Width) == GIF_ERROR) {
                        const int error = Reader->Error;
                        Reader.reset();
                        return fail(error == D_GIF_ERR_READ_FAILED
                                        ? "its picture data ends before its last pixel"
                                        : error == D_GIF_ERR_IMAGE_DEFECT
                                              ? "its picture data is damaged"
                                              : LibraryReason(error));
                    }
                    std::copy(narrow.begin(), narrow.end(), line.begin());
                }
                const int y = f.Top + r;
                if (y < 0 || y >= canvas.Height())
                    continue;
                std::uint8_t* row = canvas.Row(y);
                for (int x = x0; x < x1; ++x) {
                    const int i = line[static_cast<std::size_t>(x - f.Left)];
                    if (i == transparent)
                        continue;
                    // Wide codes can name indices beyond any colour table: black.
                    static constexpr std::array<std::uint8_t, 4> Beyond = {0, 0, 0, 255};
                    std::memcpy(row + static_cast<std::size_t>(x) * 4,
                                i < 256 ? colours[static_cast<std::size_t>(i)].data()
                                        : Beyond.data(),
                                4);
                }
            }
        }
        return Status::Success();
    }

    // The screen frame `index` leaves for the next one, from the one it was drawn on.
    void Dispose(std::size_t index, const Bitmap& base, Bitmap& shown) const {
        const FrameRecord& f = Frames[index];
        if (f.Control.Disposal == DISPOSE_BACKGROUND)
            ClearArea(shown, ClipToScreen(f, ScreenWidth, ScreenHeight));
        else if (f.Control.Disposal == DISPOSE_PREVIOUS)
            shown = base;
    }

    Result<Bitmap> Compose(std::size_t index) const {
        if (Last && Last->first == index)
            return Last->second;
        // From the nearest screen kept at or before the frame (the empty screen before the
        // first is made anew).
        std::size_t from = 0;
        const Bitmap* start = nullptr;
        auto kept = Kept.upper_bound(index);
        if (kept != Kept.begin()) {
            --kept;
            from = kept->first;
            start = &kept->second;
        }
        if (After && After->first <= index && After->first >= from) {
            from = After->first;
            start = &After->second;
        }
        // Going on from the last frame composed takes its screen over rather than copying it.
        Bitmap base = !start ? Bitmap(ScreenWidth, ScreenHeight, PixelFormat::Bits32)
                      : After && start == &After->second ? std::move(After->second)
                                                          : *start;
        After.reset();
        Last.reset();
        // Only a frame that restores the screen it was drawn on needs that screen kept apart;
        // every other is drawn over it in place. The two screens trade places frame by frame,
        // so a long run of frames allocates nothing.
        Bitmap shown;
        for (std::size_t k = from;; ++k) {
            if (k > 0 && k % KeepEvery == 0 && !Kept.count(k))
                Kept.emplace(k, base);
            const bool restores = Frames[k].Control.Disposal == DISPOSE_PREVIOUS;
            if (restores)
                shown = base;
            else
                std::swap(shown, base);
            if (Status s = DrawFrame(k, shown); !s)
                return Error{s.ErrorMessage()};
            if (k == index) {
                Bitmap next = restores ? std::move(base) : shown;
                if (!restores)
                    Dispose(k, base, next);
                base = Bitmap();
                After.emplace(k + 1, std::move(next));
                Last.emplace(k, std::move(shown));
                return Last->second;
            }
            Dispose(k, base, shown);
            std::swap(base, shown);
        }
    }
};

namespace {

// Reads one extension, keeping a Graphics Control Extension's settings for the next image.
bool ReadExtension(GifFileType* gif, FrameControl& control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    bool first = true;
    while (block) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4)
            control = ParseFrameControl(block);
        first = false;
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

// Walks the records of the file: every frame's descriptor, colours and control, and its data
// skipped unread.
class RecordWalk {
  public:
    RecordWalk(GifFrames::State& state, GifFileType* gif, GifSource& source)
        : S(state), Gif(gif), Source(source) {}

    std::optional<Error> Run() {
        FrameControl control;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(Gif, &type) == GIF_ERROR) {
                // Whatever follows the last complete frame (a missing trailer, stray bytes)
                // does not spoil the frames before it.
                if (!S.Frames.empty())
                    return std::nullopt;
                return Source.Pos >= Source.Size
                           ? Damaged("the file ends before its first image.")
                           : Damaged(LibraryReason(Gif->Error) + ".");
            }
            if (type == TERMINATE_RECORD_TYPE)
                return std::nullopt;
            if (type == EXTENSION_RECORD_TYPE) {
                if (!ReadExtension(Gif, control)) {
                    if (!S.Frames.empty())
                        return std::nullopt;
                    return Source.Pos >= Source.Size
                               ? Damaged("an extension block is not terminated: the file ends "
                                         "inside it.")
                               : Damaged(LibraryReason(Gif->Error) + ".");
                }
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE)
                return Damaged(LibraryReason(D_GIF_ERR_WRONG_RECORD) + ".");
            if (S.Frames.size() >= MaxGifFrames)
                return Error{"The GIF animation has more than " + std::to_string(MaxGifFrames) +
                             " frames."};
            if (auto failure = AddFrame(control)) {
                if (failure->Ended && !S.Frames.empty())
                    return std::nullopt;
                return failure->What;
            }
            // A Graphics Control Extension applies to the one image after it.
            control = FrameControl{};
        }
    }

  private:
    struct Failure {
        Error What;
        bool Ended = false;  // the file ended inside the frame
    };

    std::optional<Failure> AddFrame(const FrameControl& control) {
        const std::size_t index = S.Frames.size();
        const std::size_t separator = Source.Pos - 1;
        const Bytes file = S.Data();
        auto record = ReadDescriptor(file, separator);
        if (!record)
            return Failure{Damaged("the file ends inside the descriptor of " +
                                   FrameName(index) + "."),
                           true};
        record->Control = control;
        const bool wide = record->CodeSize > 8;
        if (record->CodeSize > 11) {
            return Failure{Damaged(FrameName(index) + " gives an LZW code size of " +
                                   std::to_string(record->CodeSize) +
                                   "; at most 11 is possible.")};
        }
        // giflib reads the descriptor and colours; it refuses code sizes above 8 only after.
        if (DGifGetImageDesc(Gif) == GIF_ERROR && !wide) {
            return Failure{Damaged(LibraryReason(Gif->Error) + " in " + FrameName(index) + "."),
                           Source.Pos >= Source.Size};
        }
        if (S.Frames.empty()) {
            if (auto failure = MakeScreen(*record))
                return Failure{*failure};
        }
        record->Table = TableFor(Gif->Image.ColorMap);
        // The pixels are skipped now and decoded when the frame is asked for.
        auto end = SkipSubBlocks(file, record->DataOffset + 1);
        if (!end)
            return Failure{Damaged("the file ends inside the picture data of " +
                                   FrameName(index) + "."),
                           true};
        Source.Pos = *end;
        S.Frames.push_back(*record);
        return std::nullopt;
    }

    std::optional<Error> MakeScreen(const FrameRecord& first) {
        // A screen of no size is taken from the first frame, as viewers do.
        const int width = Gif->SWidth > 0 ? Gif->SWidth : first.Left + first.Width;
        const int height = Gif->SHeight > 0 ? Gif->SHeight : first.Top + first.Height;
        if (width <= 0 || height <= 0)
            return Error{"The GIF picture has no size."};
        if (!PictureSidesFit(static_cast<std::uint64_t>(width),
                             static_cast<std::uint64_t>(height)))
            return Error{PictureTooLargeMessage("The GIF picture",
                                                static_cast<std::uint64_t>(width),
                                                static_cast<std::uint64_t>(height))};
        // The screen being composed, the one it was drawn on and one kept.
        if (!DecodedPictureFits(static_cast<std::uint64_t>(width),
                                static_cast<std::uint64_t>(height), 4, 3))
            return Error{"The GIF picture is too large to load."};
        S.ScreenWidth = width;
        S.ScreenHeight = height;
        return std::nullopt;
    }

    // The colour table of a frame's own map, or the screen's (made once).
    std::size_t TableFor(const ColorMapObject* local) {
        if (local) {
            S.Tables.push_back(MakeColourTable(local));
            return S.Tables.size() - 1;
        }
        if (!GlobalTable) {
            S.Tables.push_back(MakeColourTable(Gif->SColorMap));
            GlobalTable = S.Tables.size() - 1;
        }
        return *GlobalTable;
    }

    GifFrames::State& S;
    GifFileType* Gif;
    GifSource& Source;
    std::optional<std::size_t> GlobalTable;
};

}  // namespace

GifFrames::GifFrames(std::unique_ptr<State> state) : S(std::move(state)) {}
GifFrames::GifFrames(GifFrames&&) noexcept = default;
GifFrames& GifFrames::operator=(GifFrames&&) noexcept = default;
GifFrames::~GifFrames() = default;

Result<GifFrames> GifFrames::Open(std::vector<std::uint8_t> file) {
    if (file.size() < 6 || std::memcmp(file.data(), "GIF", 3) != 0)
        return Error{"The file is not a GIF picture."};
    try {
        auto state = std::make_unique<State>();
        state->File = std::move(file);
        GifSource source{state->File.data(), state->File.size(), 0};
        int error = 0;
        GifHandle gif(DGifOpen(&source, ReadGifBytes, &error));
        if (!gif) {
            return error == D_GIF_ERR_READ_FAILED || source.Pos >= source.Size
                       ? Damaged("the file ends inside its header.")
                       : Damaged(LibraryReason(error) + ".");
        }
        if (!PictureSidesFit(static_cast<std::uint64_t>(gif->SWidth),
                             static_cast<std::uint64_t>(gif->SHeight)))
            return Error{PictureTooLargeMessage("The GIF picture",
                                                static_cast<std::uint64_t>(gif->SWidth),
                                                static_cast<std::uint64_t>(gif->SHeight))};
        if (auto failure = RecordWalk(*state, gif.get(), source).Run())
            return *failure;
        if (state->Frames.empty())
            return Error{"The GIF picture holds no image."};
        const std::uint64_t screen =
            4ull * static_cast<std::uint64_t>(state->ScreenWidth) *
            static_cast<std::uint64_t>(state->ScreenHeight);
        const std::uint64_t keep = std::max<std::uint64_t>(1, GifKeptScreensBytes / screen);
        state->KeepEvery = static_cast<std::size_t>(
            std::max<std::uint64_t>(1, (state->Frames.size() + keep - 1) / keep));
        return GifFrames(std::move(state));
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the GIF picture."};
    }
}

int GifFrames::Width() const {
    return S->ScreenWidth;
}
int GifFrames::Height() const {
    return S->ScreenHeight;
}
std::size_t GifFrames::Count() const {
    return S->Frames.size();
}
int GifFrames::DelayMs(std::size_t index) const {
    return index < S->Frames.size() ? S->Frames[index].Control.DelayCs * 10 : 0;
}

Result<Bitmap> GifFrames::Frame(std::size_t index) const {
    if (index >= S->Frames.size())
        return Error{"The GIF picture has no " + FrameName(index) + "."};
    try {
        return S->Compose(index);
    } catch (const std::bad_alloc&) {
        return Error{"Not enough memory to load the GIF picture."};
    }
}

Status GifFrames::DecodeAll() {
    for (std::size_t i = 0; i < S->Frames.size(); ++i) {
        auto frame = Frame(i);
        if (frame)
            continue;
        if (i == 0)
            return frame.GetError();
        // The frames before it are whole; the animation ends there.
        S->Frames.resize(i);
        S->Kept.erase(S->Kept.upper_bound(i), S->Kept.end());
        if (S->After && S->After->first > i)
            S->After.reset();
        break;
    }
    return Status::Success();
}

Result<GifFrames> OpenGifFile(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return bytes.GetError();
    return GifFrames::Open(std::move(*bytes));
}

Result<GifAnimation> DecodeGif(Bytes data) {
    auto frames = GifFrames::Open(std::vector<std::uint8_t>(data.begin(), data.end()));
    if (!frames)
        return frames.GetError();
    if (!DecodedPictureFits(static_cast<std::uint64_t>(frames->Width()),
                            static_cast<std::uint64_t>(frames->Height()), 4, frames->Count()))
        return Error{"The GIF animation is too large to load."};
    GifAnimation a;
    a.Width = frames->Width();
    a.Height = frames->Height();
    // In order, as DecodeAll: the animation ends before a frame that cannot be decoded.
    for (std::size_t i = 0; i < frames->Count(); ++i) {
        auto frame = frames->Frame(i);
        if (!frame) {
            if (i == 0)
                return frame.GetError();
            break;
        }
        a.Frames.push_back(std::move(*frame));
        a.DelaysMs.push_back(frames->DelayMs(i));
    }
    return a;
}

}  // namespace gf
