#include "iconfile/ico_check.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string_view>
#include <tuple>

#include "iconfile/dib.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_format.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "iconfile/icon_image.h"

namespace gf {

namespace {

// What one directory entry and the bytes it points at say.
struct EntryView {
    std::size_t Index = 0;
    IconDirEntry Entry;
    bool Present = false;  // some of the image lies in the file
    bool Clipped = false;  // but not all of it
    Bytes Block;           // the part in the file
    bool Known = false;    // a DIB or PNG header that could be read
    bool Png = false;
    int Width = 0, Height = 0, Bits = 0;
    std::uint32_t ClrUsed = 0;
    std::uint64_t ColourEnd = 0;  // header, table and colour rows
    std::uint64_t MaskEnd = 0;    // and the AND mask
    bool AlphaZero = false;

    // Sorting order: by area, then by width, deepest first.
    auto Key() const { return std::make_tuple(std::int64_t{Width} * Height, Width, -Bits); }
};

std::string Num(std::uint64_t v) {
    return std::to_string(v);
}

// A text made of pieces in one allocation: a file of thousands of entries has a finding or a
// change for each, and a chain of + allocates again for nearly every piece.
std::string Cat(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view p : pieces)
        size += p.size();
    std::string text;
    text.reserve(size);
    for (std::string_view p : pieces)
        text += p;
    return text;
}

std::string SizeText(int w, int h) {
    return Cat({Num(static_cast<std::uint64_t>(w)), "x", Num(static_cast<std::uint64_t>(h))});
}

// The directory's width byte for an image of side `side`: the low byte, and 0 from 256 up.
std::uint8_t SizeByte(int side) {
    return side >= 256 ? 0 : static_cast<std::uint8_t>(side);
}

std::uint8_t ExpectedColourCount(const EntryView& v) {
    if (v.Png || v.Bits >= 8)
        return 0;
    const std::uint32_t full = 1u << v.Bits;
    return static_cast<std::uint8_t>(v.ClrUsed != 0 && v.ClrUsed < full ? v.ClrUsed : full);
}

bool ColourCountFits(const EntryView& v) {
    return v.Entry.ColorCount == ExpectedColourCount(v) ||
           v.Entry.ColorCount == IconColorCount(v.Bits);
}

void ReadImage(EntryView& v, std::uint64_t& alphaBudget) {
    const Bytes b = v.Block;
    if (IsPngBlock(b)) {
        const IconBlockHeader h = ReadIconBlockHeader(b);
        if (h.Width <= 0 || h.Height <= 0 || h.Width > MaxIconSide || h.Height > MaxIconSide)
            return;
        v.Known = v.Png = true;
        v.Width = static_cast<int>(h.Width);
        v.Height = static_cast<int>(h.Height);
        v.Bits = h.BitCount;
        return;
    }
    auto header = ReadDibHeader(b);
    if (!header || header->Size < DibInfoHeaderSize || header->Size > 4096)
        return;
    const DibHeader& d = *header;
    if (d.Width <= 0 || d.Width > MaxIconSide || d.Height <= 0 || d.Height / 2 > MaxIconSide ||
        d.Height / 2 == 0 || !IsDibBitCount(d.BitCount))
        return;
    v.Known = true;
    v.Width = d.Width;
    v.Height = d.Height / 2;
    v.Bits = d.BitCount;
    v.ClrUsed = d.ClrUsed;
    std::uint64_t table = 0;
    if (v.Bits <= 8) {
        table = 4ull * (d.ClrUsed != 0 ? std::min<std::uint64_t>(d.ClrUsed, 1u << 16)
                                       : (1ull << v.Bits));
    } else if (d.Compression == DibCompressionBitFields && d.Size == DibInfoHeaderSize) {
        table = 12;
    }
    const std::uint64_t w = static_cast<std::uint64_t>(v.Width);
    const std::uint64_t h = static_cast<std::uint64_t>(v.Height);
    v.ColourEnd = d.Size + table + RowBytes(w, v.Bits) * h;
    v.MaskEnd = v.ColourEnd + RowBytes(w, 1) * h;

    if (v.Bits == 32 && d.Compression == DibCompressionRgb && v.ColourEnd <= b.size()) {
        const std::uint64_t start = d.Size + table, pixels = w * h;
        if (pixels * 4 > alphaBudget)
            return;  // a file this repetitive is not worth scanning again
        alphaBudget -= pixels * 4;
        bool any = false;
        for (std::uint64_t i = 0; i < pixels && !any; ++i)
            any = b[static_cast<std::size_t>(start + 4 * i + 3)] != 0;
        v.AlphaZero = !any;
    }
}

struct Scan {
    IconDirHeader Header;
    std::size_t Declared = 0;
    std::vector<EntryView> Entries;
};

Scan ScanFile(Bytes file) {
    Scan s;
    auto header = ReadIconDirHeader(file);
    if (!header)
        return s;
    s.Header = *header;
    s.Declared = header->Count;
    const std::size_t room =
        file.size() >= IconDirHeaderSize ? (file.size() - IconDirHeaderSize) / IconDirEntrySize : 0;
    const std::size_t n = std::min(s.Declared, room);
    std::uint64_t alphaBudget = 4 * std::uint64_t{file.size()} + (1u << 20);
    s.Entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        EntryView v;
        v.Index = i;
        v.Entry = *ReadIconDirEntry(file, IconDirHeaderSize + IconDirEntrySize * i);
        v.Present = v.Entry.ImageOffset < file.size() && v.Entry.BytesInRes > 0;
        if (v.Present) {
            const std::uint64_t end = std::uint64_t{v.Entry.ImageOffset} + v.Entry.BytesInRes;
            v.Clipped = end > file.size();
            const std::size_t length = static_cast<std::size_t>(
                std::min<std::uint64_t>(end, file.size()) - v.Entry.ImageOffset);
            v.Block = file.subspan(v.Entry.ImageOffset, length);
            ReadImage(v, alphaBudget);
        }
        s.Entries.push_back(v);
    }
    return s;
}

void Add(IconCheckReport& r, IconProblem p, int entry, std::string text, bool fixable) {
    r.Findings.push_back({p, entry, std::move(text), fixable});
}

}  // namespace

namespace {

// Small PNG images are decoded to tell whether a fix can store them as bitmaps. A PNG of a few
// hundred bytes can hold 255 x 255 pixels, and any number of entries can name one PNG of
// megabytes, so the pixels made and the bytes inflated for one file are held to a budget in
// proportion to its size; images beyond it are not converted.
std::uint64_t PngDecodeBudget(Bytes file) {
    return 4 * std::uint64_t{file.size()} + (std::uint64_t{1} << 22);
}

enum class PngConversion { Possible, Undecodable, OverBudget };

PngConversion JudgePngConversion(const EntryView& v, std::uint64_t& budget) {
    const std::uint64_t cost =
        static_cast<std::uint64_t>(v.Width) * static_cast<std::uint64_t>(v.Height) +
        v.Block.size();
    if (cost > budget)
        return PngConversion::OverBudget;
    budget -= cost;
    return DecodeIconImageBlock(v.Block) ? PngConversion::Possible : PngConversion::Undecodable;
}

}  // namespace

IconCheckReport CheckIconFile(Bytes file) {
    IconCheckReport r;
    std::uint64_t pngBudget = PngDecodeBudget(file);
    auto header = ReadIconDirHeader(file);
    if (!header) {
        Add(r, IconProblem::BadHeader, -1, "the file is too short for an icon file's header",
            false);
        return r;
    }
    const Scan s = ScanFile(file);
    r.Type = s.Header.Type;
    r.EntryCount = s.Entries.size();
    if (s.Header.Reserved != 0)
        Add(r, IconProblem::BadHeader, -1,
            Cat({"the header's reserved field is ", Num(s.Header.Reserved), ", not 0"}), true);
    if (s.Header.Type != IconTypeIcon && s.Header.Type != IconTypeCursor)
        Add(r, IconProblem::BadHeader, -1,
            Cat({"the header's type is ", Num(s.Header.Type), ": neither icon (1) nor cursor (2)"}),
            false);
    if (s.Declared == 0)
        Add(r, IconProblem::NoImages, -1, "the directory holds no image", false);
    if (s.Entries.size() < s.Declared)
        Add(r, IconProblem::ShortDirectory, -1,
            Cat({"the header counts ", Num(s.Declared), " images, but the file has room for ",
                 Num(s.Entries.size()), " directory entries"}),
            true);

    const bool icon = s.Header.Type != IconTypeCursor;
    const std::uint64_t directoryEnd = IconDirHeaderSize + IconDirEntrySize * s.Entries.size();
    for (const EntryView& v : s.Entries) {
        const int i = static_cast<int>(v.Index);
        const IconDirEntry& e = v.Entry;
        if (!v.Present) {
            Add(r, IconProblem::OutsideFile, i,
                Cat({"its image (offset ", Num(e.ImageOffset), ", ", Num(e.BytesInRes),
                     " bytes) lies beyond the end of the file"}),
                true);
            continue;
        }
        if (v.Clipped)
            Add(r, IconProblem::OutsideFile, i,
                Cat({"its image claims ", Num(e.BytesInRes), " bytes, of which only ",
                     Num(v.Block.size()), " are in the file"}),
                true);
        if (e.ImageOffset < directoryEnd)
            Add(r, IconProblem::Overlap, i, "its image starts inside the directory", true);
        if (!v.Known) {
            Add(r, IconProblem::BadImageHeader, i,
                "its image is neither a bitmap of a usual depth and size nor a PNG", false);
            continue;
        }
        for (int axis = 0; axis < 2; ++axis) {
            const std::uint8_t stored = axis == 0 ? e.Width : e.Height;
            const int actual = axis == 0 ? v.Width : v.Height;
            const char* name = axis == 0 ? "width" : "height";
            if (stored == SizeByte(actual))
                continue;
            if (stored == 0)
                Add(r, IconProblem::ZeroSizeByte, i,
                    Cat({"its ", name, " byte is 0 (256) for an image ",
                         Num(static_cast<std::uint64_t>(actual)), " pixels ",
                         axis == 0 ? "wide" : "high"}),
                    true);
            else
                Add(r, IconProblem::SizeMismatch, i,
                    Cat({"the directory gives a ", name, " of ", Num(stored), ", the image ",
                         Num(static_cast<std::uint64_t>(actual))}),
                    true);
        }
        if (icon && e.BitCount != v.Bits)
            Add(r, IconProblem::BitCountMismatch, i,
                Cat({"the directory gives ", Num(e.BitCount), " bits per pixel, the image ",
                     Num(static_cast<std::uint64_t>(v.Bits))}),
                true);
        if (!ColourCountFits(v))
            Add(r, IconProblem::ColourCountMismatch, i,
                Cat({"the directory gives ", Num(e.ColorCount), " colours, the image ",
                     Num(ExpectedColourCount(v))}),
                true);
        if (v.Png) {
            if (std::max(v.Width, v.Height) < 256) {
                const PngConversion conversion = JudgePngConversion(v, pngBudget);
                Add(r, IconProblem::SmallPng, i,
                    Cat({"its ", SizeText(v.Width, v.Height),
                         " image is PNG-compressed, which older systems can not read below 256 "
                         "pixels",
                         conversion == PngConversion::Undecodable
                             ? "; it can not be decoded, so a fix keeps it"
                         : conversion == PngConversion::OverBudget
                             ? "; the file holds too many such images to convert them all"
                             : ""}),
                    conversion == PngConversion::Possible);
            }
            continue;
        }
        if (v.Bits <= 8 && v.ClrUsed > (1u << v.Bits))
            Add(r, IconProblem::PaletteMismatch, i,
                Cat({"its colour table has ", Num(v.ClrUsed), " entries, more than ",
                     Num(static_cast<std::uint64_t>(v.Bits)), " bits can index"}),
                false);
        if (v.ColourEnd > v.Block.size())
            Add(r, IconProblem::ShortColourData, i,
                Cat({"its colour rows need ", Num(v.ColourEnd), " bytes, the image has ",
                     Num(v.Block.size())}),
                false);
        else if (v.MaskEnd > v.Block.size())
            Add(r, IconProblem::ShortMask, i,
                Cat({"its AND mask is ", Num(v.MaskEnd - v.Block.size()),
                     " bytes shorter than its rows"}),
                true);
        if (v.AlphaZero)
            Add(r, IconProblem::AlphaAllZero, i,
                "it is 32-bit but every alpha byte is 0, so readers that use the alpha show "
                "nothing",
                true);
    }

    // Images overlapping one another, in order of their offsets.
    std::vector<const EntryView*> byOffset;
    for (const EntryView& v : s.Entries)
        if (v.Present)
            byOffset.push_back(&v);
    std::stable_sort(byOffset.begin(), byOffset.end(), [](const EntryView* a, const EntryView* b) {
        return a->Entry.ImageOffset < b->Entry.ImageOffset;
    });
    std::uint64_t end = 0;
    const EntryView* last = nullptr;
    for (const EntryView* v : byOffset) {
        if (last && v->Entry.ImageOffset < end)
            Add(r, IconProblem::Overlap, static_cast<int>(v->Index),
                Cat({"its image overlaps that of #", Num(last->Index)}), true);
        const std::uint64_t vEnd = std::uint64_t{v->Entry.ImageOffset} + v->Block.size();
        if (vEnd > end) {
            end = vEnd;
            last = v;
        }
    }

    // Duplicates and order, among the images that could be read. Telling two images the very
    // same costs their size, and entries naming one image of megabytes over and over would make
    // that the file's size times their count: the bytes compared stay within the budget beyond
    // which a fix makes no copy anyway, and the same bytes at the same place need no comparing.
    std::map<std::tuple<int, int, int>, const EntryView*> seen;
    std::uint64_t compareBudget = MaxIconBytesPerFileByte * file.size() + MaxIconBytesExtra;
    const EntryView* previous = nullptr;
    bool unsorted = false;
    for (const EntryView& v : s.Entries) {
        if (!v.Present || !v.Known)
            continue;
        auto [it, fresh] = seen.try_emplace({v.Width, v.Height, v.Bits}, &v);
        if (!fresh) {
            const Bytes a = v.Block, b = it->second->Block;
            bool same = a.size() == b.size() && a.data() == b.data();
            if (!same && a.size() == b.size() && a.size() <= compareBudget) {
                compareBudget -= a.size();
                same = std::equal(a.begin(), a.end(), b.begin());
            }
            Add(r, IconProblem::DuplicateSize, static_cast<int>(v.Index),
                Cat({"it has the size and depth of #", Num(it->second->Index),
                     same ? " and the very same image" : ", so readers only ever show one"}),
                same);
        }
        if (previous && v.Key() < previous->Key())
            unsorted = true;
        previous = &v;
    }
    if (unsorted)
        Add(r, IconProblem::Unsorted, -1,
            "the images are not in order of size (smallest first, deepest first within a size)",
            true);
    return r;
}

Result<IconFixResult> FixIconFile(Bytes file) {
    return FixIconFile(file, CheckIconFile(file));
}

Result<IconFixResult> FixIconFile(Bytes file, const IconCheckReport& before) {
    auto header = ReadIconDirHeader(file);
    if (!header)
        return Error{"The file is too short for an icon file's header."};
    const Scan s = ScanFile(file);
    const bool icon = s.Header.Type != IconTypeCursor;
    IconFixResult out;
    auto change = [&](const EntryView& v, const std::string& text) {
        out.Changes.push_back(Cat({"#", Num(v.Index), ": ", text}));
    };
    // The entries whose small PNG the check found convertible, looked up once per entry: a
    // search of the findings for each would be quadratic in a directory of 65,535 entries.
    std::vector<bool> convertible(s.Entries.size(), false);
    for (const IconFinding& f : before.Findings)
        if (f.Problem == IconProblem::SmallPng && f.Fixable && f.Entry >= 0 &&
            static_cast<std::size_t>(f.Entry) < convertible.size())
            convertible[static_cast<std::size_t>(f.Entry)] = true;

    struct Kept {
        EntryView View;
        IconBlock Block;
    };
    std::vector<Kept> kept;
    // Images laid out one after another hold what overlapping entries share once per entry: a
    // small file whose entries all cover it would otherwise give a copy of its size squared.
    const std::uint64_t budget = MaxIconBytesPerFileByte * file.size() + MaxIconBytesExtra;
    std::uint64_t copied = 0;
    // The images kept so far by size, depth and a hash of their final bytes, to find one that a
    // mend made the very same as an earlier one.
    std::map<std::tuple<int, int, int, std::uint64_t>, std::vector<std::size_t>> seen;
    for (const EntryView& v : s.Entries) {
        if (!v.Present) {
            change(v, "dropped: its image lies beyond the end of the file");
            continue;
        }
        copied += v.Block.size();
        if (copied > budget)
            return Error{"The images overlap so much that, laid out one after another, they "
                         "would pass twice the file's size; no corrected copy is made."};
        const std::size_t changesBefore = out.Changes.size();
        Kept k{v, {}};
        k.Block.Entry = v.Entry;
        k.Block.Data.assign(v.Block.begin(), v.Block.end());
        if (icon)
            k.Block.HotSpot.reset();
        else
            k.Block.HotSpot = HotSpotOf(v.Entry);
        if (v.Clipped)
            change(v, Cat({"its size cut to the ", Num(v.Block.size()), " bytes in the file"}));

        if (v.Known && v.Png && std::max(v.Width, v.Height) < 256 &&
            convertible[v.Index]) {
            auto image = DecodeIconImageBlock(v.Block);
            auto dib = image ? EncodeIconBlock(*image, 32) : Result<IconBlock>(image.GetError());
            if (dib) {
                k.Block.Data = std::move(dib->Data);
                k.View.Png = false;
                k.View.Bits = 32;
                change(v, "stored as a 32-bit bitmap instead of PNG");
            }
        } else if (v.Known && !v.Png && v.ColourEnd <= v.Block.size()) {
            if (v.MaskEnd > v.Block.size()) {
                const std::uint64_t missing = v.MaskEnd - v.Block.size();
                k.Block.Data.resize(static_cast<std::size_t>(v.MaskEnd), 0);
                change(v, Cat({"AND mask completed with ", Num(missing), " bytes (opaque)"}));
            }
            if (v.AlphaZero) {
                // Alpha from the AND mask: 0 where it is set, 255 elsewhere.
                const std::uint64_t w = static_cast<std::uint64_t>(v.Width);
                const std::uint64_t start = v.ColourEnd - RowBytes(w, 32) * v.Height;
                const std::uint64_t maskRow = RowBytes(w, 1);
                for (int y = 0; y < v.Height; ++y)
                    for (int x = 0; x < v.Width; ++x) {
                        const std::uint8_t bits = k.Block.Data[static_cast<std::size_t>(
                            v.ColourEnd + maskRow * static_cast<std::uint64_t>(y) +
                            static_cast<std::uint64_t>(x >> 3))];
                        const bool masked = (bits & (0x80 >> (x & 7))) != 0;
                        k.Block.Data[static_cast<std::size_t>(
                            start + (w * static_cast<std::uint64_t>(y) + x) * 4 + 3)] =
                            masked ? 0 : 255;
                    }
                change(v, "alpha taken from the AND mask (every alpha byte was 0)");
            }
        }
        if (v.Known) {
            IconDirEntry& e = k.Block.Entry;
            if (e.Width != SizeByte(k.View.Width) || e.Height != SizeByte(k.View.Height)) {
                e.Width = SizeByte(k.View.Width);
                e.Height = SizeByte(k.View.Height);
                change(v, Cat({"directory size set to ", SizeText(k.View.Width, k.View.Height)}));
            }
            if (icon && (e.BitCount != k.View.Bits)) {
                e.BitCount = static_cast<std::uint16_t>(k.View.Bits);
                change(v, "directory bit count set to " +
                              Num(static_cast<std::uint64_t>(k.View.Bits)));
            }
            if (icon && e.Planes != 1) {
                e.Planes = 1;
                change(v, "directory planes set to 1");
            }
            if (!ColourCountFits(k.View)) {
                e.ColorCount = ExpectedColourCount(k.View);
                change(v, Cat({"directory colour count set to ", Num(e.ColorCount)}));
            }
        }
        if (k.View.Known) {
            std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
            for (std::uint8_t b : k.Block.Data)
                hash = (hash ^ b) * 1099511628211ull;
            auto& same = seen[{k.View.Width, k.View.Height, k.View.Bits, hash}];
            if (std::any_of(same.begin(), same.end(),
                            [&](std::size_t j) { return kept[j].Block.Data == k.Block.Data; })) {
                out.Changes.resize(changesBefore);
                change(v, "dropped: the same image as an earlier entry");
                continue;
            }
            same.push_back(kept.size());
        }
        kept.push_back(std::move(k));
    }
    auto isFinding = [&](IconProblem p) {
        return std::any_of(before.Findings.begin(), before.Findings.end(),
                           [&](const IconFinding& f) { return f.Problem == p; });
    };
    if (isFinding(IconProblem::Unsorted)) {
        // Images that can not be read keep their places at the end.
        std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
            if (a.View.Known != b.View.Known)
                return a.View.Known;
            return a.View.Known && a.View.Key() < b.View.Key();
        });
        out.Changes.push_back("images put in order of size");
    }
    if (isFinding(IconProblem::Overlap))
        out.Changes.push_back("images laid out one after another");
    if (s.Header.Reserved != 0)
        out.Changes.push_back("header's reserved field set to 0");
    if (isFinding(IconProblem::ShortDirectory))
        out.Changes.push_back(
            Cat({"header's count set to the ", Num(s.Entries.size()), " entries the directory holds"}));

    std::vector<IconBlock> blocks;
    blocks.reserve(kept.size());
    for (Kept& k : kept)
        blocks.push_back(std::move(k.Block));
    auto bytes = AssembleIconFile(blocks, s.Header.Type);
    if (!bytes)
        return bytes.GetError();
    out.File = std::move(*bytes);
    out.Remaining = CheckIconFile(out.File);
    return out;
}

}  // namespace gf
