#include "iconfile/icon_pack.h"

#include <system_error>

#include "iconfile/byte_source.h"
#include "iconfile/ico_reader.h"
#include "platform/file_io.h"

namespace gf {

namespace fs = std::filesystem;

Result<IconBlock> ReadFirstIconBlock(Bytes file) {
    auto header = ReadIconDirHeader(file);
    if (!header)
        return header.GetError();
    if (header->Count == 0)
        return Error{"The icon file holds no image."};
    auto entry = ReadIconDirEntry(file, IconDirHeaderSize);
    if (!entry)
        return entry.GetError();
    auto block = IconImageBlock(file, *entry);
    if (!block)
        return block.GetError();
    IconBlock out;
    out.Entry = *entry;
    out.Data.assign(block->begin(), block->end());
    return out;
}

Result<std::vector<IconBlock>> ReadIconBlocksOf(const fs::path& file) {
    auto listing = ListIconFile(file);
    if (!listing)
        return listing.GetError();
    ByteSource& source = *listing->Source;
    const IconImageList& list = listing->List;
    std::vector<IconBlock> blocks;
    blocks.reserve(list.Images.size());
    for (const FoundIconImage& image : list.Images) {
        // The loader lists no image it cannot cut out; neither do we.
        auto cut = CutIconBlock(source, image.Offset, image.Size);
        if (!cut)
            continue;
        auto block = ReadFirstIconBlock(MakeSingleImageIconFile(*cut));
        if (!block)
            return Error{PathText(file) + ": " + block.ErrorMessage()};
        block->HotSpot = image.HotSpot;
        blocks.push_back(std::move(*block));
    }
    if (blocks.empty())
        return Error{PathText(file) + ": " + NoIconsMessage(list)};
    return blocks;
}

PackOutcome WriteIconBlocks(const std::vector<IconBlock>& blocks, const fs::path& target,
                            std::uint16_t type, ReadOnlyTarget readOnly) {
    PackOutcome outcome;
    auto file = AssembleIconFile(blocks, type);
    if (!file) {
        outcome.Failure = PackFailure::TooLarge;
        outcome.Message = file.ErrorMessage();
        return outcome;
    }
    Status written = WriteFileAtomic(target, *file, DiskFlush::Yes, readOnly);
    if (!written) {
        outcome.Failure = PackFailure::TargetUnwritable;
        outcome.Message = written.ErrorMessage();
        outcome.Cause = written.ErrorCause();
        return outcome;
    }
    outcome.ImageCount = blocks.size();
    return outcome;
}

PackOutcome PackIconFiles(const std::vector<fs::path>& sources, const fs::path& target,
                          ReadOnlyTarget readOnly) {
    std::vector<IconBlock> blocks;
    blocks.reserve(sources.size());
    for (const auto& source : sources) {
        PackOutcome outcome;
        outcome.Failure = PackFailure::SourceUnreadable;
        outcome.FailedSource = source;
        auto bytes = ReadFileBytes(source);
        if (!bytes) {
            outcome.Message = bytes.ErrorMessage();
            outcome.Cause = bytes.GetError().Cause;
            return outcome;
        }
        auto block = ReadFirstIconBlock(*bytes);
        if (!block) {
            outcome.Message = PathText(source) + ": " + block.ErrorMessage();
            return outcome;
        }
        blocks.push_back(std::move(*block));
    }
    return WriteIconBlocks(blocks, target, IconTypeIcon, readOnly);
}

}  // namespace gf
