#pragma once
// Plays parsed Windows metafiles on a QPainter, as the system's metafile player would: the
// object table with pens, brushes and fonts, saved and restored device states, the mapping
// modes with window and viewport, fill and background modes, text, and the bitmap records.

#include <QRect>
#include <filesystem>

#include "platform/bitmap.h"
#include "platform/result.h"
#include "platform/wmf_parser.h"

class QPainter;

namespace gf {

// Draws the picture so that its frame fills `target` (in the painter's device pixels). Drawing
// stops early, leaving what is drawn, when a hostile file would keep the painter busy for far
// longer than any real picture (a budget of painted pixels of a few hundred times the target's area).
void PlayMetafile(QPainter& painter, const wmf::Picture& picture, const QRect& target);

// The picture at its own size, on white, as a 24-bit bitmap.
Result<Bitmap> RenderMetafile(const wmf::Picture& picture);

// Reads the metafile `source`, renders it at its own size on white and writes a 24-bit BMP
// file `target` (atomically). Errors (not a metafile, a picture too large, a write failure)
// are returned; the target is then untouched.
Status ConvertMetafileToBitmapFile(const std::filesystem::path& source,
                                   const std::filesystem::path& target);

}  // namespace gf
