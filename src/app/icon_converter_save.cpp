// The Save Icon command and its context menu.

#include <filesystem>
#include <system_error>

#include "app/icon_converter.h"

namespace gf {

void TIconConverter::suiButton3Click() {
    // Nothing to save before a working icon exists.
    std::error_code ec;
    if (!std::filesystem::exists(WorkFile("eitemp.ico"), ec))
        return;
}

void TIconConverter::SaveasICON1Click() {
    SaveDialog1.FilterIndex = 1;
    suiButton3Click();
}

void TIconConverter::SaveasPNG1Click() {
    SaveDialog1.FilterIndex = 3;
    suiButton3Click();
}

void TIconConverter::SaveasBMP1Click() {
    SaveDialog1.FilterIndex = 2;
    suiButton3Click();
}

}  // namespace gf
