// The layered drawing against a reference that does literally what the
// drawing means: stamp the line's glyph mask at every offset of each layer.
#include <gtest/gtest.h>

#include <set>

#include "render/FontTables.h"
#include "render/Renderer.h"

namespace glyphon {
namespace {

constexpr Rgb kOutline{16, 16, 16}, kAntialias{128, 128, 128}, kText{235, 235, 235};
const LayerColors kColors{kOutline, kAntialias, kText};

// One drawing of the mask with the text cell at (x, y), clipped to the frame.
void Stamp(Frame& f, const LineMask& m, int x, int y, Rgb c) {
    for (int my = 0; my < m.height; ++my)
        for (int mx = 0; mx < m.width; ++mx)
            if (m.Test(mx, my) && f.Contains(x + m.left + mx, y + m.top + my))
                f.Set(x + m.left + mx, y + m.top + my, c);
}

void ReferenceLine(Frame& f, const LineMask& m, int x, int y, int w) {
    for (int dy = -w; dy <= w; ++dy)
        for (int dx = -w; dx <= w; ++dx) Stamp(f, m, x + dx, y + dy, kOutline);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) Stamp(f, m, x + dx, y + dy, kAntialias);
    Stamp(f, m, x, y, kText);
}

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

std::set<uint32_t> Colours(const Frame& f) { return {f.Pixels().begin(), f.Pixels().end()}; }

TEST(LayeredLine, EqualsStampingTheLineAtEveryOffsetForEachOutlineWidth) {
    LineMask mask;
    Engine().DrawLineMask("Rethymno, gjpq @ W%!", FontSpec{"Arial", 20, kDefaultCharset, kItalic}, mask);
    ASSERT_FALSE(mask.Empty());
    for (int w : {2, 3, 4}) {
        Frame fast(kFrameWidth, kPalHeight), reference(kFrameWidth, kPalHeight);
        DrawLayeredLine(fast, mask, 200, 300, w, kColors);
        ReferenceLine(reference, mask, 200, 300, w);
        EXPECT_EQ(fast, reference) << "outline width " << w;
        EXPECT_EQ(Colours(fast).size(), 4u);
    }
}

TEST(LayeredLine, ASinglePixelGrowsIntoSquareRingsOfTheOutlineWidth) {
    LineMask dot;
    dot.Reset(0, 0, 1, 1);
    dot.Set(0, 0);
    for (int w : {2, 3, 4}) {
        Frame f(40, 40);
        DrawLayeredLine(f, dot, 20, 20, w, kColors);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const int d = std::max(std::abs(x - 20), std::abs(y - 20));
                const Rgb expected = d == 0 ? kText : d == 1 ? kAntialias : d <= w ? kOutline : kPureBlue;
                ASSERT_EQ(f.At(x, y), expected) << "w " << w << " at " << x << "," << y;
            }
    }
}

TEST(LayeredLine, IsClippedAtEveryEdgeOfTheFrame) {
    LineMask mask;
    Engine().DrawLineMask("Wide Text Clipped", FontSpec{"Arial", 30, kDefaultCharset, kBold | kUnderline},
                          mask);
    const int positions[][2] = {{-40, 200}, {650, 200}, {300, -20}, {300, 460},
                                {-30, -25}, {680, 470}, {-900, 0},  {0, 5000}};
    for (const auto& p : positions) {
        Frame fast(kFrameWidth, kNtscHeight), reference(kFrameWidth, kNtscHeight);
        DrawLayeredLine(fast, mask, p[0], p[1], 4, kColors);
        ReferenceLine(reference, mask, p[0], p[1], 4);
        EXPECT_EQ(fast, reference) << "at " << p[0] << "," << p[1];
    }
}

TEST(LayeredLine, ZeroOutlineWidthLeavesOnlyTextAndAntialias) {
    LineMask mask;
    Engine().DrawLineMask("Ab", FontSpec{"Arial", 20, kDefaultCharset, 0}, mask);
    Frame fast(100, 60), reference(100, 60);
    DrawLayeredLine(fast, mask, 20, 10, 0, kColors);
    ReferenceLine(reference, mask, 20, 10, 0);
    EXPECT_EQ(fast, reference);
}

TEST(Placement, AlignmentRules) {
    EXPECT_EQ(AlignedX(101, 720, Alignment::Center), 310);  // 360 - 101 div 2
    EXPECT_EQ(AlignedX(100, 720, Alignment::Center), 310);
    EXPECT_EQ(AlignedX(101, 720, Alignment::Left), 8);
    EXPECT_EQ(AlignedX(101, 720, Alignment::Right), 720 - 101 - 8);
    EXPECT_EQ(AlignedX(101, 720, AlignmentOf("Center")),
              720 - 101 - 8);  // exact comparison: anything else is right
    EXPECT_EQ(AlignedX(101, 720, AlignmentOf("")), 611);
}

TEST(Placement, PalExampleWithGapOfFourRows) {
    const SubtitlePlacement p = PlaceSubtitle({200, 27}, {150, 27}, 720, 576, 30, -4, Alignment::Center);
    EXPECT_EQ(p.y1, 479);
    EXPECT_EQ(p.bandTop, 478);
    EXPECT_EQ(p.y2, 510);
    EXPECT_EQ(p.bandHeight, 64);
    EXPECT_EQ(p.x1, 260);
    EXPECT_EQ(p.x2, 285);
}

TEST(Placement, BandTopIsTheEvenRowAtOrAboveEvenWhenNegative) {
    // NTSC, line height 30, offset 413: Y1 = 480 - 30 - 40 - 413 = -3.
    SubtitlePlacement p = PlaceSubtitle({10, 30}, {10, 30}, 720, 480, 413, 0, Alignment::Left);
    EXPECT_EQ(p.y1, -3);
    EXPECT_EQ(p.bandTop, -4);
    p = PlaceSubtitle({10, 30}, {10, 30}, 720, 480, 414, 0, Alignment::Left);
    EXPECT_EQ(p.bandTop, -4);
    EXPECT_EQ(p.bandHeight, 66);
}

TEST(Placement, OverlappingSecondLineCoversTheFirst) {
    // OffsetOr 10 with equal heights puts line 2 ten rows into line 1's cell.
    const SubtitlePlacement p = PlaceSubtitle({10, 30}, {10, 30}, 720, 576, 30, 10, Alignment::Center);
    EXPECT_EQ(p.y2 - p.y1, 20);
}

TEST(DrawSubtitle, FrameHoldsExactlyFourColoursAndOnlyOneLineForAOneLineSubtitle) {
    SubtitleLook look;
    look.font = FontSpec{"Arial", 20, kDefaultCharset, 0};
    look.colors = kColors;
    Frame two(kFrameWidth, kPalHeight), one(kFrameWidth, kPalHeight);
    const SubtitlePlacement p2 = DrawSubtitle(two, Engine(), "Rethymno.", "Crete Hellas", look);
    const SubtitlePlacement p1 = DrawSubtitle(one, Engine(), "Rethymno.", "", look);
    EXPECT_EQ(Colours(two), (std::set<uint32_t>{kPureBlue.Packed(), kOutline.Packed(), kAntialias.Packed(),
                                                kText.Packed()}));
    EXPECT_EQ(p1.bandTop, p2.bandTop);
    EXPECT_EQ(p1.bandHeight, p2.bandHeight);
    // Below line 1's cell and outline (line height 30, width 3) nothing is drawn.
    for (int y = p1.y1 + 30 + 3; y < kPalHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(one.At(x, y), kPureBlue) << x << "," << y;
    // The first line sits where it sits with two lines.
    for (int y = 0; y < p1.y2 - 4; ++y)
        for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(one.At(x, y), two.At(x, y));
}

}  // namespace
}  // namespace glyphon
