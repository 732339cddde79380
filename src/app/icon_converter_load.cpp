// The Load Image command.

#include <QString>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "platform/qt/qt_path.h"

namespace gf {

void TIconConverter::suiButton1Click() {
    // Choose the file: a Tag of 1 means the caller has set LoadPath already.
    if (suiButton1->Tag == 1) {
        suiButton1->Tag = 0;
    } else {
        LoadPath.clear();
        if (OpenPictureDialog1.Execute(this))
            LoadPath = ToPath(OpenPictureDialog1.FileName);
    }
    if (LoadPath.empty())
        return;
    LoadKind = ToQString(LoadPath.extension()).toLower().toStdString();

    if (LoadKind != "no_file")
        ShowWorkingIcon();
}

}  // namespace gf
