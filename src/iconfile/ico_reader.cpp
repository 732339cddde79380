#include "iconfile/ico_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_format.h"
#include "iconfile/pe_icons.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"

namespace gf {

namespace fs = std::filesystem;

namespace {

constexpr const char* NoIconExists = "No icon exists in this file!";

// Signature, IHDR length and name, width, height, bit depth, colour type.
constexpr std::size_t PngHeaderBytes = 26;
constexpr std::size_t DibHeaderBytes = 16;  // up to and including biBitCount
// Enough for the description and for the decoder's checks of the headers.
constexpr std::size_t BlockHeaderBytes =
    std::max({PngHeaderBytes, DibHeaderBytes, IconBlockHeadBytes});

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

int PngChannels(std::uint8_t colorType) {
    switch (colorType) {
        case 2:
            return 3;  // RGB
        case 4:
            return 2;  // grey and alpha
        case 6:
            return 4;  // RGBA
        default:
            return 1;  // grey, palette
    }
}

// The leading bytes of the block at `offset` as it is cut out: at most `size` of them, bytes
// past the end of the file read as 0.
struct BlockHead {
    std::array<std::uint8_t, BlockHeaderBytes> Data{};
    std::size_t Length = 0;
    Bytes View() const { return Bytes(Data.data(), Length); }
};

BlockHead ReadBlockHead(ByteSource& file, std::uint32_t offset, std::uint32_t size) {
    BlockHead head;
    head.Length =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{head.Data.size()}));
    std::uint64_t available = offset < file.Size() ? file.Size() - offset : 0;
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(head.Length, available));
    if (!file.ReadAt(offset, std::span(head.Data.data(), n)))
        head.Data.fill(0);
    return head;
}

// The one-image files are the program's own scratch files in its private working folder, under
// names no file had. Flushing each to the disk (as files the user asked for are) would cost
// milliseconds per image and protect nothing; a failed write removes what it left, so no
// partial file is ever listed.
bool WriteWorkingFile(const fs::path& path, Bytes data) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec)))
        return false;
    fs::remove(path, ec);  // a read-only file of that name is replaced, not written through
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
        return false;
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out.fail())
        return true;
    fs::remove(path, ec);
    return false;
}

}  // namespace

bool IsPngBlock(Bytes block) {
    return HasPngSignature(block);
}

IconBlockHeader ReadIconBlockHeader(Bytes block) {
    std::array<std::uint8_t, BlockHeaderBytes> b{};
    std::copy_n(block.begin(), std::min(block.size(), b.size()), b.begin());
    IconBlockHeader h;
    if (IsPngBlock(block)) {
        h.Png = true;
        h.Planes = 1;
        if (std::memcmp(b.data() + 12, "IHDR", 4) == 0) {
            h.Width = ReadBigEndian32(b.data() + 16);
            h.Height = ReadBigEndian32(b.data() + 20);
            h.BitCount = b[24] * PngChannels(b[25]);
        }
        return h;
    }
    h.Width = *ReadI32(b, 4);
    h.Height = std::int64_t{*ReadI32(b, 8)} / 2;
    h.Planes = *ReadU16(b, 12);
    h.BitCount = *ReadU16(b, 14);
    return h;
}

void DescribeIconBlock(ByteSource& file, FoundIconImage& image) {
    const BlockHead head = ReadBlockHead(file, image.Offset, image.Size);
    image.Header = ReadIconBlockHeader(head.View());
    image.Damage.clear();
    if (Status checked = CheckIconBlock(head.View(), image.Size); !checked)
        image.Damage = checked.ErrorMessage();
}

std::vector<IconBlockLocation> ReadIconFileEntries(ByteSource& file) {
    std::vector<IconBlockLocation> entries;
    auto count = file.U16(4);
    auto type = file.U16(2);
    if (!count || !type)
        return entries;
    std::uint64_t room = (file.Size() - IconDirHeaderSize) / IconDirEntrySize;
    auto n = static_cast<std::size_t>(std::min<std::uint64_t>(*count, room));
    auto directory = file.Read(IconDirHeaderSize, n * IconDirEntrySize);
    if (!directory)
        return entries;
    entries.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto e = ReadIconDirEntry(*directory, i * IconDirEntrySize);
        if (!e)
            break;
        IconBlockLocation location{e->ImageOffset, e->BytesInRes, std::nullopt};
        if (*type == IconTypeCursor)
            location.HotSpot = HotSpotOf(*e);
        entries.push_back(location);
    }
    return entries;
}

Result<std::vector<std::uint8_t>> CutIconBlock(ByteSource& file, std::uint32_t offset,
                                               std::uint32_t size) {
    if (offset >= file.Size()) {
        return Error{"The icon image at offset " + std::to_string(offset) +
                     " lies beyond the end of the file."};
    }
    std::uint64_t length = std::min<std::uint64_t>(size, file.Size());
    std::uint64_t present = std::min<std::uint64_t>(length, file.Size() - offset);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(length), 0);
    if (!file.ReadAt(offset, std::span(block.data(), static_cast<std::size_t>(present)))) {
        return Error{"The icon image at offset " + std::to_string(offset) + " can not be read."};
    }
    return block;
}

namespace {

std::vector<std::uint8_t> MakeSingleImageFile(Bytes block, std::optional<CursorHotSpot> hotSpot) {
    IconBlockHeader h = ReadIconBlockHeader(block);
    IconDirEntry entry;
    entry.Width = static_cast<std::uint8_t>(h.EntryWidth());
    entry.Height = static_cast<std::uint8_t>(h.EntryHeight());
    entry.ColorCount = IconColorCount(h.BitCount);
    entry.Reserved = 0;
    entry.Planes = static_cast<std::uint16_t>(h.Planes);
    entry.BitCount = static_cast<std::uint16_t>(h.BitCount);
    if (hotSpot) {
        entry.Planes = hotSpot->X;
        entry.BitCount = hotSpot->Y;
    }
    entry.BytesInRes = static_cast<std::uint32_t>(block.size());
    entry.ImageOffset = SingleImageOffset;

    std::vector<std::uint8_t> out;
    out.reserve(SingleImageOffset + block.size());
    PutIconDirHeader(out, {0, hotSpot ? IconTypeCursor : IconTypeIcon, 1});
    PutIconDirEntry(out, entry);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> MakeSingleImageIconFile(Bytes block) {
    return MakeSingleImageFile(block, std::nullopt);
}

std::vector<std::uint8_t> MakeSingleImageCursorFile(Bytes block, CursorHotSpot hotSpot) {
    return MakeSingleImageFile(block, hotSpot);
}

IconContainer IconContainerOfName(const fs::path& fileName) {
    std::string ext = fileName.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".ico" ? IconContainer::IconFile : IconContainer::Executable;
}

namespace {

// What keeps an icon or cursor file from listing any image, judged by its header and
// directory; "" when they are sound.
std::string IconDirectoryFault(ByteSource& file) {
    auto reserved = file.U16(0);
    auto type = file.U16(2);
    auto count = file.U16(4);
    if (!reserved || !type || !count)
        return "the file is too short for an icon directory";
    if (*reserved != 0 || (*type != IconTypeIcon && *type != IconTypeCursor))
        return "the file has no icon or cursor directory";
    if (*count == 0)
        return "the directory lists no images";
    if (file.Size() < IconDirHeaderSize + IconDirEntrySize)
        return "the directory is cut short";
    return "the directory points outside the file";
}

}  // namespace

IconContainer DetectIconContainer(ByteSource& file, const fs::path& fileName) {
    std::array<std::uint8_t, 12> head{};
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), file.Size()));
    if (n >= 4 && file.ReadAt(0, std::span(head.data(), n))) {
        if (head[0] == 'M' && head[1] == 'Z')
            return IconContainer::Executable;
        if (n == 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
            std::memcmp(head.data() + 8, "ACON", 4) == 0) {
            return IconContainer::AnimatedCursor;
        }
        std::uint16_t reserved = *ReadU16(head, 0);
        std::uint16_t type = *ReadU16(head, 2);
        if (reserved == 0 && (type == IconTypeIcon || type == IconTypeCursor)) {
            return IconContainer::IconFile;
        }
    }
    return IconContainerOfName(fileName);
}

namespace {

struct Span64 {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
};

bool ChunkIdIs(ByteSource& file, std::uint64_t offset, const char* id) {
    std::array<std::uint8_t, 4> b{};
    return file.ReadAt(offset, b) && std::memcmp(b.data(), id, 4) == 0;
}

// The "icon" chunks of the "fram" list of a RIFF "ACON" file: each holds one icon or cursor
// file. Chunk sizes are clipped to their parent; a chunk never ends the walk early but by
// running out of bytes, so a lying size costs at most the frames behind it.
std::vector<Span64> AnimatedCursorFrames(ByteSource& file) {
    std::vector<Span64> frames;
    auto riffSize = file.U32(4);
    if (!riffSize)
        return frames;
    const std::uint64_t end = std::min<std::uint64_t>(8 + std::uint64_t{*riffSize}, file.Size());
    auto chunks = [&](std::uint64_t from, std::uint64_t to, auto&& visit) {
        for (std::uint64_t pos = from; pos + 8 <= to;) {
            auto size = file.U32(pos + 4);
            if (!size)
                return;
            std::uint64_t data = pos + 8;
            visit(pos, data, std::min<std::uint64_t>(*size, to - data));
            pos = data + *size + (*size & 1);
        }
    };
    chunks(12, end, [&](std::uint64_t chunk, std::uint64_t data, std::uint64_t length) {
        if (!ChunkIdIs(file, chunk, "LIST") || length < 4 || !ChunkIdIs(file, data, "fram"))
            return;
        chunks(data + 4, data + length,
               [&](std::uint64_t sub, std::uint64_t subData, std::uint64_t subLength) {
                   if (ChunkIdIs(file, sub, "icon"))
                       frames.push_back({subData, subLength});
               });
    });
    return frames;
}

}  // namespace

IconImageList ListIconImages(ByteSource& file, IconContainer kind,
                             const IconListOptions& options) {
    IconImageList list;
    // Blocks of a well-formed file do not overlap, so together they never pass its size (plus zero
    // padding of a cut-off last image). A file whose entries all claim the whole file would
    // otherwise have us write its size squared; the listing stops at this budget.
    const std::uint64_t budget = MaxIconBytesPerFileByte * file.Size() + MaxIconBytesExtra;
    std::uint64_t listed = 0;
    auto add = [&](std::size_t index, std::uint64_t offset, std::uint32_t size,
                   std::uint64_t room) -> FoundIconImage* {
        if (offset > std::numeric_limits<std::uint32_t>::max() || listed > budget)
            return nullptr;
        std::uint64_t length = std::min<std::uint64_t>(size, room);
        listed += length;
        if (listed > budget)
            return nullptr;
        FoundIconImage image;
        image.EntryIndex = index;
        image.Offset = static_cast<std::uint32_t>(offset);
        image.Size = static_cast<std::uint32_t>(length);
        DescribeIconBlock(file, image);
        list.Images.push_back(image);
        return &list.Images.back();
    };
    // The images of one icon or cursor file lying at `base` in `file`.
    auto addIconFile = [&](ByteSource& icoFile, std::uint64_t base, bool keepIndex,
                           std::size_t frame) {
        auto entries = ReadIconFileEntries(icoFile);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            // None of the image is in the file: there is nothing to cut out or describe.
            if (entries[i].Offset >= icoFile.Size())
                continue;
            FoundIconImage* image = add(keepIndex ? i : list.Images.size(),
                                        base + entries[i].Offset, entries[i].Size, icoFile.Size());
            if (image) {
                image->HotSpot = entries[i].HotSpot;
                image->Frame = frame;
            }
        }
    };
    switch (kind) {
        case IconContainer::IconFile:
            addIconFile(file, 0, true, 0);
            if (list.Images.empty())
                list.DirectoryFault = IconDirectoryFault(file);
            break;
        case IconContainer::AnimatedCursor: {
            const std::vector<Span64> frames = AnimatedCursorFrames(file);
            for (std::size_t f = 0; f < frames.size(); ++f) {
                SubSource icoFile(file, frames[f].Offset, frames[f].Length);
                addIconFile(icoFile, frames[f].Offset, false, f);
            }
            if (list.Images.empty())
                list.Message = NoIconExists;
            break;
        }
        case IconContainer::Executable: {
            list.Format = FindNeHeader(file) ? ExecutableFormat::Ne : ExecutableFormat::Pe;
            const bool languages = list.Format == ExecutableFormat::Pe;
            auto addResources = [&](std::uint32_t type) {
                auto table = ReadExecutableImages(file, type, options.Languages, list.Message);
                for (const ExecutableIcon& image : table) {
                    FoundIconImage* found =
                        add(list.Images.size(), image.Offset, image.Size, file.Size());
                    if (!found)
                        continue;
                    found->HotSpot = image.HotSpot;
                    found->Resource = ResourceOrigin{type, image.Name, std::nullopt};
                    if (languages)
                        found->Resource->Language = image.Language;
                }
            };
            addResources(ResourceTypeIcon);
            if (options.Cursors && list.Message.empty())
                addResources(ResourceTypeCursor);
            break;
        }
    }
    return list;
}

std::string NoIconsMessage(const IconImageList& list) {
    if (!list.Message.empty())
        return list.Message;
    return list.DirectoryFault.empty() ? NoIconExists : list.DirectoryFault;
}

Result<IconFileListing> ListIconFile(const fs::path& fileName, const IconListOptions& options) {
    auto file = FileSource::Open(fileName);
    if (!file)
        return file.GetError();
    IconFileListing listing;
    listing.Source = std::move(*file);
    listing.Kind = DetectIconContainer(*listing.Source, fileName);
    listing.List = ListIconImages(*listing.Source, listing.Kind, options);
    return listing;
}

fs::path ChooseIconEntryPath(const fs::path& workFolder, std::size_t k) {
    std::string prefix = "ic" + std::to_string(k) + "_";
    for (std::size_t n = 0;; ++n) {
        fs::path candidate = workFolder / (prefix + std::to_string(n) + ".ico");
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
}

int WriteIconEntryFile(std::uint32_t offset, std::uint32_t size, const fs::path& target,
                       ByteSource& source, IconEntryInfo& info) {
    auto block = CutIconBlock(source, offset, size);
    if (!block)
        return 1;
    IconBlockHeader h = ReadIconBlockHeader(*block);
    info = {h.EntryWidth(), h.EntryHeight(), h.BitCount};
    if (!WriteWorkingFile(target, MakeSingleImageIconFile(*block)))
        return 1;
    return 0;
}

int WriteIconEntryFile(std::uint32_t offset, std::uint32_t size, const fs::path& target,
                       const fs::path& source, IconEntryInfo& info) {
    auto file = FileSource::Open(source);
    if (!file)
        return 1;
    return WriteIconEntryFile(offset, size, target, **file, info);
}

ExtractResult ExtractIconsToFiles(const fs::path& fileName, IconSet& set,
                                  const fs::path& workFolder) {
    IconContainer kind = IconContainerOfName(fileName);
    auto file = FileSource::Open(fileName);
    if (!file) {
        const std::string& reason = file.GetError().Cause;
        if (kind == IconContainer::IconFile)
            return {-1, WithReasonBelow("Can not open " + PathText(fileName) + "!", reason)};
        return {static_cast<int>(set.Size()),
                WithReasonBelow("Can not open file " + PathText(fileName), reason)};
    }
    IconImageList list = ListIconImages(**file, kind);
    for (const auto& image : list.Images) {
        std::size_t k = kind == IconContainer::IconFile ? image.EntryIndex : set.Size();
        fs::path target = ChooseIconEntryPath(workFolder, k);
        IconEntryInfo info;
        // An image that could not be written is not listed: its path would name no file.
        if (WriteIconEntryFile(image.Offset, image.Size, target, **file, info) != 0)
            continue;
        // The image's own size: the entry's bytes say 0 for 256, which is no size to show.
        set.Add(target, DescribeIcon(static_cast<int>(set.IconInfos.size()), image.Header.Width,
                                     image.Header.Height, info.BitCount));
    }
    return {static_cast<int>(set.Size()), list.Message};
}

}  // namespace gf
