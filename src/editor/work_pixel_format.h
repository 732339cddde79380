#pragma once
// What the editor asks of the converter window: the pixel format code of the working icon, from
// which the colour bits page preselects its depth. The converter window implements it; tests
// give a fixed answer.

#include "platform/color.h"

namespace gf {

class WorkPixelFormatSource {
  public:
    virtual ~WorkPixelFormatSource() = default;
    virtual PixelFormatCode WorkPixelFormat() const = 0;
};

}  // namespace gf
