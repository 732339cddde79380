#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "editor/pixels/mask.h"
#include "editor/pixels/snapshots.h"
#include "pixel_test_util.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

// The icon of state n: a 2 x 1 picture whose first pixel has red n.
struct Icon {
    Bitmap Color = test::SolidPicture(2, 1, PixelFormat::Bits32, White, 255);
    Bitmap Mask = MakeMask(2, 1);
    int State() const { return RedOf(Color.GetPixel(0, 0)); }
    void Become(int n) { Color.SetPixel(0, 0, Rgb(static_cast<std::uint8_t>(n), 0, 0)); }
};

struct HistoryCase {
    const char* Steps;  // e = an edit (to the next state), u = undo, r = redo
    int Shown;          // the state shown at the end
    bool CanUndo, CanRedo;
};

class UndoRedo : public testing::TestWithParam<HistoryCase> {};

TEST_P(UndoRedo, WalkThroughEveryStateTheUserSaw) {
    test::TempFolder dir;
    SnapshotHistory h;
    h.Begin(dir / "eitemp.bmp");
    Icon icon;
    icon.Become(0);
    int next = 1;
    for (const char* s = GetParam().Steps; *s; ++s) {
        if (*s == 'e') {
            ASSERT_TRUE(h.TakeSnapshot(icon.Color, icon.Mask));
            icon.Become(next++);
        } else if (*s == 'u') {
            ASSERT_TRUE(h.UndoSnapshot(icon.Color, icon.Mask).Ok());
        } else {
            ASSERT_TRUE(h.RedoSnapshot(icon.Color, icon.Mask).Ok());
        }
    }
    EXPECT_EQ(icon.State(), GetParam().Shown);
    EXPECT_EQ(h.CanUndo(), GetParam().CanUndo);
    EXPECT_EQ(h.CanRedo(), GetParam().CanRedo);
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, UndoRedo,
    testing::Values(HistoryCase{"", 0, false, false}, HistoryCase{"e", 1, true, false},
                    // Undo then redo of the latest edit brings it back.
                    HistoryCase{"eu", 0, false, true}, HistoryCase{"eur", 1, true, false},
                    HistoryCase{"eurr", 1, true, false}, HistoryCase{"eeuur", 1, true, true},
                    HistoryCase{"eeuurr", 2, true, false}, HistoryCase{"eeuurruu", 0, false, true},
                    HistoryCase{"euuu", 0, false, true},
                    // A new edit after undoing abandons the line above it.
                    HistoryCase{"eeuue", 3, true, false}, HistoryCase{"eeuueu", 0, false, true},
                    HistoryCase{"eeuuer", 3, true, false}, HistoryCase{"eeuueur", 3, true, false},
                    HistoryCase{"eeueuu", 0, false, true}, HistoryCase{"eeueuur", 1, true, true}));

TEST(Snapshots, KeepSizeFormatPaletteAndAlphaInFilesNamedAfterThePrefix) {
    test::TempFolder dir;
    SnapshotHistory h;
    h.Begin(dir / "eitemp.bmp");
    const Bitmap color32 = test::RandomPicture(5, 3, PixelFormat::Bits32);
    Bitmap mask = MakeMask(5, 3);
    mask.Row(1)[2] = MaskTransparent;
    ASSERT_TRUE(h.TakeSnapshot(color32, mask));
    EXPECT_TRUE(fs::exists(dir / "eitemp.bmp_tempxor_0"));
    EXPECT_TRUE(fs::exists(dir / "eitemp.bmp_tempand_0"));

    // The icon changed size and depth since (the size page): undo brings the old one back.
    Bitmap color = test::SolidPicture(8, 8, PixelFormat::Bits24, White);
    Bitmap mask8 = MakeMask(8, 8);
    ASSERT_TRUE(*h.UndoSnapshot(color, mask8));
    EXPECT_EQ(color, color32);
    EXPECT_EQ(mask8, mask);
    EXPECT_EQ(mask8.Palette(), GreyRamp());
    ASSERT_TRUE(*h.RedoSnapshot(color, mask8));
    EXPECT_EQ(color.Format(), PixelFormat::Bits24);
    EXPECT_EQ(color.Width(), 8);
}

TEST(Snapshots, AMissingMaskFileLeavesTheMaskAndAMissingColourFileEndsTheWay) {
    test::TempFolder dir;
    SnapshotHistory h;
    h.Begin(dir / "icxor.bmp");
    Icon icon;
    ASSERT_TRUE(h.TakeSnapshot(icon.Color, icon.Mask));
    ASSERT_TRUE(h.TakeSnapshot(icon.Color, icon.Mask));
    fs::remove(h.MaskFile(1));
    icon.Mask.Row(0)[0] = MaskTransparent;
    ASSERT_TRUE(*h.UndoSnapshot(icon.Color, icon.Mask));
    EXPECT_EQ(icon.Mask.Row(0)[0], MaskTransparent);
    fs::remove(h.ColourFile(0));
    EXPECT_FALSE(*h.UndoSnapshot(icon.Color, icon.Mask));
    EXPECT_FALSE(h.CanUndo());
}

TEST(Snapshots, AFailedWriteChangesNothing) {
    test::TempFolder dir;
    fs::create_directory(dir / "work");
    SnapshotHistory h;
    h.Begin(dir / "work" / "eitemp.bmp");
    Icon icon;
    ASSERT_TRUE(h.TakeSnapshot(icon.Color, icon.Mask));
    icon.Become(1);
    // The folder is gone for a moment (as a full disk, every write fails).
    fs::rename(dir / "work", dir / "away");
    EXPECT_FALSE(h.TakeSnapshot(icon.Color, icon.Mask));
    EXPECT_EQ(h.SnapshotIndex, 1);
    EXPECT_EQ(h.SnapshotTop, 1);
    // Leaving the top needs the latest result written: without it, no undo.
    const Result<bool> undo = h.UndoSnapshot(icon.Color, icon.Mask);
    EXPECT_FALSE(undo.Ok());
    EXPECT_EQ(icon.State(), 1);
    EXPECT_EQ(h.SnapshotIndex, 1);
    fs::rename(dir / "away", dir / "work");
    EXPECT_TRUE(*h.UndoSnapshot(icon.Color, icon.Mask));
    EXPECT_EQ(icon.State(), 255);
}

TEST(Snapshots, CleaningTouchesOnlySnapshotsOfThePrefix) {
    test::TempFolder dir;
    for (const char* name :
         {"eitemp.bmp", "eitemp.bmp_tempxor_7", "eitemp.bmp_tempand_1023", "eitemp.bmp_tempxor_",
          "eitemp.bmp_tempxor_1x", "other_tempxor_1", "xeitemp.bmp_tempand_2"})
        std::ofstream(dir / name) << "x";
    SnapshotHistory h;
    h.Begin(dir / "eitemp.bmp");  // stale snapshots of an earlier editor go
    EXPECT_FALSE(fs::exists(dir / "eitemp.bmp_tempxor_7"));
    EXPECT_FALSE(fs::exists(dir / "eitemp.bmp_tempand_1023"));
    for (const char* kept : {"eitemp.bmp", "eitemp.bmp_tempxor_", "eitemp.bmp_tempxor_1x",
                             "other_tempxor_1", "xeitemp.bmp_tempand_2"})
        EXPECT_TRUE(fs::exists(dir / kept)) << kept;
    Icon icon;
    ASSERT_TRUE(h.TakeSnapshot(icon.Color, icon.Mask));
    h.Begin(dir / "eitemp.bmp");  // the same prefix keeps the history
    EXPECT_TRUE(h.CanUndo());
    h.RemoveSnapshots();
    EXPECT_FALSE(fs::exists(h.ColourFile(0)));
    EXPECT_FALSE(h.CanUndo());

    // Without a folder nothing is written or removed.
    SnapshotHistory bare;
    bare.Begin("eitemp.bmp");
    EXPECT_FALSE(bare.TakeSnapshot(icon.Color, icon.Mask));
}

}  // namespace
}  // namespace gf
