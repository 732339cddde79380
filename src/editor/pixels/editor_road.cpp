#include "editor/pixels/editor_road.h"

#include <cstring>

#include "editor/pixels/flatten.h"
#include "editor/pixels/mask.h"
#include "platform/icon_draw.h"

namespace gf {

namespace {

// "Finish" of both roads, with the alpha adjustment before it when one is asked for.
Status FinishRoad(RoadResult& result, const RoadSettings& settings) {
    ColourBitsSettings bits = settings.ColourBits;
    bits.Background = settings.Background;
    if (settings.ShadowAlpha && bits.Item == ColourItemFromBits(32)) {
        if (result.Color.Format() != PixelFormat::Bits32) {
            const Bitmap before = result.Color, maskBefore = result.Mask;
            AlphaFromMask(result.Color, before, result.Mask, maskBefore);
        }
        const ShadowAlphaSettings& s = *settings.ShadowAlpha;
        ApplyShadowAlpha(result.Color, result.Mask,
                         MakeMask(result.Color.Width(), result.Color.Height(), 0), s.Background,
                         s.Shadow, s.Tolerance);
    }
    return FinishColourBits(result.Color, result.Mask, bits, nullptr);
}

}  // namespace

SourceStart PrepareSource(const Bitmap& picture, bool automaticIdentification,
                          bool alphaIsTransparency) {
    SourceStart s;
    s.Color = AsTrueColour(picture);
    s.Mask = MakeMask(s.Color.Width(), s.Color.Height(), MaskOpaque);
    if (s.Color.Format() != PixelFormat::Bits32)
        return s;

    bool anyAlpha = alphaIsTransparency;
    for (int y = 0; y < s.Color.Height() && !anyAlpha; ++y) {
        const std::uint8_t* row = s.Color.Row(y);
        for (int x = 0; x < s.Color.Width(); ++x)
            if (row[4 * x + 3] != 0) {
                anyAlpha = true;
                break;
            }
    }
    const bool useAlpha = anyAlpha && automaticIdentification;
    for (int y = 0; y < s.Color.Height(); ++y) {
        std::uint8_t* row = s.Color.Row(y);
        std::uint8_t* m = s.Mask.Row(y);
        for (int x = 0; x < s.Color.Width(); ++x) {
            std::uint8_t& a = row[4 * x + 3];
            if (!useAlpha) {
                a = 255;
            } else if (a == 0) {
                m[x] = MaskTransparent;
            }
        }
    }
    s.AlphaGivesTransparency = useAlpha;
    return s;
}

Result<RoadResult> RunEditorRoad(const Bitmap& picture, const RoadSettings& settings,
                                 bool alphaIsTransparency) {
    if (settings.Size.Width <= 0 || settings.Size.Height <= 0)
        return Error{"The icon size must be at least 1 x 1."};
    const SourceStart start =
        PrepareSource(picture, settings.AutomaticIdentification, alphaIsTransparency);
    const Bitmap preview = ComposeSourcePreview(start.Color, start.Mask, settings.Background);

    RoadResult result;
    ResampleSourceToIcon(start.Color, start.Mask, preview, settings.Size, result.Color,
                         result.Mask);

    if (!start.AlphaGivesTransparency) {
        // The transparency page works from an untouched copy of the resized picture.
        result.TransparencyPageUsed = true;
        const Bitmap reference = result.Color;
        const Bitmap referenceMask = result.Mask;
        const Bitmap region = MakeMask(reference.Width(), reference.Height(), 0);
        TransparencySettings t = settings.Transparency;
        if (settings.TransparentFromTopLeft && !reference.Empty()) {
            t.Transparent = true;
            t.Key = reference.GetPixel(0, 0);
        }
        ApplyTransparencyToIcon(reference, region, t, result.Color, result.Mask, &referenceMask);
    }

    Status s = FinishRoad(result, settings);
    if (!s)
        return Error{s.ErrorMessage()};
    return result;
}

Result<std::vector<RoadResult>> RunPremultipliedRoad(const Bitmap& picture,
                                                     const RoadSettings& settings,
                                                     std::span<const ResampleSize> sizes,
                                                     ResampleFilter filter,
                                                     bool alphaIsTransparency) {
    for (const ResampleSize& size : sizes)
        if (size.Width <= 0 || size.Height <= 0)
            return Error{"The icon size must be at least 1 x 1."};
    const bool useAlpha = picture.Format() == PixelFormat::Bits32 &&
                          settings.AutomaticIdentification &&
                          (alphaIsTransparency || HasAnyAlpha(picture));
    // A picture whose alpha gives the transparency is resampled as it is; any other gets a
    // copy with alpha 255, and 0 where the transparent colour matches.
    Bitmap keyed;
    if (!useAlpha) {
        keyed = picture.ConvertedTo(PixelFormat::Bits32);
        TransparencySettings t = settings.Transparency;
        if (settings.TransparentFromTopLeft && !keyed.Empty()) {
            t.Transparent = true;
            t.Key = keyed.GetPixel(0, 0);
        }
        for (int y = 0; y < keyed.Height(); ++y) {
            std::uint8_t* p = keyed.Row(y);
            for (int x = 0; x < keyed.Width(); ++x, p += 4) {
                const bool match = t.Transparent && IsSimilarColor(p[0], p[1], p[2], t.Key,
                                                                   t.Similarity);
                if (match)
                    p[0] = p[1] = p[2] = p[3] = 0;
                else
                    p[3] = 255;
            }
        }
    }
    const Bitmap& rgba = useAlpha ? picture : keyed;
    const SizeSettings& size = settings.Size;

    std::vector<Bitmap> colours;
    if (size.Stretch && size.Smooth) {
        colours = ResamplePremultiplied(rgba, sizes, filter);
    } else {
        for (const ResampleSize& s : sizes) {
            if (size.Stretch) {
                colours.push_back(ResampleNearest(rgba, s.Width, s.Height));
            } else {
                colours.emplace_back(s.Width, s.Height, PixelFormat::Bits32);
                colours.back().CopyRect(rgba, 0, 0, rgba.Width(), rgba.Height(), size.OffsetX,
                                        size.OffsetY);
            }
        }
    }

    std::vector<RoadResult> results;
    for (Bitmap& colour : colours) {
        RoadResult result;
        result.TransparencyPageUsed = !useAlpha;
        result.Color = std::move(colour);
        const int w = result.Color.Width(), h = result.Color.Height();
        result.Mask = MakeMask(w, h, MaskOpaque);
        for (int y = 0; y < h; ++y) {
            std::uint8_t* p = result.Color.Row(y);
            std::uint8_t* m = result.Mask.Row(y);
            for (int x = 0; x < w; ++x, p += 4) {
                if (p[3] == 0) {
                    p[0] = p[1] = p[2] = 0;
                    m[x] = MaskTransparent;
                }
            }
        }
        Status s = FinishRoad(result, settings);
        if (!s)
            return Error{s.ErrorMessage()};
        results.push_back(std::move(result));
    }
    return results;
}

Result<RoadResult> RunPremultipliedRoad(const Bitmap& picture, const RoadSettings& settings,
                                        ResampleFilter filter, bool alphaIsTransparency) {
    const ResampleSize size{settings.Size.Width, settings.Size.Height};
    auto results = RunPremultipliedRoad(picture, settings, std::span(&size, 1), filter,
                                        alphaIsTransparency);
    if (!results)
        return results.GetError();
    return std::move(results->front());
}

}  // namespace gf
