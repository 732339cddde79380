#include "editor/pixels/flood_fill.h"

#include <algorithm>
#include <cstdlib>

namespace gf {

FillStack::FillStack() : Entries(std::make_unique_for_overwrite<std::uint32_t[]>(Capacity)) {}

bool FillStack::PushFillPoint(int x, int y) {
    if (Top >= Capacity - 1)
        return false;
    Entries[++Top] =
        (static_cast<std::uint32_t>(x) << 16) | (static_cast<std::uint32_t>(y) & 0xFFFF);
    return true;
}

bool FillStack::PopFillPoint(int& x, int& y) {
    if (Top < 1)
        return false;
    const std::uint32_t e = Entries[Top--];
    x = static_cast<int>(e >> 16);
    y = static_cast<int>(e & 0xFFFF);
    return true;
}

void FillStack::ClearFillStack() {
    Top = 0;
}

std::int64_t FillPopLimit(int width, int height) {
    // Two passes, each popping at most the seed and two neighbours of every pixel it writes.
    return 2 * (2 * static_cast<std::int64_t>(width) * height + 1);
}

namespace {

// One pass over the icon: the seed's values, the fill's values and the rows, gathered once.
class ScanPass {
  public:
    ScanPass(FillState& state, Bitmap& mask, Bitmap& color, std::int64_t popLimit)
        : State(state),
          W(color.Width()),
          H(color.Height()),
          Bpp(color.Format() == PixelFormat::Bits32 ? 4 : 3),
          PopLimit(popLimit) {
        ColorRows.resize(static_cast<std::size_t>(H));
        MaskRows.resize(static_cast<std::size_t>(H));
        for (int y = 0; y < H; ++y) {
            ColorRows[static_cast<std::size_t>(y)] = color.Row(y);
            MaskRows[static_cast<std::size_t>(y)] = mask.Row(y);
        }
    }

    // ScanFill: fills the run of each popped point and seeds the neighbouring columns once per
    // run of matching neighbours.
    void ScanFill(int seedX, int seedY, BrushColour fill, int similarity, bool exact,
                  int fillAlpha) {
        FillStack& stack = State.Stack;
        stack.ClearFillStack();
        State.Written.assign(static_cast<std::size_t>(W) * H, 0);
        Written = State.Written.data();

        const std::uint8_t* seed = ColorRows[static_cast<std::size_t>(seedY)] + Bpp * seedX;
        Sb = seed[0];
        Sg = seed[1];
        Sr = seed[2];
        Sa = AlphaOf(seed);
        Sm = MaskRows[static_cast<std::size_t>(seedY)][seedX];
        Keep = fill == KeepColour;
        Fb = static_cast<std::uint8_t>((fill >> 16) & 255);
        Fg = static_cast<std::uint8_t>((fill >> 8) & 255);
        Fr = static_cast<std::uint8_t>(fill & 255);
        Fa = static_cast<std::uint8_t>(fillAlpha);
        S = similarity;
        Exact = exact;

        if (!stack.PushFillPoint(seedX, seedY))
            return;
        if (Sb == Fb && Sg == Fg && Sr == Fr && Sa == Fa)
            return;  // nothing to change

        int x = 0, y = 0;
        while (stack.PopFillPoint(x, y)) {
            if (++State.FillSpanCount > PopLimit) {
                stack.ClearFillStack();
                return;
            }
            int i = y;
            while (i >= 0 && FillMatch(x, i))
                --i;
            ++i;
            bool spanLeft = false, spanRight = false;
            while (i < H && FillMatch(x, i)) {
                WritePixel(x, i);
                if (x > 0 && !Side(x - 1, i, spanLeft))
                    return;
                if (x < W - 1 && !Side(x + 1, i, spanRight))
                    return;
                ++i;
            }
        }
    }

  private:
    std::uint8_t AlphaOf(const std::uint8_t* p) const { return Bpp == 4 ? p[3] : 0; }

    // The pixel test, in its order. A pixel this pass has written is taken no more: where the
    // written values still pass the test (the colour kept, or a 24-bit fill colour within the
    // similarity) it would otherwise be filled again and again.
    bool FillMatch(int x, int y) const {
        if (Written[static_cast<std::size_t>(y) * W + x])
            return false;
        const std::uint8_t m = MaskRows[static_cast<std::size_t>(y)][x];
        if (m == 255 && m == Sm)
            return true;
        if (m != Sm)
            return false;
        const std::uint8_t* p = ColorRows[static_cast<std::size_t>(y)] + Bpp * x;
        const std::uint8_t a = AlphaOf(p);
        if (p[0] == Fb && p[1] == Fg && p[2] == Fr && a == Fa)
            return false;
        if (Exact)
            return p[0] == Sb && p[1] == Sg && p[2] == Sr && a == Sa;
        return std::abs(p[0] - Sb) < S && std::abs(p[1] - Sg) < S && std::abs(p[2] - Sr) < S;
    }

    void WritePixel(int x, int y) {
        std::uint8_t* p = ColorRows[static_cast<std::size_t>(y)] + Bpp * x;
        std::uint8_t& m = MaskRows[static_cast<std::size_t>(y)][x];
        if (Exact) {
            m = 255;
            p[0] = p[1] = p[2] = 0;
        } else {
            m = 0;
            if (!Keep) {
                p[0] = Fb;
                p[1] = Fg;
                p[2] = Fr;
            }
        }
        if (Bpp == 4)
            p[3] = Fa;
        Written[static_cast<std::size_t>(y) * W + x] = 1;
    }

    // The neighbour (x, i) of a written pixel: pushed when it starts a run of matching
    // neighbours. False when the stack is full, which ends the whole fill.
    bool Side(int x, int i, bool& span) {
        const bool match = FillMatch(x, i);
        if (!span && match) {
            if (!State.Stack.PushFillPoint(x, i))
                return false;
            span = true;
        } else if (span && !match) {
            span = false;
        }
        return true;
    }

    FillState& State;
    const int W, H, Bpp;
    const std::int64_t PopLimit;
    std::vector<std::uint8_t*> ColorRows, MaskRows;
    std::uint8_t* Written = nullptr;
    std::uint8_t Sb = 0, Sg = 0, Sr = 0, Sa = 0, Sm = 0;
    std::uint8_t Fb = 0, Fg = 0, Fr = 0, Fa = 0;
    bool Keep = false, Exact = false;
    int S = 1;
};

}  // namespace

void FillRegion(FillState& state, Bitmap& mask, Bitmap& color, bool transparent, int similarity,
                BrushColour colour, int opacity, int y, int x) {
    if (state.Running)
        return;
    const int w = color.Width(), h = color.Height();
    if ((color.Format() != PixelFormat::Bits24 && color.Format() != PixelFormat::Bits32) ||
        mask.Format() != PixelFormat::Bits8 || mask.Width() != w || mask.Height() != h)
        return;
    if (x < 0 || y < 0 || x >= w || y >= h || x > 0xFFFF || y > 0xFFFF)
        return;

    struct Guard {
        FillState& S;
        explicit Guard(FillState& s) : S(s) {
            S.Running = true;
            S.FillSpanCount = 0;
        }
        ~Guard() {
            S.FillSpanCount = 0;
            S.Running = false;
            S.Stack.ClearFillStack();
        }
    } guard(state);

    ScanPass pass(state, mask, color, FillPopLimit(w, h));
    if (transparent) {
        if (mask.Row(y)[x] != 0)
            return;  // already transparent
        // Pass 1 paints the region in a marker colour; pass 2 takes exactly the marker-coloured
        // pixels connected to the seed and makes them transparent.
        pass.ScanFill(x, y, 0x000001, similarity, false, 255);
        pass.ScanFill(x, y, 0, 1, true, 0);
        return;
    }
    pass.ScanFill(x, y, colour, similarity, false, std::clamp(opacity, 0, 255));
}

}  // namespace gf
