// Icon and cursor groups and cursor images of executables, over the same resources laid out as
// PE32, PE32+ and 16-bit NE files; the NE walk's own rules; groups of real files read back.

#include "iconfile/icon_groups.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "iconfile/ico_format.h"
#include "iconfile/pe_icons.h"
#include "platform/file_io.h"
#include "support/ico_builder.h"
#include "support/ne_builder.h"
#include "support/pe_builder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;
using Bytes8 = std::vector<std::uint8_t>;

Bytes8 Block(int w, int h, int bits, std::uint32_t seed) {
    test::DibBlockRecipe recipe;
    recipe.Width = w;
    recipe.Height = h;
    recipe.BitCount = bits;
    recipe.Pixel = [seed](int x, int y) { return static_cast<std::uint32_t>(x * 7 + y + seed); };
    return test::MakeDibBlock(recipe);
}

// One set of resources: icons 1..3 (icon 2 also in German in PE) and an empty icon 4, cursor 5
// with hot spot (3, 9), icon group 1 of icons 1, 2, 9 (missing) and 4, in two languages in PE;
// a named icon group "MAIN" of icon 3; cursor group 7 of cursor 5.
struct Library {
    Bytes8 Icon1 = Block(32, 32, 8, 1), Icon2 = Block(16, 16, 4, 2), Icon2De = Block(16, 16, 4, 3);
    Bytes8 Icon3 = Block(48, 48, 32, 4), Cursor5 = Block(32, 32, 1, 5);
    Bytes8 CursorData = test::MakeCursorResource(3, 9, Cursor5);
    Bytes8 Group1 = test::MakeGroupResource({{1, Icon1}, {2, Icon2}, {9, {}}, {4, {}}});
    Bytes8 GroupMain = test::MakeGroupResource({{3, Icon3}});
    Bytes8 Group7 = test::MakeGroupResource({{5, CursorData}}, true);
};

enum class Layout { Pe32, Pe64, Ne };

Bytes8 Build(const Library& l, Layout layout) {
    if (layout == Layout::Ne) {
        test::NeRecipe r;
        r.AlignShift = 5;
        r.Resources = {{3, 1, "", l.Icon1},       {3, 2, "", l.Icon2},  {3, 3, "", l.Icon3},
                       {3, 4, "", {}},            {1, 5, "", l.CursorData},
                       {14, 1, "", l.Group1},     {14, 0, "MAIN", l.GroupMain},
                       {12, 7, "", l.Group7}};
        return test::BuildNe(r).Bytes;
    }
    test::PeRecipe r;
    r.Pe64 = layout == Layout::Pe64;
    r.Icons = {{1, {{1033, l.Icon1}}}, {2, {{1033, l.Icon2}, {1031, l.Icon2De}}},
               {3, {{1033, l.Icon3}}}, {4, {{1033, {}}}}};
    r.Resources = {{1, 5, u"", {{1033, l.CursorData}}},
                   {14, 1, u"", {{1033, l.Group1}, {1031, l.Group1}}},
                   {14, 0, u"MAIN", {{1033, l.GroupMain}}},
                   {12, 7, u"", {{1033, l.Group7}}}};
    return test::BuildPe(r).Bytes;
}

class ExecutableGroups : public ::testing::TestWithParam<Layout> {};

Bytes8 ImageBytes(const Bytes8& file, const FoundIconImage& image) {
    return Bytes8(file.begin() + image.Offset, file.begin() + image.Offset + image.Size);
}

TEST_P(ExecutableGroups, GroupsListTheirImagesInTheirLanguage) {
    const Library l;
    const Bytes8 file = Build(l, GetParam());
    const bool ne = GetParam() == Layout::Ne;
    MemorySource source(file);
    IconGroupList list = ListIconGroups(source, LanguageSelection::All());
    EXPECT_EQ(list.Message, "");
    EXPECT_EQ(list.Format, ne ? ExecutableFormat::Ne : ExecutableFormat::Pe);
    // PE: MAIN (named entries come first), group 1 in two languages; NE: one of each, in table
    // order. Cursor groups come last.
    ASSERT_EQ(list.Groups.size(), ne ? 3u : 4u);
    const IconGroup& first = list.Groups[ne ? 0 : 1];
    EXPECT_FALSE(first.Cursor);
    EXPECT_EQ(first.Name, (ResourceName{1, ""}));
    EXPECT_EQ(first.LanguageCount, ne ? 1u : 2u);
    EXPECT_EQ(first.Language, ne ? std::nullopt : std::optional<std::uint16_t>(1033));
    ASSERT_EQ(first.Members.size(), 4u);
    ASSERT_TRUE(first.Members[0].Image && first.Members[1].Image);
    EXPECT_FALSE(first.Members[2].Image);  // icon 9 is not in the file
    EXPECT_FALSE(first.Members[3].Image);  // icon 4 is empty: no icon file entry can hold it
    EXPECT_EQ(first.Members[2].ImageId, 9);
    EXPECT_EQ(first.Members[0].Entry.Width, 32);
    EXPECT_EQ(first.Members[0].Entry.BitCount, 8);
    EXPECT_EQ(ImageBytes(file, *first.Members[0].Image).size() >= l.Icon1.size(), true);
    EXPECT_TRUE(std::equal(l.Icon1.begin(), l.Icon1.end(),
                           file.begin() + first.Members[0].Image->Offset));
    if (!ne) {
        // The German group takes the German image of icon 2, and the only one of icon 1.
        const IconGroup& german = list.Groups[2];
        EXPECT_EQ(german.Language, std::optional<std::uint16_t>(1031));
        EXPECT_EQ(ImageBytes(file, *german.Members[1].Image), l.Icon2De);
        EXPECT_EQ(ImageBytes(file, *first.Members[1].Image), l.Icon2);
        EXPECT_EQ(ListIconGroups(source, LanguageSelection::First()).Groups.size(), 3u);
        EXPECT_EQ(ListIconGroups(source, LanguageSelection::Only(1031)).Groups.size(), 1u);
    }
    const IconGroup& named = list.Groups[ne ? 1 : 0];
    EXPECT_EQ(named.Name, (ResourceName{0, "MAIN"}));
    const IconGroup& cursors = list.Groups.back();
    EXPECT_TRUE(cursors.Cursor);
    ASSERT_EQ(cursors.Members.size(), 1u);
    ASSERT_TRUE(cursors.Members[0].Image);
    EXPECT_EQ(cursors.Members[0].Image->HotSpot, (CursorHotSpot{3, 9}));
    EXPECT_EQ(cursors.Members[0].Entry.Width, 32);
    EXPECT_EQ(cursors.Members[0].Entry.Height, 32);  // the group's doubled height, halved
}

TEST_P(ExecutableGroups, GroupFilesHoldTheImagesUnchangedAndSkipMissingOnes) {
    const Library l;
    const Bytes8 file = Build(l, GetParam());
    MemorySource source(file);
    IconGroupList list = ListIconGroups(source, LanguageSelection::First());
    ASSERT_GE(list.Groups.size(), 3u);
    for (const IconGroup& g : list.Groups) {
        SCOPED_TRACE(g.Name.Name + std::to_string(g.Name.Id));
        auto made = MakeIconGroupFile(source, g);
        ASSERT_TRUE(made.Ok()) << made.ErrorMessage();
        auto dir = ReadIconDirectory(*made);
        ASSERT_TRUE(dir.Ok()) << dir.ErrorMessage();
        EXPECT_EQ(dir->Header.Type, g.Cursor ? IconTypeCursor : IconTypeIcon);
        std::vector<const IconGroupMember*> present;
        for (const auto& m : g.Members) {
            if (m.Image)
                present.push_back(&m);
        }
        ASSERT_EQ(dir->Entries.size(), present.size());
        for (std::size_t i = 0; i < present.size(); ++i) {
            auto block = IconImageBlock(*made, dir->Entries[i]);
            ASSERT_TRUE(block.Ok());
            EXPECT_EQ(Bytes8(block->begin(), block->end()), ImageBytes(file, *present[i]->Image));
            if (g.Cursor) {
                EXPECT_EQ(dir->Entries[i].Planes, 3);  // the hot spot
                EXPECT_EQ(dir->Entries[i].BitCount, 9);
            } else {
                EXPECT_EQ(dir->Entries[i].Width, present[i]->Entry.Width);
                EXPECT_EQ(dir->Entries[i].BitCount, present[i]->Entry.BitCount);
            }
        }
    }
}

TEST_P(ExecutableGroups, CursorImagesAreListedWithTheirHotSpotAfterTheIcons) {
    const Library l;
    const Bytes8 file = Build(l, GetParam());
    MemorySource source(file);
    // The loader takes icons only.
    EXPECT_EQ(ListIconImages(source, IconContainer::Executable).Images.size(), 3u);
    IconImageList list =
        ListIconImages(source, IconContainer::Executable, {LanguageSelection::All(), true});
    const std::size_t icons = GetParam() == Layout::Ne ? 3 : 4;  // PE: icon 2 in two languages
    ASSERT_EQ(list.Images.size(), icons + 1);
    const FoundIconImage& cursor = list.Images.back();
    ASSERT_TRUE(cursor.HotSpot && cursor.Resource);
    EXPECT_EQ(*cursor.HotSpot, (CursorHotSpot{3, 9}));
    EXPECT_EQ(cursor.Resource->Type, ResourceTypeCursor);
    EXPECT_EQ(cursor.Resource->Name.Id, 5u);
    // NE data comes in whole units of the alignment: the image is padded there.
    const Bytes8 cut = ImageBytes(file, cursor);
    ASSERT_GE(cut.size(), l.Cursor5.size());
    EXPECT_EQ(Bytes8(cut.begin(), cut.begin() + l.Cursor5.size()), l.Cursor5);
    EXPECT_EQ(cut.size() == l.Cursor5.size(), GetParam() != Layout::Ne);
    EXPECT_EQ(cursor.Header.Width, 32);
    auto one = CutIconBlock(source, cursor.Offset, cursor.Size);
    ASSERT_TRUE(one.Ok());
    auto curFile = MakeSingleImageCursorFile(*one, *cursor.HotSpot);
    auto dir = ReadIconDirectory(curFile);
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(dir->Header.Type, IconTypeCursor);
    EXPECT_EQ(dir->Entries[0].Planes, 3);
    EXPECT_EQ(dir->Entries[0].BitCount, 9);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExecutableGroups,
                         ::testing::Values(Layout::Pe32, Layout::Pe64, Layout::Ne),
                         [](const auto& param) {
                             return std::string(param.param == Layout::Pe32   ? "Pe32"
                                                : param.param == Layout::Pe64 ? "Pe64"
                                                                              : "Ne");
                         });

TEST(NeResources, AlignmentNamesLimitsAndDamage) {
    const Library l;
    test::NeRecipe recipe;
    recipe.AlignShift = 9;
    recipe.Resources = {{3, 1, "", l.Icon1}, {3, 0, "LOGO", l.Icon3}};
    test::BuiltNe ne = test::BuildNe(recipe);
    MemorySource source(ne.Bytes);
    const std::uint32_t icon[] = {ResourceTypeIcon};
    ExecutableResources found = ReadExecutableResources(source, icon);
    ASSERT_EQ(found.Resources.size(), 2u);
    EXPECT_EQ(found.Format, ExecutableFormat::Ne);
    EXPECT_EQ(found.Resources[0].Offset % 512, 0u);
    EXPECT_EQ(found.Resources[0].Offset, ne.DataOffsets[0]);
    EXPECT_EQ(found.Resources[0].Size, 2560u);  // 2216 bytes in whole units of the shift
    EXPECT_EQ(found.Resources[0].Size, ne.DataSizes[0]);
    EXPECT_EQ(found.Resources[1].Name.Name, "LOGO");
    // The loader's reading of an NE file: both icons, the data as the table gives it.
    std::string message;
    EXPECT_EQ(ReadExecutableIcons(source, message).size(), 2u);

    // A shift that would put everything past 4 GiB, a table cut short, a name beyond the end.
    test::BuiltNe shifted = ne;
    shifted.PutU16(shifted.ResourceTable, 40);
    MemorySource shiftedSource(shifted.Bytes);
    EXPECT_TRUE(ReadExecutableResources(shiftedSource, icon).Resources.empty());
    Bytes8 cut(ne.Bytes.begin(), ne.Bytes.begin() + ne.NameInfos[1]);
    MemorySource cutSource(cut);
    EXPECT_EQ(ReadExecutableResources(cutSource, icon).Resources.size(), 1u);
    test::BuiltNe badName = ne;
    badName.PutU16(badName.NameInfos[1] + 6, 0x7FFF);
    MemorySource badNameSource(badName.Bytes);
    EXPECT_EQ(ReadExecutableResources(badNameSource, icon).Resources.size(), 1u);

}

// A group that names one image thousands of times (and a second group naming it again) could
// make a small file write its size many thousand times over; the images matched across the
// whole listing stay within the budget, the members beyond are listed without their image.
TEST(IconGroupsBudget, NamingOneImageAgainAndAgainStaysWithinTheBudget) {
    const Bytes8 image = Block(32, 32, 32, 7);  // 4136 bytes
    Bytes8 group = {0, 0, 1, 0, 0, 0};
    const std::uint16_t members = 4000;
    group[4] = members & 0xFF;
    group[5] = members >> 8;
    for (int i = 0; i < members; ++i) {
        const std::uint8_t entry[14] = {32, 32, 0, 0, 1, 0, 32, 0,
                                        static_cast<std::uint8_t>(image.size()),
                                        static_cast<std::uint8_t>(image.size() >> 8), 0, 0, 1, 0};
        group.insert(group.end(), entry, entry + 14);
    }
    test::PeRecipe r;
    r.Icons = test::NumberedIcons({image});
    r.Resources = {{14, 1, u"", {{1033, group}}}, {14, 2, u"", {{1033, group}}}};
    const Bytes8 file = test::BuildPe(r).Bytes;
    MemorySource source(file);
    const IconGroupList list = ListIconGroups(source, LanguageSelection::All());
    ASSERT_EQ(list.Groups.size(), 2u);
    const std::uint64_t budget = MaxGroupBytesPerFileByte * file.size() + MaxIconBytesExtra;
    std::uint64_t written = 0;
    std::size_t withImage = 0;
    for (const IconGroup& g : list.Groups) {
        ASSERT_EQ(g.Members.size(), members);
        for (const IconGroupMember& m : g.Members) {
            withImage += m.Image.has_value();
            EXPECT_NE(m.Image.has_value(), m.OverBudget);
        }
        auto made = MakeIconGroupFile(source, g);
        if (made)
            written += made->size();
    }
    EXPECT_EQ(withImage, budget / image.size());
    EXPECT_LE(written, budget + 2 * (IconDirHeaderSize + members * IconDirEntrySize));
    EXPECT_GT(withImage, 0u);
}

// Groups whose resources all share one list of members: 300 of them naming the same 4,000
// members would be 1.2 million members from 70 KB (a file of a megabyte, billions). Every
// member is 14 bytes of some group's data, so more members than the file has room for (plus
// one type's worth of resources) refuse the listing with its reason.
TEST(IconGroupsBudget, GroupsSharingOneMemberListAreRefused) {
    Bytes8 members = {0, 0, 1, 0, 0x10, 0x0F};  // 4000 members
    members.resize(6 + 14 * 4000, 0);
    test::NeRecipe r;
    r.Resources.push_back({14, 1, "", members});
    for (std::uint16_t id = 2; id <= 300; ++id)
        r.Resources.push_back({14, id, "", {0, 0, 1, 0, 0, 0}});
    test::BuiltNe built = test::BuildNe(r);
    // Every group's record points at the first group's data.
    const std::size_t first = built.NameInfos.size() - 300;
    const std::uint16_t offset = static_cast<std::uint16_t>(built.DataOffsets[first] >> 4);
    const std::uint16_t units = static_cast<std::uint16_t>(built.DataSizes[first] >> 4);
    for (std::size_t i = first; i < built.NameInfos.size(); ++i) {
        built.PutU16(built.NameInfos[i], offset);
        built.PutU16(built.NameInfos[i] + 2, units);
    }
    MemorySource source(built.Bytes);
    const IconGroupList list = ListIconGroups(source, LanguageSelection::All());
    EXPECT_TRUE(list.Groups.empty());
    EXPECT_EQ(NoIconGroupsMessage(list),
              "The icon groups of this file name more images than the file could hold.");
    // The same 300 groups with data of their own are listed.
    const Bytes8 own = test::BuildNe(r).Bytes;
    MemorySource plain(own);
    EXPECT_EQ(ListIconGroups(plain, LanguageSelection::All()).Groups.size(), 300u);
}

// Every group of the real executables is written and read back with its images unchanged.
TEST(IconGroupsCorpus, EveryGroupIsWrittenWithItsImagesUnchanged) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus)
        GTEST_SKIP() << "GF_CORPUS is not set; real-world files are not checked";
    std::size_t groups = 0;
    for (const char* sub : {"pe32", "pe64"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(corpus) / sub, ec)) {
            SCOPED_TRACE(PathText(e.path()));
            auto bytes = ReadFileBytes(e.path());
            ASSERT_TRUE(bytes.Ok());
            MemorySource source(*bytes);
            IconGroupList list = ListIconGroups(source, LanguageSelection::All());
            EXPECT_EQ(list.Message, "");
            for (const IconGroup& g : list.Groups) {
                auto made = MakeIconGroupFile(source, g);
                ASSERT_TRUE(made.Ok()) << made.ErrorMessage();
                auto dir = ReadIconDirectory(*made);
                ASSERT_TRUE(dir.Ok()) << dir.ErrorMessage();
                std::size_t k = 0;
                for (const auto& m : g.Members) {
                    if (!m.Image)
                        continue;
                    auto block = IconImageBlock(*made, dir->Entries.at(k++));
                    ASSERT_TRUE(block.Ok());
                    EXPECT_EQ(Bytes8(block->begin(), block->end()), ImageBytes(*bytes, *m.Image));
                }
                EXPECT_EQ(k, dir->Entries.size());
                ++groups;
            }
        }
    }
    EXPECT_GT(groups, 0u);
}

}  // namespace
}  // namespace gf
