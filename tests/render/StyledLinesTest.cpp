// Lines drawn run by run in the styles of their tags, stacked lines and the
// top placement, and wrapping, against the FreeType engine's own drawings.
#include <gtest/gtest.h>

#include <memory>

#include "common/CodeFrame.h"
#include "render/FontTables.h"
#include "render/StyledLines.h"
#include "sup/SubPictureEncoder.h"
#include "support/FakeTextEngine.h"

namespace glyphon::test {

namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

const FontSpec kArial{"Arial", 20, kDefaultCharset, 0};

// The set pixels of a mask, in cell coordinates.
std::vector<std::pair<int, int>> Pixels(const LineMask& m, int dx = 0) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            if (m.Test(x, y)) out.emplace_back(m.left + x + dx, m.top + y);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(StyledLines, ItalicSpanEqualsTheSameTextDrawnInTheItalicStyle) {
    TextEngine& e = Engine();
    FontSpec italic = kArial;
    italic.style = kItalic;
    // A whole line in an italic span is the line drawn in the Italic style.
    LineMask runs, whole;
    DrawRunLineMask(e, RunLine{{"Hello world", kItalic}}, kArial, runs);
    e.DrawLineMask("Hello world", italic, whole);
    EXPECT_EQ(Pixels(runs), Pixels(whole));
    EXPECT_EQ(MeasureRunLine(e, RunLine{{"Hello world", kItalic}}, kArial),
              e.MeasureLine("Hello world", italic));

    // A span within a line: the plain part, and the italic part drawn where
    // the plain part's width ends, as GDI draws runs side by side.
    LineMask mixed, plain, span;
    DrawRunLineMask(e, RunLine{{"Hello ", 0}, {"world", kItalic}}, kArial, mixed);
    e.DrawLineMask("Hello ", kArial, plain);
    e.DrawLineMask("world", italic, span);
    const int plainWidth = e.MeasureLine("Hello ", kArial).width;
    std::vector<std::pair<int, int>> expected = Pixels(plain);
    for (const auto& p : Pixels(span, plainWidth)) expected.push_back(p);
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(Pixels(mixed), expected);
    EXPECT_EQ(MeasureRunLine(e, RunLine{{"Hello ", 0}, {"world", kItalic}}, kArial).width,
              plainWidth + e.MeasureLine("world", italic).width);
    // The italic part differs from the same letters upright.
    LineMask upright;
    DrawRunLineMask(e, RunLine{{"Hello ", 0}, {"world", 0}}, kArial, upright);
    EXPECT_NE(Pixels(upright), Pixels(mixed));
}

TEST(StyledLines, TwoPlainLinesDrawExactlyAsTheTwoLineRenderer) {
    TextEngine& e = Engine();
    SubtitleLook look;
    look.font = kArial;
    look.colors = {Rgb{10, 10, 10}, Rgb{128, 128, 128}, Rgb{250, 250, 250}};
    Frame a(kFrameWidth, 576, kPureBlue), b(kFrameWidth, 576, kPureBlue);
    const SubtitlePlacement two = DrawSubtitle(a, e, "Rethymno.", "Crete Hellas", look);
    const StackPlacement any =
        DrawSubtitleLines(b, e, {PlainLine("Rethymno."), PlainLine("Crete Hellas")}, look, false);
    EXPECT_EQ(a, b);
    EXPECT_EQ(any.bandTop, two.bandTop);
    EXPECT_EQ(any.bandHeight, two.bandHeight);
}

TEST(StyledLines, LinesStackByTheSecondLinesRuleAtTheBottomOrTheTop) {
    const std::vector<TextExtent> three{{100, 27}, {200, 27}, {50, 27}};
    // Lines past two grow upward: the last where a two-line subtitle's
    // second line goes (510), or anchored at the offset (479).
    const StackPlacement bottom = PlaceLines(three, 720, 576, 30, -4, Alignment::Center, false);
    EXPECT_EQ(bottom.y, (std::vector<int>{448, 479, 510}));
    EXPECT_EQ(bottom.x, (std::vector<int>{310, 260, 335}));
    EXPECT_EQ(bottom.bandTop, 448);
    EXPECT_EQ(PlaceLines(three, 720, 576, 30, -4, Alignment::Center, false, true).y,
              (std::vector<int>{417, 448, 479}));
    EXPECT_EQ(bottom.bandHeight, 27 + 31 + 31 + 6);
    // At the top the first line's cell starts as far below the top edge as
    // it ends above the bottom edge at the bottom.
    const StackPlacement top = PlaceLines(three, 720, 576, 30, -4, Alignment::Center, true);
    EXPECT_EQ(top.y, (std::vector<int>{70, 101, 132}));
    EXPECT_EQ(top.bandTop, 70);
    EXPECT_EQ(top.bandHeight, bottom.bandHeight);
}

TEST(StyledLines, WrapBreaksAtSpacesIntoTheFewestEvenLines) {
    FakeTextEngine e;  // one pixel a byte
    const FontSpec font;
    // 29 bytes; a limit of 20 needs two lines, the most even break is in the middle.
    const auto wrapped = WrapLines(e, {PlainLine("aaaa bbbb cccc dddd eeee ffff")}, font, 20);
    ASSERT_EQ(wrapped.size(), 2u);
    EXPECT_EQ(wrapped[0][0].text, "aaaa bbbb cccc");
    EXPECT_EQ(wrapped[1][0].text, "dddd eeee ffff");
    // Three lines where two cannot fit; a line that fits is left alone.
    const auto three = WrapLines(e, {PlainLine("aaaa bbbb cccc dddd eeee ffff"), PlainLine("ok")}, font, 12);
    ASSERT_EQ(three.size(), 4u);
    EXPECT_EQ(three[0][0].text, "aaaa bbbb");
    EXPECT_EQ(three[2][0].text, "eeee ffff");
    EXPECT_EQ(three[3][0].text, "ok");
    // Styles stay with their text across the break.
    const auto styled = WrapLines(e, {RunLine{{"aaaa ", 0}, {"bbbb cccc", kItalic}}}, font, 10);
    ASSERT_EQ(styled.size(), 2u);
    ASSERT_EQ(styled[0].size(), 1u);
    EXPECT_EQ(styled[0][0].text, "aaaa");
    ASSERT_EQ(styled[1].size(), 1u);
    EXPECT_EQ(styled[1][0].text, "bbbb cccc");
    EXPECT_EQ(styled[1][0].style, kItalic);
    // One word wider than the limit cannot be broken.
    EXPECT_EQ(WrapLines(e, {PlainLine("abcdefghijklmnop")}, font, 10).size(), 1u);
}

}  // namespace glyphon::test

namespace glyphon {
namespace {

// The coder's shortcut: lines drawn into pixel codes give the same units as
// the same lines painted in colours, for every outline width, for colours
// that share an entry with the background or with each other, and for lines
// that leave the frame at any edge, with a coloured run's letters in the
// antialias slot or not.
TEST(CodeFrameDrawing, GivesTheUnitsOfThePaintedFrame) {
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    const uint32_t yellow = 0xFFFFFF00;
    const std::vector<RunLine> lines = {PlainLine("Wide WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW line"),
                                        RunLine{TextRun{"café ", kItalic}, TextRun{"naïve", 0, yellow}},
                                        PlainLine("Top")};
    const Rgb white{255, 255, 255}, black{0, 0, 0}, grey{128, 128, 128};
    struct Case {
        int outline, offset, offsetOr;
        std::string align;
        bool top;
        LayerColors colors;
        bool second = false;  // the yellow run's letters in the antialias slot
    };
    const Case cases[] = {
        {3, 30, -4, "center", false, {black, grey, white}},
        {0, 30, -4, "left", false, {black, grey, white}},
        {1, -60, 10, "right", false, {black, black, white}},      // below the bottom edge
        {2, -20, -14, "center", true, {kPureBlue, grey, white}},  // above the top edge
        {5, 8, -4, "left", false, {grey, grey, grey}},
        {3, 30, -4, "center", false, {black, white, white}, true},
        {2, -20, -14, "right", true, {black, black, white}, true},
    };
    for (const Case& c : cases) {
        SubtitleLook look;
        look.font = FontSpec{"Arial", 36, kDefaultCharset, 0};
        look.outlineWidth = c.outline;
        look.offset = c.offset;
        look.offsetOr = c.offsetOr;
        look.align = AlignmentOf(c.align);
        look.colors = c.colors;
        const RoleColours roles{c.second ? grey : c.colors.antialias, c.colors.outline, c.colors.text};
        if (c.second) look.second = {{yellow}, grey, ClassifyPixel(grey, roles)};
        const SubPictureEncoder encoder(RoleIndices{1, 2, 3, 0}, roles);

        Frame frame(kFrameWidth, kPalHeight);
        const StackPlacement painted = DrawSubtitleLines(frame, *text, lines, look, c.top);
        CodeFrame codes;
        codes.Reset(kPalHeight, ClassifyPixel(kPureBlue, roles));
        const LayerCodes layers{ClassifyPixel(c.colors.outline, roles),
                                ClassifyPixel(c.colors.antialias, roles),
                                ClassifyPixel(c.colors.text, roles)};
        const StackPlacement coded = DrawSubtitleLines(codes, *text, lines, look, layers, c.top);
        ASSERT_EQ(painted.bandTop, coded.bandTop);
        // The whole frame, row pairs, so that every row is compared.
        std::vector<uint8_t> fromColours, fromCodes;
        encoder.EncodeInto(frame, 0, kPalHeight, 1000, fromColours);
        encoder.EncodeInto(codes, 0, kPalHeight, 1000, fromCodes);
        EXPECT_EQ(fromColours, fromCodes) << "outline " << c.outline << ", offset " << c.offset;
    }
}

}  // namespace
}  // namespace glyphon
