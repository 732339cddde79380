#include "iconfile/ico_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_format.h"
#include "support/ico_builder.h"

namespace gf {
namespace {

test::DibBlockRecipe Dib(int size, int bits) {
    test::DibBlockRecipe r;
    r.Width = r.Height = size;
    r.BitCount = bits;
    r.Pixel = [bits](int x, int y) -> std::uint32_t {
        if (bits == 32)
            return 0xFF000000u | static_cast<std::uint32_t>(x * 5 + y * 11);
        return static_cast<std::uint32_t>(x + y) % (bits >= 8 ? 200u : 1u << bits);
    };
    return r;
}

// A well-formed 64 x 64 32-bit image that every case carries last, to see that it survives
// --fix byte for byte.
const test::DibBlockRecipe Bystander = Dib(64, 32);

Bitmap SmallRgba(int size) {
    Bitmap b(size, size, PixelFormat::Bits32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            b.SetPixel(x, y, Rgb(static_cast<std::uint8_t>(x * 8), 10, 200));
            b.SetAlpha(x, y, static_cast<std::uint8_t>(y * 8));
        }
    return b;
}

struct CheckCase {
    const char* Name;
    IconProblem Problem;
    int Entry;
    bool Fixable;
    std::function<void(test::IcoBuilder&)> Build;  // adds entries before the bystander
};

std::vector<CheckCase> Cases() {
    std::vector<CheckCase> c;
    c.push_back({"ZeroWidthByte", IconProblem::ZeroSizeByte, 0, true, [](test::IcoBuilder& b) {
                     b.Add(test::MakeDibBlock(Dib(16, 4)), 0, 16, 4);
                 }});
    c.push_back({"SizeMismatch", IconProblem::SizeMismatch, 0, true, [](test::IcoBuilder& b) {
                     b.Add(test::MakeDibBlock(Dib(16, 4)), 32, 32, 4);
                 }});
    c.push_back({"BitCountMismatch", IconProblem::BitCountMismatch, 0, true,
                 [](test::IcoBuilder& b) { b.Add(test::MakeDibBlock(Dib(16, 4)), 16, 16, 8); }});
    c.push_back({"ColourCountMismatch", IconProblem::ColourCountMismatch, 0, true,
                 [](test::IcoBuilder& b) {
                     b.Add(Dib(16, 4));
                     b.Entry(0).ColorCount = 0;
                 }});
    c.push_back({"Overlap", IconProblem::Overlap, 1, true, [](test::IcoBuilder& b) {
                     // Image 0 claims 200 bytes of image 1.
                     b.Add(Dib(16, 4)).Add(Dib(32, 8));
                     b.SetSize(0, static_cast<std::uint32_t>(
                                      test::MakeDibBlock(Dib(16, 4)).size() + 200));
                 }});
    c.push_back({"BeyondTheEnd", IconProblem::OutsideFile, 0, true, [](test::IcoBuilder& b) {
                     b.Add(Dib(16, 4)).SetOffset(0, 0x7FFFFFF0);
                 }});
    c.push_back({"ShortMask", IconProblem::ShortMask, 0, true, [](test::IcoBuilder& b) {
                     auto r = Dib(16, 8);
                     r.WriteMask = false;
                     b.Add(r);
                 }});
    c.push_back({"AlphaAllZero", IconProblem::AlphaAllZero, 0, true, [](test::IcoBuilder& b) {
                     auto r = Dib(32, 32);
                     r.Pixel = [](int x, int y) { return static_cast<std::uint32_t>(x + y); };
                     r.Transparent = [](int x, int) { return x < 4; };
                     b.Add(r);
                 }});
    c.push_back({"LongPalette", IconProblem::PaletteMismatch, 0, false, [](test::IcoBuilder& b) {
                     auto r = Dib(16, 4);
                     r.ClrUsed = 40;
                     b.Add(r);
                 }});
    c.push_back({"SmallPng", IconProblem::SmallPng, 0, true, [](test::IcoBuilder& b) {
                     b.Add(test::MakePngBlock(SmallRgba(32)), 32, 32, 32);
                 }});
    c.push_back({"SameImageTwice", IconProblem::DuplicateSize, 1, true, [](test::IcoBuilder& b) {
                     b.Add(Dib(16, 4)).Add(Dib(16, 4));
                 }});
    c.push_back({"TwoImagesOfASize", IconProblem::DuplicateSize, 1, false,
                 [](test::IcoBuilder& b) {
                     auto other = Dib(16, 4);
                     other.Pixel = [](int, int) { return 3u; };
                     b.Add(Dib(16, 4)).Add(other);
                 }});
    c.push_back({"Unsorted", IconProblem::Unsorted, -1, true, [](test::IcoBuilder& b) {
                     b.Add(Dib(32, 8)).Add(Dib(16, 8)).Add(Dib(16, 32));
                 }});
    c.push_back({"Reserved", IconProblem::BadHeader, -1, true, [](test::IcoBuilder& b) {
                     b.SetReserved(7).Add(Dib(16, 4));
                 }});
    return c;
}

class IconCheck : public ::testing::TestWithParam<CheckCase> {};

bool HasProblem(const IconCheckReport& r, IconProblem p, int entry) {
    return std::any_of(r.Findings.begin(), r.Findings.end(), [&](const IconFinding& f) {
        return f.Problem == p && (entry == -2 || f.Entry == entry);
    });
}

TEST_P(IconCheck, FindsTheProblemAndFixMendsWhatItCan) {
    const CheckCase& c = GetParam();
    test::IcoBuilder builder;
    c.Build(builder);
    builder.Add(Bystander);
    const std::vector<std::uint8_t> file = builder.Build();
    const std::vector<std::uint8_t> bystander = test::MakeDibBlock(Bystander);

    const IconCheckReport report = CheckIconFile(file);
    ASSERT_TRUE(HasProblem(report, c.Problem, c.Entry)) << c.Name;
    for (const IconFinding& f : report.Findings)
        if (f.Problem == c.Problem) {
            EXPECT_EQ(f.Fixable, c.Fixable) << c.Name << ": " << f.Text;
        }

    auto fixed = FixIconFile(file);
    ASSERT_TRUE(fixed.Ok()) << fixed.ErrorMessage();
    EXPECT_EQ(HasProblem(fixed->Remaining, c.Problem, -2), !c.Fixable) << c.Name;
    if (c.Fixable) {
        EXPECT_FALSE(fixed->Changes.empty()) << c.Name;
        EXPECT_TRUE(fixed->Remaining.Clean()) << c.Name << ": " << fixed->Remaining.Findings[0].Text;
        EXPECT_TRUE(DecodeIconFileFirstSize(fixed->File).Ok()) << c.Name;
    }
    // The copy still reads, and the bystander's bytes are untouched.
    auto dir = ReadIconDirectory(fixed->File);
    ASSERT_TRUE(dir.Ok());
    bool found = false;
    for (const IconDirEntry& e : dir->Entries) {
        auto block = IconImageBlock(fixed->File, e);
        ASSERT_TRUE(block.Ok());
        if (e.Width == 64)
            found = std::equal(block->begin(), block->end(), bystander.begin(), bystander.end());
    }
    EXPECT_TRUE(found) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Findings, IconCheck, ::testing::ValuesIn(Cases()),
                         [](const auto& row) { return std::string(row.param.Name); });

TEST(IconCheck, CleanFilesCursorsAndGarbage) {
    test::IcoBuilder good;
    good.Add(Dib(16, 32)).Add(Dib(16, 4)).Add(Dib(32, 32)).Add(Bystander);
    EXPECT_TRUE(CheckIconFile(good.Build()).Clean());

    // A cursor's hot spot stands where an icon's planes and bit count do: not a mismatch, and
    // kept by --fix.
    test::IcoBuilder cursor;
    cursor.SetType(IconTypeCursor).Add(Dib(32, 4)).Add(Dib(16, 4));
    SetHotSpot(cursor.Entry(0), {5, 9});
    SetHotSpot(cursor.Entry(1), {2, 4});
    const auto cur = cursor.Build();
    const IconCheckReport r = CheckIconFile(cur);
    ASSERT_EQ(r.Findings.size(), 1u);
    EXPECT_EQ(r.Findings[0].Problem, IconProblem::Unsorted);
    auto fixed = FixIconFile(cur);
    ASSERT_TRUE(fixed.Ok());
    auto dir = ReadIconDirectory(fixed->File);
    ASSERT_TRUE(dir.Ok());
    EXPECT_EQ(dir->Header.Type, IconTypeCursor);
    EXPECT_EQ(HotSpotOf(dir->Entries[0]), (CursorHotSpot{2, 4}));
    EXPECT_EQ(HotSpotOf(dir->Entries[1]), (CursorHotSpot{5, 9}));

    // Too short for a header, and a header with nothing behind it.
    const std::vector<std::uint8_t> tiny = {0, 0, 1};
    EXPECT_FALSE(CheckIconFile(tiny).Clean());
    EXPECT_FALSE(FixIconFile(tiny).Ok());
    const std::vector<std::uint8_t> empty = {0, 0, 1, 0, 0, 0};
    EXPECT_TRUE(HasProblem(CheckIconFile(empty), IconProblem::NoImages, -1));
}

}  // namespace
}  // namespace gf
