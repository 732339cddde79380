// The Capture Icon command.

#include "app/icon_converter.h"

namespace gf {

void TIconConverter::suiButton4Click() {}

}  // namespace gf
