// Every mark on screen and the bottom line where players put it, judged by
// libavcodec's decoders, HarfBuzz's positions and FreeType's glyph boxes.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <hb-ft.h>
#include FT_OUTLINE_H

#include <climits>

#include "pgs/PgsPicture.h"
#include "render/FontTables.h"
#include "sup/SubPictureEncoder.h"
#include "support/DvdSubDecoder.h"

namespace glyphon::test {
namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}
FontSpec Utf8Font(const char* language = "") {
    FontSpec f{"Arial", 20, kUtf8Charset, 0};
    f.language = language;
    return f;
}

// Rows of ink HarfBuzz and FreeType give the line at `ppem`: from the
// highest glyph top to the lowest glyph bottom, marks moved by their offsets.
int InkRows(const std::string& text, int ppem) {
    const std::vector<PlacedGlyph> laid = Engine().LayOutLine(text, Utf8Font());
    if (laid.empty()) return 0;
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face face;
    EXPECT_EQ(FT_New_Face(lib, laid[0].faceFile.c_str(), laid[0].faceIndex, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem));
    hb_font_t* font = hb_ft_font_create_referenced(face);
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf8(buf, text.c_str(), -1, 0, -1);
    hb_buffer_guess_segment_properties(buf);
    hb_shape(font, buf, nullptr, 0);
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    long top = LONG_MIN, bottom = LONG_MAX;
    for (unsigned i = 0; i < n; ++i) {
        FT_Load_Glyph(face, info[i].codepoint, FT_LOAD_TARGET_MONO);
        FT_BBox box;
        FT_Outline_Get_CBox(&face->glyph->outline, &box);
        if (box.yMax <= box.yMin) continue;
        top = std::max(top, box.yMax + pos[i].y_offset);
        bottom = std::min(bottom, box.yMin + pos[i].y_offset);
    }
    hb_buffer_destroy(buf);
    hb_font_destroy(font);
    FT_Done_FreeType(lib);
    return top < bottom ? 0 : int(((top + 63) >> 6) - (bottom >> 6));
}

// The display area's first and last row, read from the unit's control
// sequence (command 0x05), as a player reads it.
std::pair<int, int> DisplayRows(const std::vector<uint8_t>& unit) {
    size_t at = size_t(unit[2] << 8 | unit[3]) + 4;
    static const int kArgs[] = {0, 0, 0, 2, 2, 6, 4};
    while (at < unit.size() && unit[at] != 0xFF) {
        if (unit[at] == 0x05) return {unit[at + 4] << 4 | unit[at + 5] >> 4, (unit[at + 5] & 15) << 8 | unit[at + 6]};
        at += 1 + size_t(unit[at] < 7 ? kArgs[unit[at]] : 0);
    }
    return {-1, -1};
}

// The DVD unit of the lines at the defaults, decoded.
DecodedSubPicture DecodedDvd(const std::vector<std::string>& texts, bool anchorBottom, std::pair<int, int>* rows = nullptr) {
    std::vector<RunLine> lines;
    for (const std::string& t : texts) lines.push_back(PlainLine(t));
    if (lines.size() < 2) lines.push_back(PlainLine(""));
    SubtitleLook look;
    look.font = Utf8Font();
    look.colors = {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}};
    look.anchorBottom = anchorBottom;
    Frame frame;
    frame.Reset(720, 576, kPureBlue);
    const StackPlacement p = DrawSubtitleLines(frame, Engine(), lines, look, false);
    const std::vector<uint8_t> unit =
        EncodeSubPicture(frame, p.bandTop, p.bandHeight, {3, 2, 1, 0}, {{128, 128, 128}, {0, 0, 0}, {255, 255, 255}}, 2000);
    if (rows) *rows = DisplayRows(unit);
    DvdSubDecoder decoder;
    std::optional<DecodedSubPicture> got = decoder.Decode(unit);
    EXPECT_TRUE(got);
    return got.value_or(DecodedSubPicture{});
}

PgsObject Pgs(const std::vector<std::string>& texts) {
    std::vector<RunLine> lines;
    for (const std::string& t : texts) lines.push_back(PlainLine(t));
    if (lines.size() < 2) lines.push_back(PlainLine(""));
    PgsLook look;
    look.font = Utf8Font();
    PgsObject object;
    DrawPgsSubtitle(Engine(), lines, false, look, object);
    return object;
}

}  // namespace

TEST(Marks, EveryMarkIsDrawnInsideTheDvdAndPgsPictures) {
    ASSERT_TRUE(DvdSubDecoderAvailable());
    const std::pair<std::string, std::string> kLines[] = {
        {"ที่นี่", "ทีนี"}, {"น้ำ", "นำ"}, {"Ẫ Ở", "Â Ơ"}, {"É Å Ö Ÿ Ñ Öffnen", "E A O Y N Offnen"}};
    for (const auto& [marked, bare] : kLines) {
        SCOPED_TRACE(marked);
        std::pair<int, int> area;
        const DecodedSubPicture dvd = DecodedDvd({marked}, false, &area);
        EXPECT_NE(dvd.codes, DecodedDvd({bare}, false).codes);
        // Outline (3 rows) around every mark, and a blank row either side.
        EXPECT_GE(dvd.h, InkRows(marked, 27) + 2 * 3 - 1);
        EXPECT_GT(dvd.y, area.first);
        EXPECT_LT(dvd.y + dvd.h - 1, area.second);
        const PgsObject pgs = Pgs({marked});
        EXPECT_NE(pgs.pixels, Pgs({bare}).pixels);
        EXPECT_GE(pgs.height, InkRows(marked, PgsEm(20, 1080)) + 2 * 5);
    }
}

TEST(Marks, HanLinesTakeTheFacesOfTheirLanguage) {
    const auto langs = [](const std::string& text, const char* language) {
        const std::vector<PlacedGlyph> laid = Engine().LayOutLine(text, Utf8Font(language));
        EXPECT_FALSE(laid.empty());
        FcPattern* p = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(laid.back().faceFile.c_str()),
                                       unsigned(laid.back().faceIndex), nullptr, nullptr);
        FcLangSet* set = nullptr;
        std::string out;
        if (p && FcPatternGetLangSet(p, FC_LANG, 0, &set) == FcResultMatch)
            for (const char* l : {"ja", "zh-tw", "zh-cn", "ko"})
                if (FcLangSetHasLang(set, reinterpret_cast<const FcChar8*>(l)) == FcLangEqual) out += l;
        if (p) FcPatternDestroy(p);
        return out;
    };
    // A Korean line first: its face must not stand in for the others.
    EXPECT_EQ(langs("안녕하세요 漢字", ""), "ko");
    EXPECT_NE(langs("日本語の字幕です", "").find("ja"), std::string::npos);
    EXPECT_NE(langs("这是中文字幕", "").find("zh"), std::string::npos);
    EXPECT_NE(langs("日本語", "ja").find("ja"), std::string::npos);
    EXPECT_EQ(langs("漢字", "ko"), "ko");
}

TEST(Marks, TheBottomLineStaysPutWhateverTheLineCount) {
    const std::vector<std::string> one{"Hello"}, two{"Hello", "Hello"}, four{"Hello", "Hello", "Hello", "Hello"};
    // PGS always, DVD when asked: the last line at the offset.
    const PgsObject p1 = Pgs(one);
    for (const auto& lines : {two, four}) EXPECT_EQ(Pgs(lines).y + Pgs(lines).height, p1.y + p1.height);
    const DecodedSubPicture a1 = DecodedDvd(one, true);
    for (const auto& lines : {two, four}) {
        const DecodedSubPicture a = DecodedDvd(lines, true);
        EXPECT_EQ(a.y + a.h, a1.y + a1.h);
    }
    // By default line 1 stays where it is, and lines past two grow upward
    // from line 2's place.
    const DecodedSubPicture d1 = DecodedDvd(one, false), d2 = DecodedDvd(two, false), d4 = DecodedDvd(four, false);
    EXPECT_EQ(d1.y, d2.y);
    EXPECT_EQ(d4.y + d4.h, d2.y + d2.h);
    EXPECT_LT(d4.y, d2.y);
}

}  // namespace glyphon::test
