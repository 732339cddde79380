// The 16-bit executable (NE) resource walk over any bytes: from the NE header the DOS header
// points to, or, for inputs that have none, from the offset their first two bytes give, so the
// fuzzer reaches the resource table without first building a DOS header. Whatever the input,
// the walk ends, keeps only the types asked for and never more of one type than the cap, and a
// refusal keeps nothing. The icon listing over the same bytes lists no more than the walk found.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconfile/executable_resources.h"
#include "iconfile/ico_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::MemorySource source(gf::Bytes(data, size));
    std::uint64_t neHeader = 0;
    if (auto found = gf::FindNeHeader(source))
        neHeader = *found;
    else if (size >= 2)
        neHeader = (std::uint64_t{data[0]} | std::uint64_t{data[1]} << 8) % size;

    const std::uint32_t types[] = {gf::ResourceTypeIcon, gf::ResourceTypeCursor,
                                   gf::ResourceTypeGroupIcon, gf::ResourceTypeGroupCursor};
    const gf::ExecutableResources walked = gf::ReadNeResources(source, neHeader, types);
    if (walked.Format != gf::ExecutableFormat::Ne)
        std::abort();
    if (!walked.Ok() && !walked.Resources.empty())
        std::abort();
    for (const gf::ExecutableResource& r : walked.Resources) {
        bool asked = false;
        for (std::uint32_t t : types)
            asked = asked || r.Type == t;
        if (!asked || r.Offset == 0 || r.Language != 0)
            std::abort();
    }
    if (walked.Resources.size() > std::size(types) * gf::MaxResourcesOfType)
        std::abort();

    const gf::IconImageList list =
        gf::ListIconImages(source, gf::IconContainer::Executable, {{}, true});
    if (list.Format == gf::ExecutableFormat::Ne && list.Images.size() > walked.Resources.size() &&
        gf::FindNeHeader(source) == neHeader)
        std::abort();
    return 0;
}
