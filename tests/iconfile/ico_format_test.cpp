#include "iconfile/ico_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace gf {
namespace {

TEST(IconDirEntry, DerivesWidthHeightAndColourCount) {
    IconDirEntry e = MakeIconDirEntry(256, 48, 32);
    EXPECT_EQ(e.Width, 0);
    EXPECT_EQ(e.Height, 48);
    EXPECT_EQ(e.ColorCount, 0);
    EXPECT_EQ(e.Planes, 1);
    EXPECT_EQ(e.BitCount, 32);
    EXPECT_EQ(IconColorCount(1), 2);
    EXPECT_EQ(IconColorCount(4), 16);
    EXPECT_EQ(IconColorCount(8), 0);
    EXPECT_EQ(IconColorCount(0), 1);
}

TEST(AssembleIconFile, LaysOutHeaderEntriesAndBlocksInOrder) {
    IconBlock a{MakeIconDirEntry(16, 16, 4), std::vector<std::uint8_t>(10, 0xAA)};
    IconBlock b{MakeIconDirEntry(32, 32, 8), std::vector<std::uint8_t>(7, 0xBB)};
    b.Entry.BytesInRes = 999;  // recomputed
    b.Entry.ImageOffset = 5;
    auto file = AssembleIconFile({a, b});
    ASSERT_TRUE(file.Ok());
    ASSERT_EQ(file->size(), 6u + 32 + 10 + 7);
    auto dir = ReadIconDirectory(*file);
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(dir->Header.Type, 1);
    ASSERT_EQ(dir->Entries.size(), 2u);
    EXPECT_EQ(dir->Entries[0].ImageOffset, 38u);
    EXPECT_EQ(dir->Entries[0].BytesInRes, 10u);
    EXPECT_EQ(dir->Entries[0].ColorCount, 16);
    EXPECT_EQ(dir->Entries[1].ImageOffset, 48u);
    EXPECT_EQ(dir->Entries[1].BytesInRes, 7u);
    EXPECT_EQ((*file)[47], 0xAA);
    EXPECT_EQ((*file)[48], 0xBB);
    auto block = IconImageBlock(*file, dir->Entries[1]);
    ASSERT_TRUE(block.Ok());
    EXPECT_EQ(block->size(), 7u);

    auto empty = AssembleIconFile({});
    ASSERT_TRUE(empty.Ok());
    EXPECT_EQ(*empty, (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0}));
}

TEST(ReadIconDirectory, RefusesShortFilesAndHugeCounts) {
    EXPECT_FALSE(ReadIconDirectory(std::vector<std::uint8_t>{0, 0, 1, 0}).Ok());
    // Two entries announced, one present.
    std::vector<std::uint8_t> shortDir = {0, 0, 1, 0, 2, 0};
    shortDir.resize(6 + 16 + 8);
    EXPECT_FALSE(ReadIconDirectory(shortDir).Ok());
    std::vector<std::uint8_t> huge = {0, 0, 1, 0, 0xFF, 0xFF};
    huge.resize(6 + 16 * 65535);
    auto r = ReadIconDirectory(huge);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.ErrorMessage().find("65535"), std::string::npos);
}

TEST(IconImageBlock, ChecksTheBlockLiesInsideTheFile) {
    std::vector<std::uint8_t> file(100);
    IconDirEntry e;
    e.ImageOffset = 90;
    e.BytesInRes = 10;
    EXPECT_TRUE(IconImageBlock(file, e).Ok());
    e.BytesInRes = 11;
    EXPECT_FALSE(IconImageBlock(file, e).Ok());
    e.ImageOffset = 0xFFFFFFFF;
    e.BytesInRes = 2;
    EXPECT_FALSE(IconImageBlock(file, e).Ok());
}

}  // namespace
}  // namespace gf
