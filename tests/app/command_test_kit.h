#pragma once
// What the Load and Save command tests share: a converter window whose working folder lies in a
// temporary folder of the test's own, the scripted seam, the icon editor walked with its
// defaults, and small readers of the files the commands write.

#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/converter_widgets.h"
#include "app/icon_converter.h"
#include "editor/icon_editor.h"
#include "platform/byte_reader.h"
#include "platform/color.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"
#include "support/ico_builder.h"

namespace gf::test {

constexpr Color Red = Rgb(255, 0, 0);
constexpr Color Green = Rgb(0, 255, 0);
constexpr Color Blue = Rgb(0, 0, 255);

// A colour as six hex digits, so a failed comparison shows which colour it was.
inline QString Hex(Color c) {
    return QString::asprintf("%06X", c);
}

// A fresh temporary folder (which the working folder goes below) and a scripted seam, for the
// life of one test function.
class CommandTestKit {
  public:
    CommandTestKit() {
        if (!Temp.isValid())
            qFatal("no temporary folder");
        for (const char* name : {"TMPDIR", "TMP", "TEMP"})
            qputenv(name, Temp.path().toLocal8Bit());
        Seam = std::make_unique<ScriptedSeam>();
    }

    std::filesystem::path Folder() const { return ToPath(Temp.path()); }
    std::filesystem::path operator/(const char* name) const { return Folder() / name; }

    std::unique_ptr<TIconConverter> MakeWindow() const {
        return std::make_unique<TIconConverter>();
    }

    QTemporaryDir Temp;
    std::unique_ptr<ScriptedSeam> Seam;
};

// Runs the Load command on `file` as the command line and drops do: without the open dialog.
inline void LoadPreset(TIconConverter& window, const std::filesystem::path& file) {
    window.LoadPath = file;
    window.suiButton1->Tag = 1;
    window.suiButton1Click();
}

// What the editor held when its script ran.
struct EditorSeen {
    bool Shown = false;
    std::filesystem::path SourcePath;
    QWidget* FirstPage = nullptr;
    bool FirstPageWasSizePage = false;
    int EditExisting = -1;
    int SliderWidth = 0;
    int SliderHeight = 0;
    Bitmap IconColor;  // after Finish
    Bitmap IconMask;
};

// Walks the editor page by page with every control as it starts ("Next >>" until the colour
// bits page, then "Finish") and returns the modal result.
inline int FinishEditor(QDialog& dialog, EditorSeen* seen = nullptr) {
    auto* editor = qobject_cast<TIconEditor*>(&dialog);
    if (!editor)
        return 0;
    if (seen) {
        seen->Shown = true;
        seen->SourcePath = editor->SourcePath;
        seen->FirstPageWasSizePage = editor->PageControl1->currentWidget() == editor->TabSheet1;
        seen->EditExisting = editor->EditExisting;
        seen->SliderWidth = editor->TrackBar1->value();
        seen->SliderHeight = editor->TrackBar2->value();
    }
    editor->BitBtn1->click();
    if (editor->PageControl1->currentWidget() == editor->TabSheet2)
        editor->BitBtn2->click();
    if (editor->PageControl1->currentWidget() == editor->TabSheet4)
        editor->BitBtn6->click();
    if (editor->PageControl1->currentWidget() != editor->TabSheet3)
        return 0;
    editor->BitBtn3->click();
    if (seen) {
        seen->IconColor = editor->IconColor;
        seen->IconMask = editor->IconMask;
    }
    return editor->result();
}

inline ScriptedSeam::ModalScript EditorScript(EditorSeen* seen = nullptr) {
    return [seen](QDialog& d) { return FinishEditor(d, seen); };
}

inline std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The image blocks of an ICO file, in directory order (empty when the file is not one).
inline std::vector<std::vector<std::uint8_t>> IconBlocksOf(const std::vector<std::uint8_t>& file) {
    std::vector<std::vector<std::uint8_t>> blocks;
    const Bytes data(file);
    const auto count = ReadU16(data, 4);
    if (!count)
        return blocks;
    for (std::size_t i = 0; i < *count; ++i) {
        const auto size = ReadU32(data, 6 + 16 * i + 8);
        const auto offset = ReadU32(data, 6 + 16 * i + 12);
        if (!size || !offset || std::uint64_t{*offset} + *size > file.size())
            return {};
        blocks.emplace_back(file.begin() + *offset, file.begin() + *offset + *size);
    }
    return blocks;
}

// A square icon image block whose every pixel says which image it is: colour `color`, the
// top-left quarter transparent (and, at 32 bits, of alpha 0).
inline DibBlockRecipe MarkedImage(int side, int bitCount, Color color) {
    DibBlockRecipe recipe;
    recipe.Width = side;
    recipe.Height = side;
    recipe.BitCount = bitCount;
    auto masked = [side](int x, int y) { return x < side / 2 && y < side / 2; };
    if (bitCount <= 8) {
        // Index 1 of the palette is the colour.
        recipe.Palette.assign(std::size_t{1} << bitCount, Black);
        recipe.Palette[1] = color;
        recipe.Pixel = [masked](int x, int y) { return masked(x, y) ? 0u : 1u; };
    } else {
        const std::uint32_t argb = 0xFF000000u | (std::uint32_t{RedOf(color)} << 16) |
                                   (std::uint32_t{GreenOf(color)} << 8) | BlueOf(color);
        recipe.Pixel = [masked, argb](int x, int y) { return masked(x, y) ? 0u : argb; };
    }
    recipe.Transparent = masked;
    return recipe;
}

}  // namespace gf::test
