#include "list_icons_support.h"

#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "iconfile/ico_reader.h"
#include "platform/file_io.h"

namespace gf::test {

namespace fs = std::filesystem;

DibBlockRecipe SolidIcon(int width, int height, int bits, std::uint32_t rgb) {
    DibBlockRecipe recipe;
    recipe.Width = width;
    recipe.Height = height;
    recipe.BitCount = bits;
    if (bits <= 8) {
        recipe.Palette = {0x000000, static_cast<Color>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) |
                                                       ((rgb >> 16) & 0xFF))};
        recipe.Pixel = [](int, int) { return 1u; };
    } else {
        recipe.Pixel = [rgb](int, int) { return 0xFF000000u | rgb; };
    }
    return recipe;
}

fs::path MakeIconsFile(const fs::path& path, const std::vector<DibBlockRecipe>& images) {
    IcoBuilder builder;
    for (const auto& recipe : images)
        builder.Add(recipe);
    builder.WriteTo(path);
    return path;
}

fs::path MakeIconsFile(const fs::path& path, int count) {
    std::vector<DibBlockRecipe> images;
    for (int i = 0; i < count; ++i) {
        DibBlockRecipe recipe;
        recipe.Width = 32;
        recipe.Height = 32;
        recipe.BitCount = 8;
        const auto index = static_cast<std::uint32_t>(i + 1);
        recipe.Pixel = [index](int, int) { return index; };
        images.push_back(recipe);
    }
    return MakeIconsFile(path, images);
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
    auto bytes = ReadFileBytes(path);
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ListFixture::ListFixture() : List(std::make_unique<TListIcons>(Work.Path())) {}

void ListFixture::Load(const fs::path& file) {
    ExtractIconsToFiles(file, List->Icons, List->WorkFolder);
}

void ListFixture::SetScrollClient(QSize client) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const QSize now = List->ScrollBox1->maximumViewportSize();
        if (now == client)
            return;
        List->resize(List->size() + (client - now));
        QCoreApplication::processEvents();
    }
}

void ListFixture::ShowAndDraw(QSize client) {
    List->show();
    QVERIFY(QTest::qWaitForWindowExposed(List.get()));
    if (client.isValid())
        SetScrollClient(client);
    List->ResizeTimer->stop();
    List->Refresh();
    List->FinishDrawing();
}

QColor ToQColor(std::uint32_t colorValue) {
    return QColor(colorValue & 0xFF, (colorValue >> 8) & 0xFF, (colorValue >> 16) & 0xFF);
}

}  // namespace gf::test
