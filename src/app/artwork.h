#pragma once
// The program's own pictures, drawn in code so they stay sharp and need no files: the glyphs of
// the converter window's buttons, the backdrop of the preview and the program's icon.

#include <QImage>

#include "platform/bitmap.h"

namespace gf {

enum class Glyph { Load, Capture, Modify, Save, Help, About, HomePage };

// A 48 x 48, 32-bit glyph with a transparent background.
QImage DrawGlyph(Glyph glyph);

// The preview's backdrop: 400 x 400, 24 bits, a calm vertical gradient.
Bitmap MakeBackdrop();

// The program's icon at `size` x `size` pixels (32 bits, transparent corners).
QImage DrawProgramIcon(int size);

}  // namespace gf
