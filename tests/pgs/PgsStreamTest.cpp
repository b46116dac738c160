// The stream writer judged by FFmpeg: libavformat's "sup" demuxer and the
// pgssub decoder read back every object, its place, its palette and its
// timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "pgs/PgsPicture.h"
#include "pgs/PgsStream.h"
#include "subtitle/Cue.h"
#include "support/PgsDecoder.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace {

// An object whose rows mix every kind of run: single pixels, pairs, short
// and long runs of index 0 and of other indices.
PgsObject Pattern(int x, int y, int width, int height, int seed) {
    PgsObject o;
    o.x = x, o.y = y, o.width = width, o.height = height;
    o.pixels.resize(size_t(width) * size_t(height));
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const int band = (c + r * seed) / (1 + (r % 70));
            o.pixels[size_t(r) * size_t(width) + size_t(c)] =
                uint8_t(band % 5 == 0 ? 0 : (band * 37 + seed) % 153);
        }
    return o;
}

// Rows of random runs: lengths 1 to 80, index 0 one run in three, so that
// runs of every kind meet each other and the rows' ends.
PgsObject RandomRuns(int width, int height, unsigned seed) {
    PgsObject o;
    o.width = width, o.height = height;
    o.pixels.resize(size_t(width) * size_t(height));
    std::mt19937 random(seed);
    for (size_t i = 0; i < o.pixels.size();) {
        const size_t run = std::min<size_t>(1 + random() % (random() % 4 ? 9 : 80), o.pixels.size() - i);
        const uint8_t index = uint8_t(random() % 3 ? 1 + random() % 252 : 0);
        std::fill_n(o.pixels.begin() + ptrdiff_t(i), run, index);
        i += run;
    }
    return o;
}

std::vector<PgsColor> Palette() {
    PgsColors colors;
    colors.text = {250, 240, 20, 255};
    colors.outline = {10, 20, 120, 255};
    return PgsPalette(colors, 1080);
}

}  // namespace

TEST(PgsStream, FFmpegReadsEveryObjectShownAtItsStartAndClearedAtItsEnd) {
    TempDir dir;
    const std::string path = dir.File("movie.pgs.sup");
    PgsWriter writer;
    writer.Create(path, PgsVideo{});
    const std::vector<PgsObject> objects = {
        Pattern(100, 900, 64, 8, 1),
        // Over 65,535 bytes coded: the object goes over several segments.
        Pattern(0, 0, 1920, 300, 3),
        Pattern(1800, 1070, 120, 10, 7),
        RandomRuns(333, 40, 11),
        RandomRuns(1920, 9, 12),
    };
    const int64_t times[][2] = {
        {1000, 2500}, {2500, 4000}, {3600000, 3601234}, {3700000, 3700100}, {3800000, 3800100}};
    for (size_t i = 0; i < objects.size(); ++i)
        writer.Show(TicksOfMs(times[i][0]), TicksOfMs(times[i][1]), objects[i], Palette());
    writer.Close();

    const DecodedPgs got = DecodePgs(path);
    EXPECT_EQ(got.codec, "hdmv_pgs_subtitle");
    // Shown, cleared, shown, cleared, shown, cleared: a subtitle ending as
    // the next starts is cleared first, at the same time.
    ASSERT_EQ(got.subtitles.size(), 2 * objects.size());
    const std::vector<PgsColor> palette = Palette();
    for (size_t i = 0; i < objects.size(); ++i) {
        SCOPED_TRACE(i);
        const DecodedPgsSubtitle& shown = got.subtitles[2 * i];
        const DecodedPgsSubtitle& cleared = got.subtitles[2 * i + 1];
        EXPECT_EQ(shown.pts, times[i][0] * 90);
        EXPECT_EQ(cleared.pts, times[i][1] * 90);
        EXPECT_TRUE(cleared.rects.empty());
        ASSERT_EQ(shown.rects.size(), 1u);
        const DecodedPgsRect& r = shown.rects[0];
        EXPECT_EQ(r.x, objects[i].x);
        EXPECT_EQ(r.y, objects[i].y);
        EXPECT_EQ(r.width, objects[i].width);
        EXPECT_EQ(r.height, objects[i].height);
        EXPECT_EQ(r.indices, objects[i].pixels);
        // Opacity passes through the decoder unchanged.
        ASSERT_GE(r.palette.size(), palette.size());
        for (size_t k = 0; k < palette.size(); ++k) EXPECT_EQ(r.palette[k] >> 24, palette[k].alpha) << k;
    }
}

TEST(PgsStream, ASubtitleStartingBeforeThePreviousEndsReplacesItWithoutAClearBetween) {
    TempDir dir;
    const std::string path = dir.File("overlap.pgs.sup");
    PgsWriter writer;
    writer.Create(path, PgsVideo{1280, 720, 0x10});
    writer.Show(TicksOfMs(1000), TicksOfMs(5000), Pattern(10, 10, 40, 20, 1), Palette());
    writer.Show(TicksOfMs(3000), TicksOfMs(6000), Pattern(20, 30, 50, 20, 2), Palette());
    // Nothing drawn: nothing shown, the previous subtitle still ends on time.
    writer.Show(TicksOfMs(7000), TicksOfMs(8000), PgsObject{}, Palette());
    writer.Close();
    const DecodedPgs got = DecodePgs(path);
    ASSERT_EQ(got.subtitles.size(), 3u);
    EXPECT_EQ(got.subtitles[0].pts, 90000);
    EXPECT_EQ(got.subtitles[1].pts, 3000 * 90);
    ASSERT_EQ(got.subtitles[1].rects.size(), 1u);
    EXPECT_EQ(got.subtitles[1].rects[0].x, 20);
    EXPECT_EQ(got.subtitles[2].pts, 6000 * 90);
    EXPECT_TRUE(got.subtitles[2].rects.empty());
}

// A palette's version counts updates within an epoch up to 255: the update
// after that shows the object again, version 0.
TEST(PgsStream, PaletteVersionsStartAgainPast255Updates) {
    TempDir dir;
    PgsWriter writer;
    writer.Create(dir.File("long.pgs.sup"), PgsVideo{1280, 720, 0x10});
    for (int k = 0; k < 300; ++k)
        writer.Recolour(k * 3600, (k + 1) * 3600 + 1, Pattern(8, 8, 40, 20, 1), Palette());
    writer.Close();
    const std::string bytes = TempDir::Read(dir.File("long.pgs.sup"));
    std::vector<int> versions;  // of the palette segments: "PG", two times, type, size, id, version
    int objects = 0;
    for (size_t at = 0; at + 13 <= bytes.size();
         at += 13 + (uint8_t(bytes[at + 11]) << 8 | uint8_t(bytes[at + 12])))
        if (bytes[at + 10] == 0x14)
            versions.push_back(uint8_t(bytes[at + 14]));
        else
            objects += bytes[at + 10] == 0x15;
    ASSERT_EQ(versions.size(), 300u);
    EXPECT_EQ(objects, 2);
    for (size_t k = 0; k < versions.size(); ++k) EXPECT_EQ(versions[k], int(k % 256)) << k;
}

TEST(PgsStream, FrameRateCodes) {
    EXPECT_EQ(PgsFrameRateCode("23.976"), 0x10);
    EXPECT_EQ(PgsFrameRateCode("24000/1001"), 0x10);
    EXPECT_EQ(PgsFrameRateCode("25"), 0x30);
    EXPECT_EQ(PgsFrameRateCode("59.94"), 0x70);
    EXPECT_FALSE(PgsFrameRateCode("23.98x").has_value());
    EXPECT_FALSE(PgsFrameRateCode("").has_value());
}

}  // namespace glyphon::test
