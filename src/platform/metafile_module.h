#pragma once
// Drawing metafiles in programs without windows of their own. The metafile player draws with
// the windows' library, which a command-line run should not load at every start; it is built a
// second time as a small module that is loaded the first time a metafile is drawn. Programs
// with windows call the player directly (platform/qt/metafile_painter.h); both run the same
// player code.
//
// The module sits next to the program (the build folder) or in the program's library folder
// of an installation (GF_METAFILE_MODULE_DIR, relative to the program's folder).

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "platform/bitmap.h"
#include "platform/byte_reader.h"
#include "platform/result.h"

// The module's C interface, compiled by both sides.
extern "C" {
struct GfRenderedMetafile {
    std::uint8_t* Bmp = nullptr;  // a BMP file of the picture, or null
    std::size_t BmpSize = 0;
    char Error[512] = {};  // why there is no picture
};
// Parses and draws the metafile at its own size on white. 0 on success.
using GfRenderMetafileFn = int (*)(const std::uint8_t* data, std::size_t size,
                                   GfRenderedMetafile* out);
// Frees what GfRenderMetafile allocated.
using GfFreeRenderedMetafileFn = void (*)(GfRenderedMetafile* rendering);
}

namespace gf {

inline constexpr const char* MetafileModuleRenderSymbol = "GfRenderMetafile";
inline constexpr const char* MetafileModuleFreeSymbol = "GfFreeRenderedMetafile";

// The module's file name, without a folder ("glyphforge-metafile.so", ".dll" on Windows).
const char* MetafileModuleName();

// Draws the metafile through the module, as the windows would draw it: a 24-bit picture at the
// metafile's own size on white. Fails with the player's message, or when the module cannot be
// found or loaded.
Result<Bitmap> RenderMetafileThroughModule(Bytes metafile);

}  // namespace gf
