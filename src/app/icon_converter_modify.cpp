// The Modify Icon command.

#include "app/icon_converter.h"

namespace gf {

void TIconConverter::suiButton2Click() {
    if (WorkColor.Empty()) {
        ShowMessage(QStringLiteral("Please load or capture an image firstly."), this);
        return;
    }
}

}  // namespace gf
