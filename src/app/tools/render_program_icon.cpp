// Writes the program's icon, drawn by the same artwork code the window uses, as a 32-bit PNG of
// SIZE x SIZE pixels. The build draws it once at the largest size; glyphforge-cli then makes
// the installed icon sizes from it, as it would from any picture.
// Usage: render_program_icon SIZE OUT.png

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/artwork.h"
#include "platform/png_codec.h"
#include "platform/qt/qimage_bridge.h"

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 1 || size > 1024) {
        std::fprintf(stderr, "Usage: render_program_icon SIZE OUT.png (SIZE 1..1024)\n");
        return 2;
    }
    const gf::Bitmap icon = gf::FromQImage(gf::DrawProgramIcon(size), gf::PixelFormat::Bits32);
    if (auto saved = gf::SavePngFile(icon, std::filesystem::path(argv[2])); !saved) {
        std::fprintf(stderr, "render_program_icon: %s\n", saved.ErrorMessage().c_str());
        return 1;
    }
    return 0;
}
