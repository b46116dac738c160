// Every mark on screen, CJK faces and the bottom line, judged by libavcodec's
// decoder, HarfBuzz's positions, FreeType's glyph boxes and fontconfig.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <hb-ft.h>
#include FT_OUTLINE_H

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
FontSpec Font(const char* language = "") { return FontSpec{"Arial", 20, kUtf8Charset, 0, 100, 0, language}; }
std::vector<RunLine> Lines(const std::vector<std::string>& texts) {
    std::vector<RunLine> lines(std::max<size_t>(texts.size(), 2));
    for (size_t i = 0; i < texts.size(); ++i) lines[i] = PlainLine(texts[i]);
    return lines;
}

// Rows from the highest glyph top to the lowest bottom that HarfBuzz's shaping
// and FreeType's boxes give the line at `ppem`.
int InkRows(const std::string& text, int ppem) {
    FT_Library lib;
    FT_Face face;
    FT_Init_FreeType(&lib);
    EXPECT_EQ(FT_New_Face(lib, Engine().LayOutLine(text, Font()).at(0).faceFile.c_str(), 0, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem));
    hb_font_t* font = hb_ft_font_create_referenced(face);
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf8(buf, text.c_str(), -1, 0, -1);
    hb_buffer_guess_segment_properties(buf);
    hb_shape(font, buf, nullptr, 0);
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    long top = -(1L << 20), bottom = 1L << 20;
    for (unsigned i = 0; i < n; ++i) {
        FT_BBox box;
        FT_Load_Glyph(face, info[i].codepoint, FT_LOAD_TARGET_MONO);
        FT_Outline_Get_CBox(&face->glyph->outline, &box);
        if (box.yMax > box.yMin)
            top = std::max(top, box.yMax + pos[i].y_offset),
            bottom = std::min(bottom, box.yMin + pos[i].y_offset);
    }
    hb_buffer_destroy(buf);
    hb_font_destroy(font);
    FT_Done_FreeType(lib);
    return int(((top + 63) >> 6) - (bottom >> 6));
}

// The DVD unit of the lines decoded, and its display area's first and last
// rows as its command 0x05 gives them.
DecodedSubPicture Dvd(const std::vector<std::string>& texts, bool anchor, int* first = nullptr,
                      int* last = nullptr) {
    SubtitleLook look;
    look.font = Font();
    look.colors = {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}};
    look.anchorBottom = anchor;
    Frame frame(kFrameWidth, kPalHeight);
    const StackPlacement p = DrawSubtitleLines(frame, Engine(), Lines(texts), look, false);
    const std::vector<uint8_t> u = EncodeSubPicture(frame, p.bandTop, p.bandHeight, {3, 2, 1, 0},
                                                    {{128, 128, 128}, {0, 0, 0}, {255, 255, 255}}, 2000);
    for (size_t at = size_t(u[2] << 8 | u[3]) + 4; first && u[at] != 0xFF; at += u[at] == 5   ? 7
                                                                                 : u[at] == 6 ? 5
                                                                                 : u[at] > 2  ? 3
                                                                                              : 1)
        if (u[at] == 5) *first = u[at + 4] << 4 | u[at + 5] >> 4, *last = (u[at + 5] & 15) << 8 | u[at + 6];
    return DvdSubDecoder().Decode(u).value();
}

PgsObject Pgs(const std::vector<std::string>& texts) {
    PgsLook look;
    look.font = Font();
    PgsObject object;
    DrawPgsSubtitle(Engine(), Lines(texts), false, look, object);
    return object;
}

// The languages fontconfig gives the face of the line's last glyph.
std::string FaceLanguages(const std::string& text, const char* language) {
    const PlacedGlyph g = Engine().LayOutLine(text, Font(language)).back();
    FcPattern* p = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(g.faceFile.c_str()),
                                   unsigned(g.faceIndex), nullptr, nullptr);
    FcLangSet* set = nullptr;
    std::string out;
    if (p && FcPatternGetLangSet(p, FC_LANG, 0, &set) == FcResultMatch)
        for (const char* l : {"ja", "zh", "ko"})
            if (FcLangSetHasLang(set, reinterpret_cast<const FcChar8*>(l)) != FcLangDifferentLang) out += l;
    if (p) FcPatternDestroy(p);
    return out;
}

}  // namespace

TEST(Marks, EveryMarkIsDrawnInsideTheDvdAndPgsPictures) {
    const std::pair<std::string, std::string> kLines[] = {
        {"ที่นี่", "ทีนี"}, {"น้ำ", "นำ"}, {"Ẫ Ở", "Â Ơ"}, {"É Å Ö Ÿ Ñ Öffnen", "E A O Y N Offnen"}};
    for (const auto& [marked, bare] : kLines) {
        SCOPED_TRACE(marked);
        int first = 0, last = 0;
        const DecodedSubPicture dvd = Dvd({marked}, false, &first, &last);
        EXPECT_NE(dvd.codes, Dvd({bare}, false).codes);
        // The outline (3 rows) round every mark, and a blank row either side.
        EXPECT_GE(dvd.h, InkRows(marked, 27) + 2 * 3 - 1);
        EXPECT_TRUE(dvd.y > first && dvd.y + dvd.h - 1 < last) << first << " " << dvd.y << " " << last;
        EXPECT_NE(Pgs({marked}).pixels, Pgs({bare}).pixels);
        EXPECT_GE(Pgs({marked}).height, InkRows(marked, PgsEm(20, 1080)) + 2 * 5);
    }
}

TEST(Marks, HanTakesTheFacesOfItsLinesLanguage) {
    EXPECT_EQ(FaceLanguages("안녕하세요 漢字", ""), "ko");  // first: its face must stand in for no other
    EXPECT_EQ(FaceLanguages("日本語の字幕です", "").substr(0, 4), "jazh");
    EXPECT_EQ(FaceLanguages("这是中文字幕", "").substr(0, 4), "jazh");
    EXPECT_EQ(FaceLanguages("漢字", "ko"), "ko");
}

TEST(Marks, TheBottomLineStaysPutWhateverTheLineCount) {
    const std::vector<std::string> one{"Hello"}, two{"Hello", "Hello"},
        four{"Hello", "Hello", "Hello", "Hello"};
    // PGS always, DVD when asked: the last line at the offset.
    for (const auto& lines : {two, four}) {
        EXPECT_EQ(Pgs(lines).y + Pgs(lines).height, Pgs(one).y + Pgs(one).height);
        EXPECT_EQ(Dvd(lines, true).y + Dvd(lines, true).h, Dvd(one, true).y + Dvd(one, true).h);
    }
    // By default line 1 keeps its place, and lines past two grow upward from
    // line 2's.
    EXPECT_EQ(Dvd(one, false).y, Dvd(two, false).y);
    EXPECT_EQ(Dvd(four, false).y + Dvd(four, false).h, Dvd(two, false).y + Dvd(two, false).h);
}

}  // namespace glyphon::test
