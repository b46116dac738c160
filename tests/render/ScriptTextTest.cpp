// Lines in scripts that run right to left or are shaped: the display order
// FriBidi gives, the glyphs and positions HarfBuzz gives for the face that
// draws them, and the pixels FreeType draws for those glyphs there.
#include <fontconfig/fontconfig.h>
#include <fribidi.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "common/Utf8.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {

void PrintTo(const PlacedGlyph& g, std::ostream* os) {
    *os << "{glyph " << g.glyph << " at " << g.x << "," << g.y << " from " << g.cluster << "}";
}

namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

const FontSpec kArial{"Arial", 20, kUtf8Charset, 0};  // 27 pixels, ascent 24, descent 6
constexpr int kPpem = 27, kAscent = 24, kCellHeight = 30;

struct Line {
    const char* name;
    const char* text;
    uint32_t sample;      // a character of the script
    const char* package;  // the Debian package with a face for it
};

const Line kLines[] = {
    {"Arabic", "وصلنا الساعة 10:30 (تقريباً)، هل أنت جاهز؟", 0x0627, "fonts-dejavu-core"},
    {"Hebrew", "אני אוהב את Paris מאוד!", 0x05D0, "fonts-dejavu-core"},
    {"Hindi", "मुझे क्षमा करें, मैं हिंदी नहीं बोलता।", 0x0915, "fonts-lohit-deva"},
    {"Thai", "สวัสดีครับ ยินดีที่ได้รู้จัก", 0x0E01, "fonts-tlwg-garuda-ttf"},
    {"Korean", "안녕하세요, 만나서 반갑습니다.", 0xD55C, "fonts-nanum"},
};

// Fails naming the package unless some installed face has `c`.
void RequireFaceFor(uint32_t c, const char* package) {
    FcPattern* p = FcPatternCreate();
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, c);
    FcPatternAddCharSet(p, FC_CHARSET, cs);
    FcObjectSet* os = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* fs = FcFontList(nullptr, p, os);
    const int found = fs ? fs->nfont : 0;
    if (fs) FcFontSetDestroy(fs);
    FcObjectSetDestroy(os);
    FcCharSetDestroy(cs);
    FcPatternDestroy(p);
    ASSERT_GT(found, 0) << "no installed font has U+" << std::hex << c << ": install " << package
                        << " (scripts/install-deps)";
}

bool Shaped(uint32_t c) {
    switch (hb_unicode_script(hb_unicode_funcs_get_default(), c)) {
        case HB_SCRIPT_ARABIC:
        case HB_SCRIPT_HEBREW:
        case HB_SCRIPT_DEVANAGARI:
        case HB_SCRIPT_THAI:
            return true;
        default:
            return false;
    }
}

// FriBidi's own resolution of the line as one paragraph: the level of each
// character and the display position of each character.
void FriBidiOrder(const std::vector<uint32_t>& text, std::vector<int>& levels, std::vector<int>& position) {
    const auto n = FriBidiStrIndex(text.size());
    std::vector<FriBidiChar> str(text.begin(), text.end());
    std::vector<FriBidiCharType> types(text.size());
    std::vector<FriBidiBracketType> brackets(text.size());
    std::vector<FriBidiLevel> lv(text.size());
    std::vector<FriBidiStrIndex> map(text.size());
    fribidi_get_bidi_types(str.data(), n, types.data());
    fribidi_get_bracket_types(str.data(), n, types.data(), brackets.data());
    FriBidiParType dir = FRIBIDI_PAR_ON;
    ASSERT_NE(fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &dir, lv.data()), 0);
    for (FriBidiStrIndex i = 0; i < n; ++i) map[size_t(i)] = i;
    ASSERT_NE(
        fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT, types.data(), n, 0, dir, lv.data(), nullptr, map.data()),
        0);
    levels.assign(lv.begin(), lv.end());
    position.assign(text.size(), 0);
    for (size_t v = 0; v < map.size(); ++v) position[size_t(map[v])] = int(v);
}

struct Face {
    FT_Face face = nullptr;
    hb_font_t* font = nullptr;
};

class ScriptText : public ::testing::TestWithParam<Line> {
protected:
    void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library_), 0); }
    void TearDown() override {
        for (auto& [file, f] : faces_) {
            hb_font_destroy(f.font);
            FT_Done_Face(f.face);
        }
        FT_Done_FreeType(library_);
    }
    // A face of its own, 27 pixels, with a HarfBuzz font on it whose advances
    // are the hinted monochrome ones.
    Face& Open(const std::string& file, int index) {
        Face& f = faces_[file + "#" + std::to_string(index)];
        if (!f.face) {
            EXPECT_EQ(FT_New_Face(library_, file.c_str(), index, &f.face), 0) << file;
            FT_Set_Pixel_Sizes(f.face, 0, kPpem);
            f.font = hb_ft_font_create_referenced(f.face);
            hb_ft_font_set_load_flags(f.font, FT_LOAD_TARGET_MONO);
        }
        return f;
    }
    int Advance(FT_Face face, FT_UInt glyph) {
        EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_TARGET_MONO), 0);
        return int((face->glyph->advance.x + 32) >> 6);
    }

    FT_Library library_ = nullptr;
    std::map<std::string, Face> faces_;
};

TEST_P(ScriptText, DrawsFriBidiOrderHarfBuzzGlyphsAndFreeTypePixels) {
    const Line& line = GetParam();
    RequireFaceFor(line.sample, line.package);
    std::vector<uint32_t> text;
    DecodeUtf8(line.text, text);
    std::vector<int> levels, position;
    FriBidiOrder(text, levels, position);

    const std::vector<PlacedGlyph> laid = Engine().LayOutLine(line.text, kArial);
    ASSERT_FALSE(laid.empty());

    // Every character readable: no missing-glyph box, and the face that draws
    // a character of the script really has it.
    for (const PlacedGlyph& g : laid) EXPECT_NE(g.glyph, 0u) << "character " << g.cluster;

    // Display order: the characters come left to right as FriBidi orders them.
    for (size_t k = 1; k < laid.size(); ++k)
        EXPECT_LE(position[size_t(laid[k - 1].cluster)], position[size_t(laid[k].cluster)])
            << "glyphs " << k - 1 << " and " << k;
    std::set<int> firstOfCluster;
    for (const PlacedGlyph& g : laid) firstOfCluster.insert(g.cluster);
    EXPECT_EQ(*firstOfCluster.begin(), 0);

    // Runs of glyphs of one face and level, left to right. A run of the shaped script
    // must be HarfBuzz's shaping of its characters in that face, in FriBidi's
    // direction; any other run is one glyph per character (mirrored where it
    // runs right to left) at the face's hinted advances. Each run starts
    // where the one to its left ends.
    int pen = 0;
    for (size_t begin = 0; begin < laid.size();) {
        size_t end = begin + 1;
        while (end < laid.size() && laid[end].faceFile == laid[begin].faceFile &&
               levels[size_t(laid[end].cluster)] == levels[size_t(laid[begin].cluster)])
            ++end;
        int first = laid[begin].cluster, last = first;
        for (size_t k = begin; k < end; ++k)
            first = std::min(first, laid[k].cluster), last = std::max(last, laid[k].cluster);
        // A cluster takes every character up to the next cluster.
        int stop = int(text.size());
        for (const PlacedGlyph& g : laid)
            if (g.cluster > last) stop = std::min(stop, g.cluster);
        SCOPED_TRACE(laid[begin].faceFile + " characters " + std::to_string(first) + ".." +
                     std::to_string(stop));
        Face& face = Open(laid[begin].faceFile, laid[begin].faceIndex);
        bool shaped = false;
        for (int i = first; i < stop; ++i) shaped = shaped || Shaped(text[size_t(i)]);
        std::vector<PlacedGlyph> expected;
        if (shaped) {
            hb_buffer_t* buffer = hb_buffer_create();
            hb_buffer_add_codepoints(buffer, text.data(), int(text.size()), unsigned(first), stop - first);
            hb_buffer_set_direction(buffer,
                                    (levels[size_t(first)] & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
            hb_buffer_guess_segment_properties(buffer);
            hb_shape(face.font, buffer, nullptr, 0);
            unsigned count = 0;
            const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
            const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
            int pen64 = 0;
            for (unsigned i = 0; i < count; ++i) {
                expected.push_back({laid[begin].faceFile, laid[begin].faceIndex, info[i].codepoint,
                                    pen + (pen64 + pos[i].x_offset + 32) / 64, -((pos[i].y_offset + 32) >> 6),
                                    int(info[i].cluster)});
                pen64 += pos[i].x_advance;
            }
            pen += (pen64 + 32) / 64;
            hb_buffer_destroy(buffer);
        } else {
            const bool rtl = levels[size_t(first)] & 1;
            for (int k = 0; k < stop - first; ++k) {
                const int i = rtl ? stop - 1 - k : first + k;
                FriBidiChar c = text[size_t(i)];
                if (rtl) fribidi_get_mirror_char(c, &c);
                const FT_UInt glyph = FT_Get_Char_Index(face.face, c);
                expected.push_back({laid[begin].faceFile, laid[begin].faceIndex, glyph, pen, 0, i});
                pen += Advance(face.face, glyph);
            }
        }
        EXPECT_EQ(std::vector<PlacedGlyph>(laid.begin() + long(begin), laid.begin() + long(end)), expected);
        begin = end;
    }
    // The fit check and the alignment measure the laid-out width.
    EXPECT_EQ(Engine().MeasureLine(line.text, kArial), (TextExtent{pen, kCellHeight}));

    // The drawing: FreeType's monochrome bitmap of each glyph, whole (no
    // glyph is cut to the text cell), moved to its place.
    std::set<std::pair<int, int>> want, got;
    for (const PlacedGlyph& g : laid) {
        FT_Face face = Open(g.faceFile, g.faceIndex).face;
        ASSERT_EQ(FT_Load_Glyph(face, g.glyph, FT_LOAD_TARGET_MONO), 0);
        ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO), 0);
        const FT_Bitmap& bm = face->glyph->bitmap;
        for (unsigned y = 0; y < bm.rows; ++y)
            for (unsigned x = 0; x < bm.width; ++x) {
                const int row = kAscent - face->glyph->bitmap_top + int(y);
                if ((bm.buffer[y * unsigned(bm.pitch) + x / 8] >> (7 - x % 8)) & 1)
                    want.emplace(g.x + face->glyph->bitmap_left + int(x), row + g.y);
            }
    }
    LineMask mask;
    Engine().DrawLineMask(line.text, kArial, mask);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.Test(x, y)) got.emplace(x + mask.left, y + mask.top);
    std::vector<std::pair<int, int>> extra, missing;
    std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
    std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(missing));
    EXPECT_TRUE(extra.empty() && missing.empty())
        << extra.size() << " pixels too many, first at " << (extra.empty() ? 0 : extra[0].first) << ","
        << (extra.empty() ? 0 : extra[0].second) << "; " << missing.size() << " missing, first at "
        << (missing.empty() ? 0 : missing[0].first) << "," << (missing.empty() ? 0 : missing[0].second);
}

INSTANTIATE_TEST_SUITE_P(SubtitleLines, ScriptText, ::testing::ValuesIn(kLines),
                         [](const ::testing::TestParamInfo<Line>& info) {
                             return std::string(info.param.name);
                         });

TEST(ScriptText, RightToLeftParagraphsPutNumbersAndBracketsWhereAReaderExpectsThem) {
    // "(42)" inside Hebrew: the digits stay in reading order, the brackets
    // are mirrored, and the Hebrew word is drawn at the right end.
    std::vector<uint32_t> text;
    const char* line = "שלום (42)";
    DecodeUtf8(line, text);
    const std::vector<PlacedGlyph> laid = Engine().LayOutLine(line, kArial);
    std::vector<int> order;
    for (const PlacedGlyph& g : laid) order.push_back(g.cluster);
    EXPECT_EQ(order, (std::vector<int>{8, 6, 7, 5, 4, 3, 2, 1, 0}));
}

}  // namespace
}  // namespace glyphon
