// Glyphforge: turns pictures into icon files.

#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/icon_converter.h"

namespace {

constexpr const char* Usage =
    "Usage: glyphforge [FILE]\n"
    "\n"
    "Opens the icon converter window. A FILE (a BMP, JPEG, PNG, GIF or WMF picture, an icon or\n"
    "cursor file, or an executable or library that carries icons) is loaded at once, as Load\n"
    "Image would load it.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("glyphforge %s\n", GF_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    gf::GlyphforgeApplication app(argc, argv);
    app.setApplicationVersion(QStringLiteral(GF_VERSION));
    gf::TIconConverter window;
    gf::IconConverter = &window;
    window.Arguments = app.arguments().mid(1);
    window.show();
    return app.exec();
}
