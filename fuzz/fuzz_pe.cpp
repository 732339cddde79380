// The executable icon walk: whatever the input, it ends, records at most the table's size,
// and every image it keeps lies wholly in the file and passes the image check.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "iconfile/ico_reader.h"
#include "iconfile/pe_icons.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gf::Bytes bytes(data, size);
    gf::MemorySource source(bytes);

    gf::ExecutableIconTable scanned;
    std::string message;
    if (gf::ScanExecutableIcons(source, scanned, message) == 0) {
        if (scanned.size() > gf::MaxExecutableIcons)
            std::abort();
        for (const auto& image : scanned) {
            if (image.Offset == 0 || image.Size < gf::MinExecutableIconBytes || image.Rejected)
                std::abort();
        }
    } else if (!scanned.empty() || message.empty()) {
        std::abort();
    }

    message.clear();
    gf::ExecutableIconTable usable = gf::ReadExecutableIcons(source, message);
    if (usable.size() > scanned.size())
        std::abort();
    for (const auto& image : usable) {
        if (!gf::RangeFits(image.Offset, image.Size, size) || image.Rejected ||
            gf::CheckIconImage(source, image.Offset, image.Size) != 0)
            std::abort();
    }
    gf::IconImageList list = gf::ListIconImages(source, gf::IconContainer::Executable);
    if (list.Images.size() > usable.size())
        std::abort();
    return 0;
}
