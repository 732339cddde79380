#include "editor/pixels/icon_preview.h"

#include <gtest/gtest.h>

#include "editor/pixels/mask.h"
#include "editor/pixels/tiles.h"
#include "pixel_test_util.h"
#include "platform/icon_draw.h"

namespace gf {
namespace {

// The zoomed canvas as the platform would paint it: the tile repeated over the whole picture,
// then the icon stretched over it by the icon drawing rule.
Bitmap ReferenceZoom(const Bitmap& tile, const Bitmap& color, const Bitmap& mask, int zoom) {
    Bitmap full(color.Width() * zoom, color.Height() * zoom, PixelFormat::Bits24);
    TileOver(full, tile);
    DrawIconStretched(full, 0, 0, full.Width(), full.Height(), color, mask);
    return full;
}

Bitmap MaskedIcon(PixelFormat f) {
    Bitmap color = test::RandomPicture(7, 5, f, 21);
    return color;
}

TEST(RenderZoomView, MatchesTheStretchedIconOverTheTile) {
    const Bitmap tile = MakeTile(TileKind::GreyChecker);
    Bitmap mask = MakeMask(7, 5);
    for (int x = 0; x < 7; ++x)
        mask.Row(2)[x] = MaskTransparent;
    for (PixelFormat f : {PixelFormat::Bits24, PixelFormat::Bits32}) {
        Bitmap color = MaskedIcon(f);
        for (int x = 0; x < 7; ++x)
            color.SetPixel(x, 2, Black);
        for (int zoom : {1, 3, 15}) {
            const Bitmap want = ReferenceZoom(tile, color, mask, zoom);
            Bitmap view(want.Width(), want.Height(), PixelFormat::Bits24);
            RenderZoomView(view, 0, 0, tile, color, mask, zoom);
            ASSERT_EQ(view, want) << zoom;
            // A part of it, from an odd origin, is the same part.
            Bitmap part(11, 9, PixelFormat::Bits32);
            RenderZoomView(part, 5, 3, tile, color, mask, zoom);
            for (int y = 0; y < 9 && 3 + y < want.Height(); ++y)
                for (int x = 0; x < 11 && 5 + x < want.Width(); ++x)
                    ASSERT_EQ(part.GetPixel(x, y), want.GetPixel(5 + x, 3 + y));
        }
    }
}

TEST(DrawIconPreview, CentresTheIconOverTheTile) {
    const Bitmap tile = MakeTile(TileKind::WarmChecker);
    const Bitmap color = test::RandomPicture(6, 4, PixelFormat::Bits24, 2);
    Bitmap mask = MakeMask(6, 4);
    Bitmap image(20, 11, PixelFormat::Bits24);
    DrawIconPreview(image, tile, color, mask);
    Bitmap want(20, 11, PixelFormat::Bits24);
    TileOver(want, tile);
    DrawIcon(want, 7, 3, color, mask);
    EXPECT_EQ(image, want);
    EXPECT_EQ(image.GetPixel(0, 0), Rgb(205, 240, 243));
    EXPECT_EQ(image.GetPixel(8, 0), Rgb(254, 215, 203));
}

TEST(Tiles, CheckerboardsAreExactAndTexturesHaveTheirSizes) {
    const Bitmap warm = MakeTile(TileKind::WarmChecker);
    ASSERT_EQ(warm.Width(), 32);
    EXPECT_EQ(warm.GetPixel(7, 7), Rgb(205, 240, 243));
    EXPECT_EQ(warm.GetPixel(8, 0), Rgb(254, 215, 203));
    EXPECT_EQ(warm.GetPixel(8, 8), Rgb(205, 240, 243));
    const Bitmap grey = MakeTile(TileKind::GreyChecker);
    EXPECT_EQ(grey.GetPixel(0, 0), White);
    EXPECT_EQ(grey.GetPixel(31, 0), Rgb(204, 204, 204));
    EXPECT_EQ(MakeTile(TileKind::BlueTexture).Width(), 79);
    EXPECT_EQ(MakeTile(TileKind::BeigeTexture).Height(), 79);
    EXPECT_EQ(MakeTile(TileKind::GreyFine).Width(), 16);
    EXPECT_EQ(MakeTile(TileKind::PinkCyanFine).Format(), PixelFormat::Bits24);
}

}  // namespace
}  // namespace gf
