#pragma once
// Fixtures for the icon list window's tests: icon files made in code, a list window filled the
// way its callers fill it, and small picture helpers.

#include <QColor>
#include <QImage>
#include <QSize>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "iconlist/list_icons.h"
#include "support/ico_builder.h"
#include "support/temp_folder.h"

namespace gf::test {

// A w x h image of one opaque colour (0xRRGGBB) at `bits` per pixel (8: one palette entry).
DibBlockRecipe SolidIcon(int width, int height, int bits, std::uint32_t rgb);

// An ICO file of `count` 32 x 32, 8-bit images (image blocks of 2216 bytes), image i filled with
// palette entry i + 1 of the grey ramp, so the images differ.
std::filesystem::path MakeIconsFile(const std::filesystem::path& path, int count);
std::filesystem::path MakeIconsFile(const std::filesystem::path& path,
                                    const std::vector<DibBlockRecipe>& images);

// The bytes of a file (empty when it cannot be read).
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path);

// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// A list window with its own working folder, filled from `file` with ExtractIconsToFiles.
struct ListFixture {
    TempFolder Work{"gf_list_work_"};
    TempFolder Files{"gf_list_files_"};
    std::unique_ptr<TListIcons> List;

    ListFixture();
    // Adds the icons of `file` as the caller does before showing the window.
    void Load(const std::filesystem::path& file);
    // Shows the window, sizes it so that the scroll box offers `client` (when given), refreshes
    // and waits until every cell is drawn.
    void ShowAndDraw(QSize client = QSize());
    // Resizes the window so that the scroll box's client area is `client` with no scroll bar.
    void SetScrollClient(QSize client);
};

QColor ToQColor(std::uint32_t colorValue);  // 0x00BBGGRR

}  // namespace gf::test
