// The "UTF-8" item, subtitle text as shown outside the picture, and
// characters the requested face lacks.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <set>

#include "render/DisplayText.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {
namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

LineMask Mask(std::string_view text, const FontSpec& f) {
    LineMask m;
    Engine().DrawLineMask(text, f, m);
    return m;
}

FontSpec Arial(int charset, int style = 0) { return FontSpec{"Arial", 20, charset, style}; }

// The pixels of `text` as a set of (x, y) relative to the text cell, so that
// masks of different extents compare.
std::set<std::pair<int, int>> Pixels(const LineMask& m) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            if (m.Test(x, y)) out.emplace(x + m.left, y + m.top);
    return out;
}

TEST(UnicodeText, Utf8IsTheTwentiethItemAndRealisesAsDefault) {
    ASSERT_EQ(FontCharsetItems().size(), 20u);
    EXPECT_EQ(FontCharsetItems()[19], "UTF-8");
    EXPECT_EQ(CharsetFromName("UTF-8"), kUtf8Charset);
    EXPECT_EQ(CodePageOf(kUtf8Charset), "UTF-8");
    EXPECT_EQ(RealisedCharset(kUtf8Charset), kDefaultCharset);
    EXPECT_EQ(RealisedCharset(161), 161);
}

TEST(UnicodeText, DisplayTextReadsTheCodePageAsTheEngineDoes) {
    EXPECT_EQ(DisplayText("Caf\xE9 \x80", kDefaultCharset), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(DisplayText("\xE9", 161), "\xCE\xB9");            // GREEK: iota
    EXPECT_EQ(DisplayText("\xAA", 161), "\xEF\xBF\xBD");        // undefined in 1253
    EXPECT_EQ(DisplayText("\x82\xA0!", 128), "\xE3\x81\x82!");  // SHIFTJIS
    EXPECT_EQ(DisplayText("a\x82", 128), "a\xEF\xBF\xBD");      // lead byte without its trail
    EXPECT_EQ(DisplayText("\xE9", kSymbolCharset), "\xC3\xA9");
    EXPECT_EQ(DisplayText("\xC3\xA9\xC3", kUtf8Charset), "\xC3\xA9\xEF\xBF\xBD");
}

TEST(UnicodeText, Utf8DrawsTheSamePixelsAsTheCodePages) {
    struct Case {
        const char* utf8;
        const char* bytes;
        int charset;
    } cases[] = {{"Caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC", "Caf\xE9 cr\xE8me \x80", kDefaultCharset},
                 {"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1", "\xC5\xEB\xEB\xDC\xE4\xE1", 161},
                 {"\xD0\xA0\xD1\x83\xD1\x81\xD1\x8C", "\xD0\xF3\xF1\xFC", 204},
                 {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D (42)", "\xF9\xEC\xE5\xED (42)", 177},
                 {"\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 2024", "\xD3\xE1\xC7\xE3 2024", 178}};
    for (const Case& c : cases) {
        for (int style : {0, kBold | kItalic}) {
            SCOPED_TRACE(std::string(c.bytes) + " style " + std::to_string(style));
            const LineMask utf8 = Mask(c.utf8, Arial(kUtf8Charset, style));
            EXPECT_FALSE(utf8.Empty());
            EXPECT_EQ(Pixels(utf8), Pixels(Mask(c.bytes, Arial(c.charset, style))));
            EXPECT_EQ(Engine().MeasureLine(c.utf8, Arial(kUtf8Charset, style)),
                      Engine().MeasureLine(c.bytes, Arial(c.charset, style)));
        }
    }
}

TEST(UnicodeText, InvalidUtf8DrawsTheReplacementCharacter) {
    const FontSpec f = Arial(kUtf8Charset);
    const auto replacement = Pixels(Mask("\xEF\xBF\xBD", f));
    EXPECT_FALSE(replacement.empty());
    EXPECT_EQ(Pixels(Mask("\xFF", f)), replacement);
    EXPECT_EQ(Pixels(Mask("\xE2\x82", f)), replacement);  // cut short: one character
    EXPECT_EQ(Engine().MeasureLine("a\xC3", f).width, Engine().MeasureLine("a\xEF\xBF\xBD", f).width);
}

// The first file in fontconfig's order for the request "Arial", regular, in
// `lang`, plus `c` whose face really has `c`.
std::string FallbackFile(uint32_t c, const char* lang) {
    FcPattern* p = FcNameParse(
        reinterpret_cast<const FcChar8*>(("Arial:scalable=true:lang=" + std::string(lang)).c_str()));
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, c);
    FcPatternAddCharSet(p, FC_CHARSET, cs);
    FcCharSetDestroy(cs);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcFontSet* sorted = FcFontSort(nullptr, p, FcFalse, nullptr, &r);
    std::string out;
    for (int i = 0; sorted && i < sorted->nfont && out.empty(); ++i) {
        FcCharSet* has = nullptr;
        FcChar8* file = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) == FcResultMatch &&
            FcCharSetHasChar(has, c) &&
            FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            out = reinterpret_cast<char*>(file);
    }
    if (sorted) FcFontSetDestroy(sorted);
    FcPatternDestroy(p);
    return out;
}

TEST(UnicodeText, CjkComesFromTheFallbackFaceAsFreeTypeDrawsIt) {
    const char* text = "\xE4\xB8\xAD\xE6\x96\x87\xED\x95\x9C\xE3\x81\x8B";  // 中文한か
    const uint32_t chars[] = {0x4E2D, 0x6587, 0xD55C, 0x304B};
    // Ideographs and kana from the first face for Chinese that has them, Hangul
    // from the first for Korean.
    const std::string chinese = FallbackFile(chars[0], "zh-cn"), korean = FallbackFile(chars[2], "ko");
    ASSERT_FALSE(chinese.empty())
        << "no installed font has ideographs: install fonts-droid-fallback (scripts/install-deps)";
    ASSERT_FALSE(korean.empty())
        << "no installed font has Hangul: install fonts-nanum (scripts/install-deps)";
    EXPECT_EQ(chinese.find("Liberation"), std::string::npos) << chinese;
    EXPECT_NE(chinese, korean);

    // Drawn directly: hinted monochrome glyphs at 27 pixels, side by side,
    // on Arial's baseline (24 pixels below the top of the cell).
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face chineseFace, koreanFace;
    ASSERT_EQ(FT_New_Face(lib, chinese.c_str(), 0, &chineseFace), 0);
    ASSERT_EQ(FT_New_Face(lib, korean.c_str(), 0, &koreanFace), 0);
    FT_Set_Pixel_Sizes(chineseFace, 0, 27);
    FT_Set_Pixel_Sizes(koreanFace, 0, 27);
    std::set<std::pair<int, int>> expected;
    int pen = 0;
    for (const uint32_t c : chars) {
        FT_Face face = c == chars[2] ? koreanFace : chineseFace;
        const FT_UInt index = FT_Get_Char_Index(face, c);
        ASSERT_NE(index, 0u) << std::hex << c;
        ASSERT_EQ(FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO), 0);
        ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO), 0);
        const FT_Bitmap& bm = face->glyph->bitmap;
        for (unsigned y = 0; y < bm.rows; ++y)
            for (unsigned x = 0; x < bm.width; ++x)
                if ((bm.buffer[y * unsigned(bm.pitch) + x / 8] >> (7 - x % 8)) & 1)
                    expected.emplace(pen + face->glyph->bitmap_left + int(x),
                                     24 - face->glyph->bitmap_top + int(y));
        pen += int((face->glyph->advance.x + 32) >> 6);
    }
    FT_Done_Face(chineseFace);
    FT_Done_Face(koreanFace);
    FT_Done_FreeType(lib);

    const FontSpec f = Arial(kUtf8Charset);
    EXPECT_EQ(Pixels(Mask(text, f)), expected);
    // The fit check measures the same advances; the line keeps Arial's height.
    EXPECT_EQ(Engine().MeasureLine(text, f), (TextExtent{pen, 30}));
}

}  // namespace
}  // namespace glyphon
