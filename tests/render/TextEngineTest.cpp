// The FreeType engine: sizes and line heights as GDI computes them for a
// font requested by em height, advances, code pages, and the missing glyph.
#include <gtest/gtest.h>

#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {
namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

FontSpec Arial(int points, int charset = kDefaultCharset, int style = 0) {
    return FontSpec{"Arial", points, charset, style};
}

int Width(std::string_view text, const FontSpec& f) { return Engine().MeasureLine(text, f).width; }

LineMask Mask(std::string_view text, const FontSpec& f) {
    LineMask m;
    Engine().DrawLineMask(text, f, m);
    return m;
}

TEST(TextEngine, PixelEmHeightRoundsHalvesUp) {
    EXPECT_EQ(PixelEmHeight(6), 8);
    EXPECT_EQ(PixelEmHeight(20), 27);
    EXPECT_EQ(PixelEmHeight(50), 67);
    EXPECT_EQ(PixelEmHeight(7), 9);   // 9.33
    EXPECT_EQ(PixelEmHeight(8), 11);  // 10.67
}

TEST(TextEngine, ArialLineHeightIsWinAscentPlusWinDescentEachRounded) {
    // Liberation Sans: usWinAscent 1854, usWinDescent 434, 2048 units per em.
    struct Case {
        int points, height;
    } cases[] = {{6, 7 + 2}, {12, 14 + 3}, {20, 24 + 6}, {30, 36 + 8}, {50, 61 + 14}};
    for (const Case& c : cases)
        EXPECT_EQ(Engine().MeasureLine("x", Arial(c.points)).height, c.height) << c.points;
    // The height does not depend on the characters, nor on style.
    EXPECT_EQ(Engine().MeasureLine("", Arial(20)).height, 30);
    EXPECT_EQ(Engine().MeasureLine("gjÅ", Arial(20, kDefaultCharset, kBold | kItalic)).height, 30);
}

TEST(TextEngine, WidthIsTheSumOfAdvancesAndEmptyMeasuresAsASpace) {
    const FontSpec f = Arial(20);
    EXPECT_EQ(Width("AV", f), Width("A", f) + Width("V", f));  // no kerning
    EXPECT_EQ(Width("Rethymno.", f), Width("Rethy", f) + Width("mno.", f));
    EXPECT_EQ(Width("", f), Width(" ", f));
    EXPECT_GT(Width(" ", f), 0);
    EXPECT_GT(Width("W", Arial(50)), Width("W", Arial(20)));
}

TEST(TextEngine, ALineMillionsOfPixelsWideStaysTooWideAndDrawsWithinBounds) {
    // 40 million "W" at 50 points add up to more than 2^31 pixels.
    const std::string line(40'000'000, 'W');
    const int width = Width(line, Arial(50));
    EXPECT_GE(width, 680);
    EXPECT_LE(width, 1 << 21);
    LineMask mask;
    Engine().DrawLineMask(line, Arial(50), mask);
    EXPECT_GT(mask.width, 0);
    EXPECT_LE(mask.width, width + 200);
}

TEST(TextEngine, BoldIsWiderAndTheCacheSurvivesSwitchingFonts) {
    const int normal = Width("Crete Hellas", Arial(20));
    const int bold = Width("Crete Hellas", Arial(20, kDefaultCharset, kBold));
    EXPECT_GT(bold, normal);
    EXPECT_EQ(Width("Crete Hellas", Arial(20)), normal);
    // "Default" is a real, substituted face, never a failure.
    EXPECT_GT(Width("Crete Hellas", FontSpec{"Default", 20, kDefaultCharset, 0}), 0);
    EXPECT_GT(Width("Crete Hellas", FontSpec{"No Such Face 123", 20, kDefaultCharset, 0}), 0);
}

TEST(TextEngine, MaskStaysWithinTheCellForUprightText) {
    const FontSpec f = Arial(20);
    const LineMask m = Mask("Hg", f);
    ASSERT_FALSE(m.Empty());
    EXPECT_GE(m.top, 0);
    EXPECT_LE(m.top + m.height, 30);
    EXPECT_GE(m.left, 0);
    EXPECT_LE(m.left + m.width, Width("Hg", f));
    EXPECT_TRUE(Mask("", f).Empty());
}

TEST(TextEngine, UnderlineAndStrikeOutSpanTheWholeExtent) {
    const FontSpec plain = Arial(30), under = Arial(30, kDefaultCharset, kUnderline),
                   strike = Arial(30, kDefaultCharset, kStrikeOut);
    const int w = Width("a b", plain);
    for (const FontSpec& f : {under, strike}) {
        const LineMask m = Mask("a b", f);
        // Some row is set from column 0 to the extent's end.
        bool full = false;
        for (int y = 0; y < m.height && !full; ++y) {
            bool all = true;
            for (int x = 0; x < w; ++x) all = all && m.Test(x - m.left, y);
            full = all;
        }
        EXPECT_TRUE(full) << f.style;
    }
}

TEST(TextEngine, BytesReadThroughTheCharacterSetsCodePage) {
    const int ansi = 0, greek = 161, shiftJis = 128, symbol = 2;
    // 0xE9 is e-acute in 1252 and iota-tonos in 1253: different glyphs.
    EXPECT_NE(Mask("\xE9", Arial(30, ansi)).bits, Mask("\xE9", Arial(30, greek)).bits);
    // A byte 1253 leaves undefined draws the missing-glyph box, like any other.
    const LineMask box = Mask("\xAA", Arial(30, greek));
    EXPECT_FALSE(box.Empty());
    EXPECT_EQ(Mask("\xFF", Arial(30, greek)).bits, box.bits);
    // Shift-JIS reads two bytes as one character, which a Latin face lacks:
    // it comes from the face that has it, as the same character in UTF-8.
    EXPECT_EQ(Mask("\x82\xA0", Arial(30, shiftJis)).bits, Mask("\xE3\x81\x82", Arial(30, kUtf8Charset)).bits);
    EXPECT_NE(Width("\x82\xA0", Arial(30, shiftJis)), Width("\xAA", Arial(30, greek)));
    EXPECT_EQ(Width("\x82\xA0\x82\xA0", Arial(30, shiftJis)), 2 * Width("\x82\xA0", Arial(30, shiftJis)));
    EXPECT_NE(Width("\x82\xA0", Arial(30, ansi)), Width("\x82\xA0", Arial(30, shiftJis)));
    // A lead byte without its trail byte, and stray bytes, never fail.
    EXPECT_GT(Width("ab\x82", Arial(30, shiftJis)), Width("ab", Arial(30, shiftJis)));
    EXPECT_GT(Width("\xFF\xFF\x80", Arial(20, 136)), 0);
    EXPECT_GT(Width("\x81", Arial(20, 130)), 0);
    // SYMBOL in a face without a symbol table reads bytes as Latin-1.
    EXPECT_EQ(Mask("\xE9", Arial(30, symbol)).bits, Mask("\xE9", Arial(30, ansi)).bits);
}

TEST(TextEngine, EveryCharacterSetMeasuresEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(char(b));
    for (const std::string& name : FontCharsetItems()) {
        const FontSpec f = Arial(8, CharsetFromName(name));
        EXPECT_GT(Engine().MeasureLine(all, f).width, 0) << name;
        LineMask m;
        Engine().DrawLineMask(all, f, m);
        EXPECT_FALSE(m.Empty()) << name;
    }
}

}  // namespace
}  // namespace glyphon
