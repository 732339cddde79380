#include "iconfile/icon_pack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "iconfile/ico_format.h"
#include "platform/file_io.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

// A folder of its own per test, removed afterwards.
class PackFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        Dir =
            fs::temp_directory_path() / ("gf_pack_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(Dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    // A 32 x 32, 8-bit image block: 1064 bytes of header and table, 1024 colour, 128 mask.
    static IconBlock Block8(std::uint8_t fill) {
        IconBlock b;
        b.Entry = MakeIconDirEntry(32, 32, 8);
        b.Data.assign(2216, fill);
        std::vector<std::uint8_t> header;
        PutU32(header, 40);
        PutI32(header, 32);
        PutI32(header, 64);
        PutU16(header, 1);
        PutU16(header, 8);
        std::copy(header.begin(), header.end(), b.Data.begin());
        return b;
    }

    fs::path WriteOneImageFile(const std::string& name, const IconBlock& block) {
        auto bytes = AssembleIconFile({block});
        EXPECT_TRUE(bytes.Ok());
        fs::path p = Dir / name;
        EXPECT_TRUE(WriteFileAtomic(p, *bytes).Ok());
        return p;
    }

    std::vector<std::uint8_t> Read(const fs::path& p) {
        auto bytes = ReadFileBytes(p);
        EXPECT_TRUE(bytes.Ok()) << PathText(p);
        return bytes ? *bytes : std::vector<std::uint8_t>{};
    }

    std::size_t FilesInDir() {
        std::size_t n = 0;
        for (auto& e : fs::directory_iterator(Dir)) {
            (void)e;
            ++n;
        }
        return n;
    }

    fs::path Dir;
};

TEST_F(PackFolder, ThreeBlocksLaidOutInListOrder) {
    std::vector<fs::path> sources = {WriteOneImageFile("a.ico", Block8(0x11)),
                                     WriteOneImageFile("b.ico", Block8(0x22)),
                                     WriteOneImageFile("c.ico", Block8(0x33))};
    fs::path target = Dir / "all.ico";
    PackOutcome out = PackIconFiles(sources, target);
    ASSERT_TRUE(out.Ok()) << out.Message;
    EXPECT_EQ(out.ImageCount, 3u);

    auto file = Read(target);
    ASSERT_EQ(file.size(), 6702u);
    auto dir = ReadIconDirectory(file);
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(dir->Header.Type, 1);
    ASSERT_EQ(dir->Header.Count, 3);
    const std::uint32_t offsets[] = {54, 2270, 4486};
    const std::uint8_t fills[] = {0x11, 0x22, 0x33};
    for (int k = 0; k < 3; ++k) {
        const IconDirEntry& e = dir->Entries[k];
        EXPECT_EQ(e.ImageOffset, offsets[k]);
        EXPECT_EQ(e.BytesInRes, 2216u);
        EXPECT_EQ(e.Width, 32);
        EXPECT_EQ(e.Height, 32);
        EXPECT_EQ(e.BitCount, 8);
        EXPECT_EQ(e.ColorCount, 0);
        // The block is copied unchanged: its header, then its own fill.
        EXPECT_EQ(ReadI32(file, offsets[k] + 8), 64);
        EXPECT_EQ(file[offsets[k] + 2215], fills[k]);
    }
}

TEST_F(PackFolder, EntryFieldsOtherThanOffsetAreKept) {
    IconBlock odd = Block8(0x44);
    odd.Entry.ColorCount = 7;  // whatever the source said is carried through
    odd.Entry.Planes = 3;
    fs::path src = WriteOneImageFile("odd.ico", odd);
    fs::path target = Dir / "one.ico";
    ASSERT_TRUE(PackIconFiles({src}, target).Ok());
    auto file = Read(target);
    auto dir = ReadIconDirectory(file);
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(dir->Entries[0].ColorCount, 7);
    EXPECT_EQ(dir->Entries[0].Planes, 3);
    EXPECT_EQ(dir->Entries[0].ImageOffset, 22u);
    // A one-image source repacked alone gives back the same bytes.
    EXPECT_EQ(file, Read(src));
}

TEST_F(PackFolder, UnreadableImageLeavesOldTargetByteIdentical) {
    fs::path target = Dir / "old.ico";
    std::vector<std::uint8_t> old = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(WriteFileAtomic(target, old).Ok());
    fs::path good = WriteOneImageFile("good.ico", Block8(0x55));
    fs::path missing = Dir / "missing.ico";

    PackOutcome out = PackIconFiles({good, missing, good}, target);
    EXPECT_EQ(out.Failure, PackFailure::SourceUnreadable);
    EXPECT_EQ(out.FailedSource, missing);
    EXPECT_NE(out.Message.find("missing.ico"), std::string::npos) << out.Message;
    EXPECT_EQ(Read(target), old);
    EXPECT_EQ(FilesInDir(), 2u);  // no temporary file left beside the target
}

TEST_F(PackFolder, MalformedSourcesAreRefusedAndNamed) {
    fs::path target = Dir / "t.ico";
    // A block that claims more bytes than the file holds.
    auto whole = AssembleIconFile({Block8(0x66)});
    ASSERT_TRUE(whole.Ok());
    std::vector<std::uint8_t> cut(whole->begin(), whole->end() - 10);
    fs::path truncated = Dir / "cut.ico";
    ASSERT_TRUE(WriteFileAtomic(truncated, cut).Ok());
    // A header announcing no image.
    std::vector<std::uint8_t> empty;
    PutIconDirHeader(empty, {0, 1, 0});
    fs::path none = Dir / "none.ico";
    ASSERT_TRUE(WriteFileAtomic(none, empty).Ok());
    // Too short for a header.
    fs::path tiny = Dir / "tiny.ico";
    ASSERT_TRUE(WriteFileAtomic(tiny, std::vector<std::uint8_t>{0, 0}).Ok());

    for (const fs::path& bad : {truncated, none, tiny}) {
        PackOutcome out = PackIconFiles({bad}, target);
        EXPECT_EQ(out.Failure, PackFailure::SourceUnreadable) << PathText(bad);
        EXPECT_EQ(out.FailedSource, bad);
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(PackFolder, UnwritableTargetReported) {
    fs::path src = WriteOneImageFile("a.ico", Block8(0x77));
    PackOutcome out = PackIconFiles({src}, Dir / "no-such-folder" / "x.ico");
    EXPECT_EQ(out.Failure, PackFailure::TargetUnwritable);
    EXPECT_FALSE(out.Message.empty());
}

TEST_F(PackFolder, EmptyListWritesHeaderOnly) {
    fs::path target = Dir / "empty.ico";
    ASSERT_TRUE(PackIconFiles({}, target).Ok());
    auto file = Read(target);
    EXPECT_EQ(file, (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0}));
}

TEST(ReadFirstIconBlock, TakesOnlyTheFirstImageOfAMultiImageFile) {
    IconBlock a, b;
    a.Entry = MakeIconDirEntry(16, 16, 4);
    a.Data.assign(100, 0xAA);
    b.Entry = MakeIconDirEntry(48, 48, 32);
    b.Data.assign(50, 0xBB);
    auto file = AssembleIconFile({a, b});
    ASSERT_TRUE(file.Ok());
    auto first = ReadFirstIconBlock(*file);
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(first->Entry.Width, 16);
    EXPECT_EQ(first->Data, a.Data);
}

}  // namespace
}  // namespace gf
