// Icon images of executables: the resource walk, the image check, the second look by ID, and
// files built to mislead the walk.

#include "iconfile/pe_icons.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "iconfile/ico_format.h"
#include "iconfile/ico_reader.h"
#include "platform/file_io.h"
#include "support/ico_builder.h"
#include "support/pe_builder.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;
using test::BuildPe;
using test::BuiltPe;
using test::NumberedIcons;
using test::PeIcon;
using test::PeRecipe;

std::vector<std::uint8_t> Block(int w, int h, int bits, std::uint32_t seed = 0) {
    test::DibBlockRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.BitCount = bits;
    recipe.Pixel = [seed](int x, int y) { return static_cast<std::uint32_t>(x * 3 + y + seed); };
    return test::MakeDibBlock(recipe);
}

std::vector<std::uint8_t> Png(int w, int h) {
    Bitmap b(w, h, PixelFormat::Bits32);
    b.Fill(Rgb(1, 2, 3), 255);
    return test::MakePngBlock(b);
}

// A block of `size` bytes whose header reads as a usable 8-bit 16 x 16 image.
std::vector<std::uint8_t> SizedBlock(std::size_t size) {
    auto b = Block(16, 16, 8);
    b.resize(size, 0x5A);
    return b;
}

ExecutableIconTable Scan(const BuiltPe& pe, std::string* message = nullptr) {
    MemorySource source(pe.Bytes);
    ExecutableIconTable table;
    std::string m;
    EXPECT_EQ(ScanExecutableIcons(source, table, m), 0) << m;
    if (message)
        *message = m;
    return table;
}

ExecutableIconTable Read(const std::vector<std::uint8_t>& bytes, std::string* message = nullptr) {
    MemorySource source(bytes);
    std::string m;
    auto table = ReadExecutableIcons(source, m);
    if (message)
        *message = m;
    return table;
}

std::vector<std::uint32_t> Offsets(const ExecutableIconTable& t) {
    std::vector<std::uint32_t> out;
    for (const auto& i : t)
        out.push_back(i.Offset);
    return out;
}

TEST(PeIcons, ImagesComeInDirectoryOrderRegardlessOfGroups) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(16, 16, 4, 1), Block(32, 32, 4, 2), Block(48, 48, 8, 3),
                                  Block(16, 16, 8, 4), Block(32, 32, 32, 5), Block(24, 24, 24, 6)});
    recipe.Groups = {{1, {1, 3, 5}}, {2, {2, 4, 6}}};
    BuiltPe pe = BuildPe(recipe);
    auto table = Scan(pe);
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(Offsets(table), pe.ImageOffsets);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(table[i].Size, pe.ImageSizes[i]);
        EXPECT_FALSE(table[i].Rejected);
    }
}

TEST(PeIcons, OnlyTheFirstLanguageIsTaken) {
    PeRecipe recipe;
    recipe.Icons = {PeIcon{1, {{1031, Block(32, 32, 8, 1)}, {1033, Block(16, 16, 4, 2)}}},
                    PeIcon{2, {{1033, Block(16, 16, 8, 3)}}}};
    BuiltPe pe = BuildPe(recipe);
    auto table = Read(pe.Bytes);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].Offset, pe.ImageOffsets[0]);
    EXPECT_EQ(table[0].Size, Block(32, 32, 8).size());
    EXPECT_EQ(table[1].Offset, pe.ImageOffsets[1]);
}

TEST(PeIcons, ImagesUnder200BytesAreSkipped) {
    PeRecipe recipe;
    // 16 x 16 at 1 bit is 48 + 64 + 64 = 176 bytes; at 4 bits 104 + 128 + 64 = 296.
    recipe.Icons =
        NumberedIcons({Block(16, 16, 1), Block(16, 16, 4), SizedBlock(199), SizedBlock(200)});
    BuiltPe pe = BuildPe(recipe);
    ASSERT_EQ(pe.ImageSizes[0], 176u);
    auto table = Scan(pe);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].Offset, pe.ImageOffsets[1]);
    EXPECT_EQ(table[1].Offset, pe.ImageOffsets[3]);
}

TEST(PeIcons, EveryImageIsHeldUpToTheLimitAndLargerFilesAreRefused) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons(std::vector<std::vector<std::uint8_t>>(1500, SizedBlock(200)));
    BuiltPe pe = BuildPe(recipe);
    EXPECT_EQ(Scan(pe).size(), 1500u);
    EXPECT_EQ(Read(pe.Bytes).size(), 1500u);
    MemorySource source(pe.Bytes);
    EXPECT_EQ(ListIconImages(source, IconContainer::Executable).Images.size(), 1500u);

    // One more resource than an icon file could hold (the last icon in two languages): refused
    // as a whole, and said so.
    recipe.Icons = NumberedIcons(std::vector<std::vector<std::uint8_t>>(
        MaxExecutableIcons, std::vector<std::uint8_t>{1}));
    recipe.Icons.back().Languages.push_back({1031, {1}});
    BuiltPe huge = BuildPe(recipe);
    MemorySource hugeSource(huge.Bytes);
    ExecutableIconTable table;
    std::string message;
    EXPECT_EQ(ScanExecutableIcons(hugeSource, table, message), 1);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(message, "The file holds more than 65535 icon images, more than can be read.");
    IconImageList list = ListIconImages(hugeSource, IconContainer::Executable);
    EXPECT_TRUE(list.Images.empty());
    EXPECT_EQ(NoIconsMessage(list), message);
}

TEST(PeIcons, Pe64FilesAreReadThroughTheirOptionalHeaderSize) {
    PeRecipe recipe;
    recipe.Pe64 = true;
    recipe.Icons = NumberedIcons({Block(32, 32, 32), Block(16, 16, 8)});
    BuiltPe pe = BuildPe(recipe);
    auto table = Read(pe.Bytes);
    EXPECT_EQ(Offsets(table), pe.ImageOffsets);

    // The same file with the section table taken at a fixed 248 bytes would find no ".rsrc":
    // the offset must come from the header, so a changed size field moves the table.
    pe.PutU16(pe.PeOffset + 20, 224);
    EXPECT_TRUE(Read(pe.Bytes).empty());
}

TEST(PeIcons, DataIsMappedThroughTheSectionThatHoldsIt) {
    PeRecipe recipe;
    recipe.DataInOwnSection = true;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 4)});
    BuiltPe pe = BuildPe(recipe);
    ASSERT_GT(pe.ImageOffsets[0], pe.ResourceRaw + pe.ResourceRawSize - 1);
    EXPECT_EQ(Offsets(Read(pe.Bytes)), pe.ImageOffsets);

    // An address in the resource section's memory but past its file data (memory the loader
    // fills with zeros) is in no section's file data, even though the next section's bytes
    // follow in the file.
    BuiltPe zeroFilled = pe;
    zeroFilled.PutU32(zeroFilled.SectionTable + 40 + 8, 0x100000);  // virtual size
    const std::uint32_t nextRaw = pe.ResourceRaw + pe.ResourceRawSize;
    zeroFilled.PutU32(zeroFilled.DataEntries[0],
                      pe.ResourceVirtual + pe.ResourceRawSize + (pe.ImageOffsets[1] - nextRaw));
    EXPECT_EQ(Offsets(Read(zeroFilled.Bytes)), (std::vector<std::uint32_t>{pe.ImageOffsets[1]}));
}

TEST(PeIcons, PngImagesAreUsable) {
    PeRecipe recipe;
    auto png = Png(256, 256);
    recipe.Icons = NumberedIcons({Block(32, 32, 8), png});
    BuiltPe pe = BuildPe(recipe);
    auto table = Read(pe.Bytes);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].Offset, pe.ImageOffsets[1]);
    EXPECT_EQ(table[1].Size, png.size());
}

TEST(PeIcons, SignatureIsSearchedInTheFirst3600Bytes) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8)});
    recipe.DosPointer = 0x40;  // points at nothing
    EXPECT_EQ(Read(BuildPe(recipe).Bytes).size(), 1u);

    recipe.DosPointer = 0xFFFFFFF0u;  // outside the file
    EXPECT_EQ(Read(BuildPe(recipe).Bytes).size(), 1u);

    // The last place where the whole signature lies inside the first 3600 bytes.
    recipe.PeOffset = 3596;
    EXPECT_EQ(Read(BuildPe(recipe).Bytes).size(), 1u);

    recipe.PeOffset = 3600;
    std::string message;
    auto bytes = BuildPe(recipe).Bytes;
    MemorySource source(bytes);
    ExecutableIconTable table{{1, 2, false}};
    EXPECT_EQ(ScanExecutableIcons(source, table, message), 1);
    EXPECT_EQ(message, "There is no icon in this file!");
    EXPECT_TRUE(table.empty());

    // With the right pointer the far signature is found at once.
    recipe.DosPointer.reset();
    EXPECT_EQ(Read(BuildPe(recipe).Bytes).size(), 1u);
}

TEST(PeIcons, FilesWithoutSignatureOrResources) {
    std::string message;
    std::vector<std::uint8_t> text(5000, 'x');
    text[0] = 'P';  // a signature at offset 0 does not count
    text[1] = 'E';
    text[2] = text[3] = 0;
    EXPECT_TRUE(Read(text, &message).empty());
    EXPECT_EQ(message, "There is no icon in this file!");
    EXPECT_TRUE(Read({}, &message).empty());
    EXPECT_EQ(message, "There is no icon in this file!");

    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8)});
    recipe.ResourceSectionName = ".RSRC";  // names are compared exactly
    message.clear();
    EXPECT_TRUE(Read(BuildPe(recipe).Bytes, &message).empty());
    EXPECT_EQ(message, "");

    recipe.ResourceSectionName = ".rsrc";
    recipe.Icons.clear();
    EXPECT_TRUE(Read(BuildPe(recipe).Bytes, &message).empty());
    EXPECT_EQ(message, "");
}

TEST(PeIcons, MalformedHeadersAndSectionsEndQuietly) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 8)});
    const BuiltPe good = BuildPe(recipe);

    BuiltPe beyond = good;  // section table past the end of the file
    beyond.PutU16(beyond.PeOffset + 20, 0xFFF0);
    EXPECT_TRUE(Read(beyond.Bytes).empty());

    BuiltPe many = good;  // more sections claimed than there are headers
    many.PutU16(many.PeOffset + 6, 0xFFFF);
    EXPECT_EQ(Read(many.Bytes).size(), 2u);

    BuiltPe rawOutside = good;  // resource data pointer beyond the file
    rawOutside.PutU32(rawOutside.SectionTable + 40 + 20, 0x7FFFFFF0);
    EXPECT_TRUE(Read(rawOutside.Bytes).empty());

    BuiltPe headersOnly = good;  // cut inside the section table
    headersOnly.Bytes.resize(headersOnly.SectionTable + 50);
    EXPECT_TRUE(Read(headersOnly.Bytes).empty());

    BuiltPe hugeDirectory = good;  // 65535 + 65535 entries claimed in a small section
    hugeDirectory.PutU16(hugeDirectory.IconDirectory + 12, 0xFFFF);
    hugeDirectory.PutU16(hugeDirectory.IconDirectory + 14, 0xFFFF);
    EXPECT_LE(Read(hugeDirectory.Bytes).size(), 2u);
}

TEST(PeIcons, LoopsAndDeepNestingEndTheWalk) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 8), Block(48, 48, 8)});
    const BuiltPe good = BuildPe(recipe);
    const std::uint32_t iconDirRel = good.IconDirectory - good.ResourceRaw;

    BuiltPe typeToRoot = good;
    typeToRoot.PutU32(typeToRoot.IconTypeEntry + 4, 0x80000000u);
    EXPECT_TRUE(Read(typeToRoot.Bytes).empty());

    // The second icon's language level points back to the ID level: the walk stops there and
    // keeps what it found before.
    BuiltPe idToSelf = good;
    idToSelf.PutU32(idToSelf.IconEntries[1] + 4, 0x80000000u | iconDirRel);
    auto table = Read(idToSelf.Bytes);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Offset, good.ImageOffsets[0]);

    BuiltPe idToRoot = good;
    idToRoot.PutU32(idToRoot.IconEntries[0] + 4, 0x80000000u);
    EXPECT_TRUE(Read(idToRoot.Bytes).empty());

    // A language entry that is one more directory (a fourth level) ends the walk there.
    BuiltPe deeper = good;
    deeper.PutU32(deeper.LanguageEntries[1] + 4, 0x80000000u | iconDirRel);
    table = Read(deeper.Bytes);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Offset, good.ImageOffsets[0]);

    // A loop that would otherwise read as a good tree: the ID level's first entry is a plain
    // data entry (skipped), and the second names the ID level as its language level, whose
    // first entry then looks like a first language.
    BuiltPe disguised = good;
    disguised.PutU32(disguised.IconEntries[0] + 4, good.DataEntries[0] - good.ResourceRaw);
    disguised.PutU32(disguised.IconEntries[1] + 4, 0x80000000u | iconDirRel);
    EXPECT_TRUE(Read(disguised.Bytes).empty());

    // An ID entry without the directory bit is skipped, not followed.
    BuiltPe flat = good;
    flat.PutU32(flat.IconEntries[0] + 4, flat.DataEntries[0] - flat.ResourceRaw);
    EXPECT_EQ(Offsets(Read(flat.Bytes)),
              (std::vector<std::uint32_t>{good.ImageOffsets[1], good.ImageOffsets[2]}));
}

TEST(PeIcons, BadDataEntriesAreSkipped) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 8), Block(48, 48, 8)});
    const BuiltPe good = BuildPe(recipe);

    BuiltPe rva = good;  // in no section
    rva.PutU32(rva.DataEntries[0], 0xFFFFFF00u);
    EXPECT_EQ(Offsets(Read(rva.Bytes)),
              (std::vector<std::uint32_t>{good.ImageOffsets[1], good.ImageOffsets[2]}));

    BuiltPe gap = good;  // between sections (the builder leaves a gap before the resources)
    gap.PutU32(gap.DataEntries[1], good.ResourceVirtual - 0x800);
    EXPECT_EQ(Read(gap.Bytes).size(), 2u);

    BuiltPe dataOutside = good;  // data entry offset outside the section
    dataOutside.PutU32(dataOutside.LanguageEntries[1] + 4, 0x7FFFFFF0u);
    EXPECT_EQ(Read(dataOutside.Bytes).size(), 2u);

    BuiltPe hugeSize = good;  // a size running past the end of the file
    hugeSize.PutU32(hugeSize.DataEntries[2] + 4, 0xFFFFFFF0u);
    EXPECT_EQ(Read(hugeSize.Bytes).size(), 2u);

    BuiltPe truncated = good;  // the file ends inside the last image
    truncated.Bytes.resize(good.ImageOffsets[2] + 100);
    EXPECT_EQ(Offsets(Read(truncated.Bytes)),
              (std::vector<std::uint32_t>{good.ImageOffsets[0], good.ImageOffsets[1]}));
}

TEST(PeIcons, CheckIconImageRules) {
    auto block = [](std::int32_t w, std::int32_t storedH, std::uint16_t bits) {
        auto b = Block(16, 16, 8);
        b.resize(300, 0);
        for (int i = 0; i < 4; ++i) {
            b[4 + i] = static_cast<std::uint8_t>(w >> (8 * i));
            b[8 + i] = static_cast<std::uint8_t>(storedH >> (8 * i));
        }
        b[14] = static_cast<std::uint8_t>(bits);
        b[15] = static_cast<std::uint8_t>(bits >> 8);
        return b;
    };
    auto check = [](const std::vector<std::uint8_t>& b) {
        MemorySource s(b);
        return CheckIconImage(s, 0, static_cast<std::uint32_t>(b.size()));
    };
    for (int bits : {0, 1, 4, 8, 16, 24, 32})
        EXPECT_EQ(check(block(32, 64, bits)), 0) << bits;
    for (int bits : {2, 7, 15, 48, 0x2001})
        EXPECT_EQ(check(block(32, 64, bits)), 1) << bits;
    EXPECT_EQ(check(block(256, 512, 32)), 0);
    EXPECT_EQ(check(block(257, 64, 32)), 1);
    EXPECT_EQ(check(block(32, 513, 32)), 1);
    EXPECT_EQ(check(Png(300, 300)), 0);

    auto b = block(32, 64, 8);
    MemorySource s(b);
    EXPECT_EQ(CheckIconImage(s, 0, 301), 1);   // one byte beyond the end
    EXPECT_EQ(CheckIconImage(s, 290, 10), 1);  // too short for a header
    EXPECT_EQ(CheckIconImage(s, 0xFFFFFFF0u, 0x20), 1);

    std::string message;
    EXPECT_EQ(CheckIconImage(fs::path("/no/such/file.dll"), 0, 10, &message), 1);
    EXPECT_EQ(message, "Can not open file /no/such/file.dll\n" + SystemReason(ENOENT));
}

TEST(PeIcons, SecondLookTakesTheIconWhoseIdIsThePositionPlusOne) {
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 4), Block(48, 48, 8)});
    BuiltPe pe = BuildPe(recipe);
    MemorySource source(pe.Bytes);

    ExecutableIconTable table{{0, 0, false}, {7, 7, true}, {9, 9, true}, {5, 5, true}};
    LocateIconResources(source, table);
    EXPECT_FALSE(table[0].Rejected);
    EXPECT_EQ(table[0].Offset, 0u);  // not rejected: left alone
    EXPECT_FALSE(table[1].Rejected);
    EXPECT_EQ(table[1].Offset, pe.ImageOffsets[1]);
    EXPECT_EQ(table[1].Size, pe.ImageSizes[1]);
    EXPECT_EQ(table[2].Offset, pe.ImageOffsets[2]);
    EXPECT_TRUE(table[3].Rejected);  // there is no ID 4
    EXPECT_EQ(table[3].Offset, 5u);

    // A rejected image whose ID-matched resource is just as bad stays out after the recheck.
    PeRecipe bad;
    auto broken = Block(32, 32, 8);
    broken[14] = 7;  // bit count 7
    bad.Icons = NumberedIcons({Block(32, 32, 8), broken});
    EXPECT_EQ(Read(BuildPe(bad).Bytes).size(), 1u);

    // The second look goes by ID, not by image: with ID 1 under 200 bytes and ID 2 unusable,
    // position 0 (ID 2) is replaced by ID 1, as the platform loader would.
    PeRecipe shifted;
    shifted.Icons = NumberedIcons({Block(16, 16, 1), broken});
    BuiltPe s = BuildPe(shifted);
    auto t = Read(s.Bytes);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].Offset, s.ImageOffsets[0]);
    EXPECT_EQ(t[0].Size, 176u);
}

TEST(PeIcons, PathFormsOpenTheFile) {
    test::TempFolder dir;
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({Block(32, 32, 8), Block(16, 16, 4)});
    BuiltPe pe = BuildPe(recipe);
    pe.WriteTo(dir / "app.exe");

    ExecutableIconTable table;
    std::string message;
    EXPECT_EQ(ScanExecutableIcons(dir / "app.exe", table, message), 0);
    EXPECT_EQ(Offsets(table), pe.ImageOffsets);
    EXPECT_EQ(CheckIconImage(dir / "app.exe", table[0].Offset, table[0].Size), 0);
    table[0].Rejected = true;
    table[0].Offset = 3;
    LocateIconResources(dir / "app.exe", table);
    EXPECT_EQ(table[0].Offset, pe.ImageOffsets[0]);

    EXPECT_EQ(ScanExecutableIcons(dir / "none.exe", table, message), 1);
    EXPECT_EQ(message, "Can not open file " + PathText(dir / "none.exe") + "\n" + SystemReason(ENOENT));
    EXPECT_TRUE(table.empty());
}

TEST(PeIcons, LoaderCutsExecutableIconsNumberedOnFromTheSet) {
    test::TempFolder dir;
    auto b0 = Block(32, 32, 8);
    auto png = Png(256, 256);
    PeRecipe recipe;
    recipe.Icons = NumberedIcons({b0, Block(16, 16, 1), png, Block(48, 48, 32)});
    recipe.Groups = {{1, {1, 2, 3, 4}}};
    BuildPe(recipe).WriteTo(dir / "Tool.DLL");

    IconSet set;
    set.Add(dir / "earlier.ico", " 0# 16x16x4bits");
    ExtractResult r = ExtractIconsToFiles(dir / "Tool.DLL", set, dir.Path());
    EXPECT_EQ(r.Count, 4);
    EXPECT_EQ(r.Message, "");
    ASSERT_EQ(set.Size(), 4u);
    EXPECT_EQ(set.IconFiles[1], dir / "ic1_0.ico");
    EXPECT_EQ(set.IconFiles[2], dir / "ic2_0.ico");
    EXPECT_EQ(set.IconFiles[3], dir / "ic3_0.ico");
    EXPECT_EQ(set.IconInfos[1], " 1# 32x32x8bits");
    EXPECT_EQ(set.IconInfos[2], " 2# 256x256x32bits");
    EXPECT_EQ(set.IconInfos[3], " 3# 48x48x32bits");
    auto one = ReadFileBytes(set.IconFiles[1]);
    ASSERT_TRUE(one.Ok());
    EXPECT_EQ(std::vector<std::uint8_t>(one->begin() + 22, one->end()), b0);

    std::vector<std::uint8_t> notPe(100, 1);
    test::WriteBytes(dir / "plain.exe", notPe);
    IconSet empty;
    ExtractResult none = ExtractIconsToFiles(dir / "plain.exe", empty, dir.Path());
    EXPECT_EQ(none.Count, 0);
    EXPECT_EQ(none.Message, "There is no icon in this file!");
}

}  // namespace
}  // namespace gf
