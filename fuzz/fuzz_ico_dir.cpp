// ICO and CUR directory reader (and the animated cursor frames around it): whatever the input,
// every image listed lies at least partly in the file, cuts out as exactly the file's bytes
// followed by zeros, and all of them together stay within the reader's budget.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "iconfile/ico_reader.h"

namespace {

void Check(gf::MemorySource& source, gf::Bytes data, gf::IconContainer kind) {
    gf::IconImageList list = gf::ListIconImages(source, kind);
    std::uint64_t total = 0;
    for (const gf::FoundIconImage& image : list.Images) {
        if (image.Offset >= data.size() || image.Size > data.size())
            std::abort();
        total += image.Size;
        auto block = gf::CutIconBlock(source, image.Offset, image.Size);
        if (!block || block->size() != image.Size)
            std::abort();
        std::size_t present = std::min<std::size_t>(image.Size, data.size() - image.Offset);
        if (present > 0 && std::memcmp(block->data(), data.data() + image.Offset, present) != 0)
            std::abort();
        if (std::any_of(block->begin() + present, block->end(), [](auto v) { return v != 0; }))
            std::abort();
        auto single = gf::MakeSingleImageIconFile(*block);
        if (single.size() != 22 + block->size())
            std::abort();
        gf::IconBlockHeader h = gf::ReadIconBlockHeader(*block);
        if (h.EntryWidth() != single[6] || h.EntryHeight() != single[7])
            std::abort();
    }
    if (total > gf::MaxIconBytesPerFileByte * data.size() + gf::MaxIconBytesExtra)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::Bytes bytes(data, size);
    gf::MemorySource source(bytes);
    (void)gf::DetectIconContainer(source, "input");
    Check(source, bytes, gf::IconContainer::IconFile);
    Check(source, bytes, gf::IconContainer::AnimatedCursor);
    return 0;
}
