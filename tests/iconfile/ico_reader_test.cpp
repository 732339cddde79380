// The icon loader over ICO and CUR files: naming and numbering of the one-image files, the
// descriptions, and files that claim more than they hold.

#include "iconfile/ico_reader.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "iconfile/ico_format.h"
#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "support/ico_builder.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;
using test::DibBlockRecipe;
using test::IcoBuilder;
using test::MakeDibBlock;
using test::TempFolder;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    auto bytes = ReadFileBytes(p);
    EXPECT_TRUE(bytes.Ok()) << p;
    return bytes ? *bytes : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> Block(int w, int h, int bits) {
    DibBlockRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.BitCount = bits;
    recipe.Pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 7 + y); };
    return MakeDibBlock(recipe);
}

std::vector<std::uint8_t> Png(int w, int h) {
    Bitmap b(w, h, PixelFormat::Bits32);
    b.Fill(Rgb(10, 200, 30), 128);
    return test::MakePngBlock(b);
}

// The block a one-image file holds, after checking its header and entry are what the loader
// writes.
std::vector<std::uint8_t> SingleImageBlock(const fs::path& p) {
    auto file = ReadAll(p);
    auto header = ReadIconDirHeader(file);
    EXPECT_TRUE(header.Ok());
    if (!header)
        return {};
    EXPECT_EQ(header->Reserved, 0);
    EXPECT_EQ(header->Type, IconTypeIcon);
    EXPECT_EQ(header->Count, 1);
    auto entry = ReadIconDirEntry(file, IconDirHeaderSize);
    EXPECT_TRUE(entry.Ok());
    if (!entry)
        return {};
    EXPECT_EQ(entry->ImageOffset, 22u);
    EXPECT_EQ(entry->BytesInRes, file.size() - 22);
    return {file.begin() + 22, file.end()};
}

class IcoReaderTest : public ::testing::Test {
  protected:
    TempFolder Dir;
    fs::path Work = Dir.Path() / "work";
    void SetUp() override { fs::create_directory(Work); }
};

TEST_F(IcoReaderTest, CutsEveryImageIntoNumberedFilesWithDescriptions) {
    auto b0 = Block(32, 32, 8);
    auto b1 = Block(16, 16, 4);
    auto b2 = Block(48, 48, 32);
    IcoBuilder().Add(b0, 32, 32, 8).Add(b1, 16, 16, 4).Add(b2, 48, 48, 32).WriteTo(Dir / "a.ico");

    IconSet set;
    ExtractResult r = ExtractIconsToFiles(Dir / "a.ico", set, Work);
    EXPECT_EQ(r.Count, 3);
    EXPECT_EQ(r.Message, "");
    ASSERT_EQ(set.Size(), 3u);
    EXPECT_EQ(set.IconFiles[0], Work / "ic0_0.ico");
    EXPECT_EQ(set.IconFiles[1], Work / "ic1_0.ico");
    EXPECT_EQ(set.IconFiles[2], Work / "ic2_0.ico");
    EXPECT_EQ(set.IconInfos[0], " 0# 32x32x8bits");
    EXPECT_EQ(set.IconInfos[1], " 1# 16x16x4bits");
    EXPECT_EQ(set.IconInfos[2], " 2# 48x48x32bits");

    EXPECT_EQ(SingleImageBlock(set.IconFiles[0]), b0);
    EXPECT_EQ(SingleImageBlock(set.IconFiles[1]), b1);
    EXPECT_EQ(SingleImageBlock(set.IconFiles[2]), b2);

    // The entry of a one-image file: 32 x 32 at 8 bits, 2216 bytes (1064 + 1024 + 128).
    auto file = ReadAll(set.IconFiles[0]);
    EXPECT_EQ(file.size(), 2238u);
    auto e = ReadIconDirEntry(file, 6);
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(*e, (IconDirEntry{32, 32, 0, 0, 1, 8, 2216, 22}));
    auto e4 = ReadIconDirEntry(ReadAll(set.IconFiles[1]), 6);
    ASSERT_TRUE(e4.Ok());
    EXPECT_EQ(e4->ColorCount, 16);
}

TEST_F(IcoReaderTest, ExistingFileNamesAreNotOverwritten) {
    IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).WriteTo(Dir / "a.ico");
    std::vector<std::uint8_t> old{1, 2, 3};
    ASSERT_TRUE(WriteFileAtomic(Work / "ic0_0.ico", old));

    IconSet set;
    EXPECT_EQ(ExtractIconsToFiles(Dir / "a.ico", set, Work).Count, 1);
    ASSERT_EQ(set.Size(), 1u);
    EXPECT_EQ(set.IconFiles[0], Work / "ic0_1.ico");
    EXPECT_EQ(ReadAll(Work / "ic0_0.ico"), old);

    // Loading again appends, numbering on from the lines already there; the names move on.
    EXPECT_EQ(ExtractIconsToFiles(Dir / "a.ico", set, Work).Count, 2);
    EXPECT_EQ(set.IconFiles[1], Work / "ic0_2.ico");
    EXPECT_EQ(set.IconInfos[1], " 1# 16x16x4bits");
}

// The description gives the image's own size; the one-image file's entry keeps the layout's byte,
// where 0 stands for 256.
TEST_F(IcoReaderTest, SizesOf256AreDescribedAs256) {
    IcoBuilder().Add(Block(256, 256, 32), 256, 256, 32).WriteTo(Dir / "big.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "big.ico", set, Work).Count, 1);
    EXPECT_EQ(set.IconInfos[0], " 0# 256x256x32bits");
    auto e = ReadIconDirEntry(ReadAll(set.IconFiles[0]), 6);
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(e->Width, 0);
    EXPECT_EQ(e->Height, 0);
    EXPECT_EQ(e->BytesInRes, 270376u);
}

TEST_F(IcoReaderTest, EmptyDirectoryAndUpperCaseExtension) {
    IcoBuilder().WriteTo(Dir / "empty.ico");
    IconSet set;
    ExtractResult r = ExtractIconsToFiles(Dir / "empty.ico", set, Work);
    EXPECT_EQ(r.Count, 0);
    EXPECT_TRUE(set.Empty());

    IcoBuilder().Add(Block(16, 16, 8), 16, 16, 8).WriteTo(Dir / "UPPER.ICO");
    EXPECT_EQ(IconContainerOfName("x/UPPER.ICO"), IconContainer::IconFile);
    EXPECT_EQ(IconContainerOfName("x/a.Ico"), IconContainer::IconFile);
    EXPECT_EQ(IconContainerOfName("x/a.cur"), IconContainer::Executable);
    EXPECT_EQ(IconContainerOfName("x/ico"), IconContainer::Executable);
    EXPECT_EQ(ExtractIconsToFiles(Dir / "UPPER.ICO", set, Work).Count, 1);
    EXPECT_EQ(set.IconInfos[0], " 0# 16x16x8bits");
}

// The messages keep their wording; the system's reason follows on a line of its own.
TEST_F(IcoReaderTest, FilesThatCanNotBeOpenedGiveTheMessageOfTheirKind) {
    IconSet set;
    set.Add(Work / "kept.ico", " 0# 1x1x1bits");
    ExtractResult ico = ExtractIconsToFiles(Dir / "missing.ico", set, Work);
    EXPECT_EQ(ico.Count, -1);
    EXPECT_EQ(ico.Message,
              "Can not open " + PathText(Dir / "missing.ico") + "!\n" + SystemReason(ENOENT));
    ExtractResult exe = ExtractIconsToFiles(Dir / "missing.dll", set, Work);
    EXPECT_EQ(exe.Count, 1);
    EXPECT_EQ(exe.Message,
              "Can not open file " + PathText(Dir / "missing.dll") + "\n" + SystemReason(ENOENT));
    EXPECT_EQ(set.Size(), 1u);
}

TEST_F(IcoReaderTest, CursorFilesAreCutIntoIconFiles) {
    auto block = Block(32, 32, 1);
    IcoBuilder().SetType(IconTypeCursor).Add(block, 32, 32, 1).WriteTo(Dir / "arrow.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "arrow.ico", set, Work).Count, 1);
    EXPECT_EQ(set.IconInfos[0], " 0# 32x32x1bits");
    EXPECT_EQ(SingleImageBlock(set.IconFiles[0]), block);  // checks type 1 too
    auto e = ReadIconDirEntry(ReadAll(set.IconFiles[0]), 6);
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(e->ColorCount, 2);
    EXPECT_EQ(e->Planes, 1);
}

TEST_F(IcoReaderTest, PngImagesAreDescribedFromTheirHeaderAndCopiedUnchanged) {
    auto png = Png(256, 256);
    auto small = Png(20, 24);
    IcoBuilder()
        .Add(Block(32, 32, 4), 32, 32, 4)
        .Add(png, 256, 256, 32)
        .Add(small, 20, 24, 32)
        .WriteTo(Dir / "mixed.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "mixed.ico", set, Work).Count, 3);
    EXPECT_EQ(set.IconInfos[1], " 1# 256x256x32bits");
    EXPECT_EQ(set.IconInfos[2], " 2# 20x24x32bits");
    EXPECT_EQ(SingleImageBlock(set.IconFiles[1]), png);
    auto e = ReadIconDirEntry(ReadAll(set.IconFiles[2]), 6);
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(*e,
              (IconDirEntry{20, 24, 0, 0, 1, 32, static_cast<std::uint32_t>(small.size()), 22}));

    IconBlockHeader h = ReadIconBlockHeader(png);
    EXPECT_TRUE(h.Png);
    EXPECT_EQ(h.Width, 256);
    EXPECT_EQ(h.EntryWidth(), 0);
    // A grey PNG of 8 bits and a palette PNG of 4 bits, by their IHDR.
    std::vector<std::uint8_t> ihdr(png.begin(), png.begin() + 33);
    ihdr[24] = 8;
    ihdr[25] = 0;
    EXPECT_EQ(ReadIconBlockHeader(ihdr).BitCount, 8);
    ihdr[24] = 4;
    ihdr[25] = 3;
    EXPECT_EQ(ReadIconBlockHeader(ihdr).BitCount, 4);
}

TEST_F(IcoReaderTest, CountsBeyondTheFileAreReadAsFarAsTheBytesGo) {
    auto b0 = Block(16, 16, 4);
    auto b1 = Block(16, 16, 8);
    // 65535 entries claimed, two present: the directory ends where the file does, and the
    // garbage "entries" made of image bytes point outside the file.
    IcoBuilder().SetCount(65535).Add(b0, 16, 16, 4).Add(b1, 16, 16, 8).WriteTo(Dir / "many.ico");
    auto source = FileSource::Open(Dir / "many.ico");
    ASSERT_TRUE(source.Ok());
    auto entries = ReadIconFileEntries(**source);
    EXPECT_EQ(entries.size(), ((*source)->Size() - 6) / 16);
    EXPECT_EQ(entries[0].Offset, 38u);

    IconSet set;
    ExtractResult r = ExtractIconsToFiles(Dir / "many.ico", set, Work);
    EXPECT_GE(r.Count, 2);
    EXPECT_EQ(set.IconInfos[0], " 0# 16x16x4bits");
    EXPECT_EQ(SingleImageBlock(set.IconFiles[0]), b0);
    EXPECT_EQ(SingleImageBlock(set.IconFiles[1]), b1);
    for (const auto& f : set.IconFiles)
        EXPECT_TRUE(fs::exists(f)) << f;
}

TEST(IcoReaderLimits, OverlappingClaimsDoNotMultiplyTheFile) {
    // 4000 entries that each claim the whole file (and more): cutting them all out would write
    // 4000 times the file.
    IcoBuilder builder;
    for (int i = 0; i < 4000; ++i)
        builder.Add(Block(16, 16, 4), 16, 16, 4).SetSize(i, 0xFFFFFFF0u);
    auto bytes = builder.Build();
    MemorySource source(bytes);
    IconImageList list = ListIconImages(source, IconContainer::IconFile);
    std::uint64_t total = 0;
    for (const auto& image : list.Images)
        total += image.Size;
    EXPECT_LE(total, MaxIconBytesPerFileByte * bytes.size() + MaxIconBytesExtra);
    EXPECT_GE(list.Images.size(), 2u);
    EXPECT_LT(list.Images.size(), 4000u);
    EXPECT_EQ(list.Images[0].Size, bytes.size());
}

TEST_F(IcoReaderTest, ImagesOutsideTheFileAreNotListed) {
    auto b0 = Block(16, 16, 4);
    auto b2 = Block(32, 32, 8);
    IcoBuilder builder;
    builder.Add(b0, 16, 16, 4).Add(Block(16, 16, 8), 16, 16, 8).Add(b2, 32, 32, 8);
    builder.SetOffset(1, 0x7FFFFFF0);
    builder.WriteTo(Dir / "hole.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "hole.ico", set, Work).Count, 2);
    // The names keep the directory index; the descriptions count what is listed.
    EXPECT_EQ(set.IconFiles[0], Work / "ic0_0.ico");
    EXPECT_EQ(set.IconFiles[1], Work / "ic2_0.ico");
    EXPECT_EQ(set.IconInfos[1], " 1# 32x32x8bits");
    EXPECT_FALSE(fs::exists(Work / "ic1_0.ico"));
    EXPECT_EQ(SingleImageBlock(set.IconFiles[1]), b2);
}

// An icon file that lists nothing says what is wrong with its directory to the command-line
// tool (NoIconsMessage); the loader keeps its own message (empty: "No icon exists in this file!").
TEST(IcoDirectoryFault, NamesWhatKeepsTheFileFromListingAnything) {
    auto outside = IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).Build();
    outside[18] = 0xF0;  // the only entry's offset, far past the end
    outside[21] = 0x7F;
    const struct {
        std::vector<std::uint8_t> Bytes;
        const char* Fault;
    } cases[] = {
        {{0, 0, 1}, "the file is too short for an icon directory"},
        {{'G', 'I', 'F', '8', '9', 'a', 1, 0}, "the file has no icon or cursor directory"},
        {{0, 0, 1, 0, 0, 0}, "the directory lists no images"},
        {{0, 0, 2, 0, 3, 0, 1, 2, 3}, "the directory is cut short"},
        {outside, "the directory points outside the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        MemorySource source(c.Bytes);
        const IconImageList list = ListIconImages(source, IconContainer::IconFile);
        EXPECT_TRUE(list.Images.empty());
        EXPECT_EQ(list.Message, "");
        EXPECT_EQ(list.DirectoryFault, c.Fault);
        EXPECT_EQ(NoIconsMessage(list), c.Fault);
    }
    const auto soundBytes = IcoBuilder().Add(Block(16, 16, 4), 16, 16, 4).Build();
    MemorySource sound(soundBytes);
    EXPECT_EQ(ListIconImages(sound, IconContainer::IconFile).DirectoryFault, "");
}

TEST_F(IcoReaderTest, ShortImagesArePaddedWithZerosButNeverBeyondTheFileSize) {
    auto b0 = Block(32, 32, 8);  // 2216 bytes
    IcoBuilder builder;
    builder.Add(b0, 32, 32, 8).TruncateTo(22 + 1000);
    builder.WriteTo(Dir / "short.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "short.ico", set, Work).Count, 1);
    auto block = SingleImageBlock(set.IconFiles[0]);
    // The claim (2216) is larger than the whole file (1022): the block is cut at the file size.
    ASSERT_EQ(block.size(), 1022u);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 1000, b0.begin()));
    EXPECT_TRUE(std::all_of(block.begin() + 1000, block.end(), [](auto v) { return v == 0; }));
    EXPECT_EQ(set.IconInfos[0], " 0# 32x32x8bits");

    // A modest shortfall inside a larger file is padded up to the claim.
    auto b1 = Block(16, 16, 4);  // 296 bytes at 38 + 9640 = 9678
    IcoBuilder padded;
    padded.Add(Block(48, 48, 32), 48, 48, 32).Add(b1, 16, 16, 4).TruncateTo(9900);
    padded.WriteTo(Dir / "padded.ico");
    IconSet set2;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "padded.ico", set2, Work).Count, 2);
    EXPECT_EQ(set2.IconInfos[1], " 1# 16x16x4bits");
    auto cut = SingleImageBlock(set2.IconFiles[1]);
    ASSERT_EQ(cut.size(), 296u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 222, b1.begin()));
    EXPECT_TRUE(std::all_of(cut.begin() + 222, cut.end(), [](auto v) { return v == 0; }));

    auto source = FileSource::Open(Dir / "padded.ico");
    ASSERT_TRUE(source.Ok());
    auto huge = CutIconBlock(**source, 38, 0xFFFFFFFFu);
    ASSERT_TRUE(huge.Ok());
    EXPECT_EQ(huge->size(), (*source)->Size());
    EXPECT_FALSE(CutIconBlock(**source, 9900, 10).Ok());
    EXPECT_TRUE(CutIconBlock(**source, 9899, 10).Ok());
}

TEST_F(IcoReaderTest, NothingIsJudged) {
    DibBlockRecipe odd;
    odd.Width = 300;
    odd.Height = 5;
    odd.BitCount = 7;
    odd.Planes = 3;
    odd.Palette = {Black, White};
    auto block = MakeDibBlock(odd);
    IcoBuilder().Add(block, 44, 5, 7).WriteTo(Dir / "odd.ico");
    IconSet set;
    ASSERT_EQ(ExtractIconsToFiles(Dir / "odd.ico", set, Work).Count, 1);
    // The description gives the image's own width; the entry keeps its low byte.
    EXPECT_EQ(set.IconInfos[0], " 0# 300x5x7bits");
    auto e = ReadIconDirEntry(ReadAll(set.IconFiles[0]), 6);
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(*e,
              (IconDirEntry{44, 5, 128, 0, 3, 7, static_cast<std::uint32_t>(block.size()), 22}));
}

TEST_F(IcoReaderTest, WriteIconEntryFileReportsWhatItCouldNotDo) {
    auto b = Block(24, 24, 24);
    IcoBuilder().Add(b, 24, 24, 24).WriteTo(Dir / "one.ico");
    IconEntryInfo info;
    EXPECT_EQ(WriteIconEntryFile(22, static_cast<std::uint32_t>(b.size()), Work / "x.ico",
                                 Dir / "one.ico", info),
              0);
    EXPECT_EQ(info.Width, 24);
    EXPECT_EQ(info.Height, 24);
    EXPECT_EQ(info.BitCount, 24);
    EXPECT_EQ(SingleImageBlock(Work / "x.ico"), b);

    // An existing target is replaced; a folder of that name is left alone.
    ASSERT_TRUE(WriteFileAtomic(Work / "old.ico", std::vector<std::uint8_t>(5000, 7)));
    EXPECT_EQ(WriteIconEntryFile(22, static_cast<std::uint32_t>(b.size()), Work / "old.ico",
                                 Dir / "one.ico", info),
              0);
    EXPECT_EQ(SingleImageBlock(Work / "old.ico"), b);
    fs::create_directory(Work / "folder.ico");
    EXPECT_EQ(WriteIconEntryFile(22, 40, Work / "folder.ico", Dir / "one.ico", info), 1);
    EXPECT_TRUE(fs::is_directory(Work / "folder.ico"));

    EXPECT_EQ(WriteIconEntryFile(22, 100, Work / "y.ico", Dir / "missing.ico", info), 1);
    EXPECT_EQ(WriteIconEntryFile(1u << 30, 100, Work / "y.ico", Dir / "one.ico", info), 1);
    EXPECT_FALSE(fs::exists(Work / "y.ico"));

    // A working folder that cannot be written to: nothing is listed rather than names of files
    // that do not exist.
    IconSet set;
    EXPECT_EQ(ExtractIconsToFiles(Dir / "one.ico", set, Dir / "no" / "such" / "folder").Count, 0);
    EXPECT_TRUE(set.Empty());
}

void PutChunk(std::vector<std::uint8_t>& out, const char* id,
              const std::vector<std::uint8_t>& data) {
    out.insert(out.end(), id, id + 4);
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2)
        out.push_back(0);
}

// RIFF "ACON" with an "anih" header (odd-sized, to exercise padding) and a "fram" list of
// icon chunks.
std::vector<std::uint8_t> AnimatedCursor(const std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<std::uint8_t> body{'A', 'C', 'O', 'N'};
    PutChunk(body, "anih", std::vector<std::uint8_t>(37, 0));
    std::vector<std::uint8_t> list{'f', 'r', 'a', 'm'};
    for (const auto& f : frames)
        PutChunk(list, "icon", f);
    PutChunk(body, "LIST", list);
    std::vector<std::uint8_t> riff;
    PutChunk(riff, "RIFF", body);
    return riff;
}

TEST(IcoAnimatedCursor, EveryFrameIsListedAtItsPlaceInTheFile) {
    auto b0 = Block(32, 32, 8);
    auto b1 = Block(16, 16, 4);
    auto f0 = IcoBuilder().SetType(2).Add(b0, 32, 32, 8).Build();
    auto f1 = IcoBuilder().SetType(2).Add(b1, 16, 16, 4).Add(Block(24, 24, 1), 24, 24, 1).Build();
    auto ani = AnimatedCursor({f0, f1});
    MemorySource source(ani);
    ASSERT_EQ(DetectIconContainer(source, "x.ani"), IconContainer::AnimatedCursor);
    IconImageList list = ListIconImages(source, IconContainer::AnimatedCursor);
    ASSERT_EQ(list.Images.size(), 3u);
    for (const auto& image : list.Images) {
        auto cut = CutIconBlock(source, image.Offset, image.Size);
        ASSERT_TRUE(cut.Ok());
        EXPECT_TRUE(std::equal(cut->begin(), cut->end(), ani.begin() + image.Offset));
    }
    EXPECT_EQ(list.Images[0].Size, b0.size());
    EXPECT_EQ(list.Images[1].Header.Width, 16);
    EXPECT_EQ(list.Images[2].EntryIndex, 2u);

    // A frame whose size runs past the file keeps what is there; a file with no frames says so.
    auto cut = ani;
    cut.resize(ani.size() - 50);
    MemorySource shortSource(cut);
    EXPECT_EQ(ListIconImages(shortSource, IconContainer::AnimatedCursor).Images.size(), 3u);
    auto empty = AnimatedCursor({});
    MemorySource emptySource(empty);
    EXPECT_EQ(ListIconImages(emptySource, IconContainer::AnimatedCursor).Message,
              "No icon exists in this file!");
}

TEST(IcoContainer, DetectedByContentThenByName) {
    auto detect = [](std::vector<std::uint8_t> bytes, const char* name) {
        MemorySource s(bytes);
        return DetectIconContainer(s, name);
    };
    EXPECT_EQ(detect({'M', 'Z', 0, 0}, "a.ico"), IconContainer::Executable);
    EXPECT_EQ(detect({0, 0, 2, 0, 1, 0}, "a.exe"), IconContainer::IconFile);
    EXPECT_EQ(detect({0, 0, 1, 0}, "noname"), IconContainer::IconFile);
    EXPECT_EQ(detect({0, 0, 3, 0}, "a.ICO"), IconContainer::IconFile);
    EXPECT_EQ(detect({0, 0, 3, 0}, "a.dll"), IconContainer::Executable);
    EXPECT_EQ(detect({}, "a.ico"), IconContainer::IconFile);
}

TEST(IcoBlockHeader, ShortBlocksReadAsZero) {
    std::vector<std::uint8_t> tiny{40, 0, 0, 0, 32, 0};
    IconBlockHeader h = ReadIconBlockHeader(tiny);
    EXPECT_FALSE(h.Png);
    EXPECT_EQ(h.Width, 32);  // the missing high bytes of biWidth read as 0
    EXPECT_EQ(h.BitCount, 0);
    EXPECT_EQ(ReadIconBlockHeader({}).Height, 0);
    auto file = MakeSingleImageIconFile(tiny);
    ASSERT_EQ(file.size(), 28u);
    EXPECT_EQ(file[8], 1);  // colour count for bit count 0
}

}  // namespace
}  // namespace gf
