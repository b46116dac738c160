// Anti-aliased subtitles for PGS through the FreeType engine: drawn at the
// stream's scale, written by the run's sink and read back by FFmpeg's
// decoder, every object compared with the renderer's own picture.
#include <ft2build.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include FT_FREETYPE_H

#include "pgs/PgsPicture.h"
#include "pgs/PgsSink.h"
#include "render/GreyLine.h"
#include "subtitle/Cue.h"
#include "support/PgsDecoder.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

const FontSpec kArial20{"Arial", 20, 1, 0};

struct Entry {
    int64_t start, end;
    std::string line1, line2;
};

const std::vector<Entry> kEntries = {
    {1000, 3200, "Rethymno, the old Venetian harbour.", "Crete Hellas, summer of the lighthouse"},
    {3500, 4100, "One line only", ""},
    {5000, 7777, "", "Second line alone, in the band below"},
    {9000, 9500, "Wide glyphs: WWW MMM @@@ ###", "kerning? AVAVAV To. Ty."},
};

int Near(uint32_t argb, Rgba c) {
    const int d[4] = {int(argb >> 24) - c.a, int((argb >> 16) & 255) - c.r, int((argb >> 8) & 255) - c.g,
                      int(argb & 255) - c.b};
    int worst = 0;
    for (int v : d) worst = std::max(worst, std::abs(v));
    return worst;
}

}  // namespace

class PgsRender : public ::testing::Test {
protected:
    std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
};

TEST_F(PgsRender, EveryDecodedObjectIsTheRenderersOwnPictureInItsColours) {
    for (const PgsVideo video : {PgsVideo{1920, 1080, 0x10}, PgsVideo{1280, 720, 0x10},
                                 PgsVideo{720, 576, 0x30}, PgsVideo{720, 480, 0x40}}) {
        SCOPED_TRACE(video.height);
        TempDir dir;
        PgsLook look;
        look.font = kArial20;
        PgsOptions options;
        options.video = video;
        options.colors.text = {255, 240, 60, 255};
        options.colors.outline = {20, 20, 90, 255};
        options.colors.background = {0, 0, 0, 96};
        PgsSink sink(*engine, look, options);
        sink.Create(dir.File("movie.pgs.sup"));
        for (const Entry& e : kEntries)
            sink.Subtitle(TicksOfMs(e.start), TicksOfMs(e.end), {PlainLine(e.line1), PlainLine(e.line2)}, {});
        sink.Close();

        const DecodedPgs got = DecodePgs(dir.File("movie.pgs.sup"));
        ASSERT_EQ(got.subtitles.size(), 2 * kEntries.size());
        look.frameWidth = video.width;
        look.frameHeight = video.height;
        for (size_t i = 0; i < kEntries.size(); ++i) {
            SCOPED_TRACE(i);
            const Entry& e = kEntries[i];
            PgsObject own;
            DrawPgsSubtitle(*engine, e.line1, e.line2, look, own);
            const DecodedPgsSubtitle& shown = got.subtitles[2 * i];
            EXPECT_EQ(shown.pts, e.start * 90);
            EXPECT_EQ(got.subtitles[2 * i + 1].pts, e.end * 90);
            EXPECT_TRUE(got.subtitles[2 * i + 1].rects.empty());
            ASSERT_EQ(shown.rects.size(), 1u);
            const DecodedPgsRect& r = shown.rects[0];
            EXPECT_EQ(r.x, own.x);
            EXPECT_EQ(r.y, own.y);
            ASSERT_EQ(r.width, own.width);
            ASSERT_EQ(r.height, own.height);
            EXPECT_EQ(r.indices, own.pixels);
            // Every index used shows the colour the renderer meant, within
            // the rounding of Y'CbCr.
            std::set<uint8_t> used(r.indices.begin(), r.indices.end());
            for (int o = 0; o <= kGreyLevels; ++o)
                for (int t = 0; t <= o; ++t) {
                    const int k = PgsIndex(t, o);
                    if (!used.count(uint8_t(k))) continue;
                    EXPECT_LE(Near(r.palette[size_t(k)], PgsPixelColor(t, o, options.colors)), 3)
                        << "t " << t << " o " << o;
                }
            // Anti-aliased: the edges hold many levels between outline and
            // transparency and between text and outline.
            EXPECT_GE(used.size(), 30u);
            // The object stays inside the frame.
            EXPECT_LE(r.x + r.width, video.width);
            EXPECT_LE(r.y + r.height, video.height);
        }
    }
}

TEST_F(PgsRender, AFontSizeTakesTheSameShareOfThePictureAsOnAPalDvd) {
    const TextExtent dvd = engine->MeasureLine("Rethymno harbour", kArial20);
    // On the DVD frame sizes the line measures as the DVD renderer measures it.
    const TextExtent sd = MeasureGreyLine(*engine, "Rethymno harbour", kArial20, PgsEm(20, 576));
    EXPECT_EQ(PgsEm(20, 576), 27);
    EXPECT_EQ(PgsEm(20, 480), 27);
    EXPECT_EQ(sd.height, dvd.height);
    EXPECT_NEAR(sd.width, dvd.width, 0.05 * dvd.width);
    // At 1080 rows everything is 1080 / 576 times as large.
    const TextExtent hd = MeasureGreyLine(*engine, "Rethymno harbour", kArial20, PgsEm(20, 1080));
    EXPECT_EQ(PgsEm(20, 1080), 51);
    EXPECT_NEAR(hd.height, dvd.height * 1.875, 1.5);
    EXPECT_NEAR(hd.width, dvd.width * 1.875, 0.05 * dvd.width * 1.875);

    // Placed as on the DVD frame, scaled: line 1's cell ends 40 + 30 DVD rows
    // above the bottom.
    PgsLook look;
    look.font = kArial20;
    look.outlineWidth = 0;
    PgsObject object;
    DrawPgsSubtitle(*engine, "Hxg", "", look, object);
    const int cellBottom = 1080 - int(std::lround(70 * 1.875));
    EXPECT_LT(object.y, cellBottom - hd.height / 2);
    EXPECT_LE(object.y + object.height, cellBottom + 1);
    EXPECT_GT(object.y + object.height, cellBottom - hd.height / 3);
}

TEST_F(PgsRender, GlyphsAreFreeTypesGreyLevelsAndTheOutlineSurroundsThemByItsScaledWidth) {
    const int em = PgsEm(20, 1080);
    const auto draw = [&](std::string_view text, int outline64, GreyBox& box, GreyMask& canvas) {
        const RunLine line = PlainLine(text);
        box = GreyLineBox(*engine, line, kArial20, em, outline64);
        canvas.Reset(0, 0, box.width, box.height);
        DrawGreyLine(*engine, line, kArial20, em, outline64, -box.left, -box.top, canvas);
    };
    // Without an outline: FreeType's own anti-aliased bitmap of the glyph,
    // hinted as the monochrome path hints it, in kGreyLevels steps.
    GreyBox box;
    GreyMask plain;
    draw("o", 0, box, plain);
    const std::vector<PlacedGlyph> placed = engine->LayOutLine("o", FontWithEm(kArial20, em));
    ASSERT_EQ(placed.size(), 1u);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, placed[0].faceFile.c_str(), placed[0].faceIndex, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, FT_UInt(em)), 0);
    ASSERT_EQ(FT_Load_Glyph(face, placed[0].glyph, FT_LOAD_TARGET_MONO), 0);
    ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    EXPECT_EQ(box.left, face->glyph->bitmap_left);
    ASSERT_EQ(box.width, int(bitmap.width));
    ASSERT_EQ(box.height, int(bitmap.rows));
    int partial = 0;
    for (int y = 0; y < box.height; ++y)
        for (int x = 0; x < box.width; ++x) {
            const int level = GreyLevelOf(bitmap.buffer[y * bitmap.pitch + x]);
            EXPECT_EQ(PairGlyph(uint8_t(plain.At(x, y))), level) << x << "," << y;
            partial += level > 0 && level < kGreyLevels;
        }
    EXPECT_GT(partial, 0);
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // With 3 DVD pixels of outline at 1080 rows (5.6 pixels): the stem's
    // middle row holds glyph pixels, then about 6 pixels of outline on each
    // side, then nothing; the outline covers at least the glyph.
    GreyMask outlined;
    draw("l", int(std::lround(3 * 1.875 * 64)), box, outlined);
    const int y = box.height / 2;
    int firstGlyph = -1, lastGlyph = -1, firstOutline = -1, lastOutline = -1;
    for (int x = 0; x < box.width; ++x) {
        const uint8_t pair = uint8_t(outlined.At(x, y));
        if (PairGlyph(pair) == kGreyLevels) {
            if (firstGlyph < 0) firstGlyph = x;
            lastGlyph = x;
        }
        if (PairOutline(pair) > 0) {
            if (firstOutline < 0) firstOutline = x;
            lastOutline = x;
        }
        EXPECT_GE(PairOutline(pair), PairGlyph(pair));
    }
    ASSERT_GE(firstGlyph, 0);
    EXPECT_NEAR(firstGlyph - firstOutline, 6.6, 1);
    EXPECT_NEAR(lastOutline - lastGlyph, 6.6, 1);
    // A soft rim: levels between nothing and a full outline.
    EXPECT_GT(PairOutline(uint8_t(outlined.At(firstOutline, y))), 0);
    EXPECT_LT(PairOutline(uint8_t(outlined.At(firstOutline, y))), kGreyLevels);
}

}  // namespace glyphon::test
