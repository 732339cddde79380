// Writes a large icon library for the whole-process benchmarks (extract_vs_wrestool.sh):
//   make_icon_library OUT [GROUPS [IMAGES_PER_GROUP]]   (default 200 groups of 10 images)

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "icon_library.h"
#include "support/pe_builder.cpp"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_icon_library OUT [GROUPS [IMAGES_PER_GROUP]]\n");
        return 2;
    }
    const int groups = argc > 2 ? std::atoi(argv[2]) : 200;
    const int perGroup = argc > 3 ? std::atoi(argv[3]) : 10;
    if (groups < 1 || perGroup < 1 || groups * perGroup > 65535) {
        std::fprintf(stderr, "make_icon_library: between 1 and 65535 images, please\n");
        return 2;
    }
    try {
        auto pe = gf::bench::BuildIconLibrary(groups, perGroup);
        pe.WriteTo(argv[1]);
        std::printf("%s: %d icon images in %d groups, %zu bytes\n", argv[1], groups * perGroup,
                    groups, pe.Bytes.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_icon_library: %s\n", e.what());
        return 1;
    }
    return 0;
}
