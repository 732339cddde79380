// The Capture Icon command: the capture window takes a part of the screen or the clipboard's
// picture, which then goes through the Load command like a picture file the user chose (the
// picture step, the editor, the working icon).

#include <QScopeGuard>
#include <memory>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "capture/select_area.h"
#include "platform/bmp_codec.h"
#include "platform/qt/qt_path.h"

namespace gf {

namespace {

constexpr int OffScreenLeft = -1000;
constexpr int StartSide = 48;

}  // namespace

void TIconConverter::suiButton4Click() {
    // The window steps off the screen, so that it does not cover what the user wants to
    // capture, until the captured picture has been through the editor. It is moved, never
    // hidden or minimised, and comes back however the command ends.
    const int left = x();
    const auto comeBack = qScopeGuard([this, left] { move(left, y()); });

    auto form = std::make_unique<TForm2>(this);
    form->TrackBar1->setValue(TForm2::MaxCaptureSize);
    form->TrackBar2->setValue(TForm2::MaxCaptureSize);
    form->FillPicture(Rgb(255, 0, 0));
    form->TrackBar1->setValue(StartSide);
    form->TrackBar2->setValue(StartSide);

    move(OffScreenLeft, y());
    if (RunModal(*form) != TForm2::ResultOk)
        return;

    const std::filesystem::path picture = WorkFile("eitemp.bmp");
    const Status saved = SaveBmpFile(form->Picture, picture);
    if (!saved) {
        ShowMessage(QStringLiteral("Can not write the captured picture\n") + ToQString(picture) +
                        QStringLiteral("\n\n") + QString::fromStdString(saved.ErrorMessage()),
                    this);
        return;
    }
    LoadPath = picture;
    suiButton1->Tag = 1;
    suiButton1Click();
}

}  // namespace gf
