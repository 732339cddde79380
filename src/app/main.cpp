// Glyphforge: turns pictures into icon files.

#include "app/application.h"
#include "app/icon_converter.h"

int main(int argc, char** argv) {
    gf::GlyphforgeApplication app(argc, argv);
    gf::TIconConverter window;
    gf::IconConverter = &window;
    window.Arguments = app.arguments().mid(1);
    window.show();
    return app.exec();
}
