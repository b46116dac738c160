// Cues placed and coloured by their own settings and tags (WebVTT settings
// and classes, SubRip's {\an1}..{\an9} and <font color>), as libavcodec
// decodes the PGS stream and the DVD units.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "cli/CliSupport.h"
#include "support/DvdSubDecoder.h"
#include "support/PgsDecoder.h"

namespace glyphon::test {

namespace {

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

// The shown picture of each cue start (ms) in the stream.
std::map<int64_t, DecodedPgsRect> PgsPictures(const std::string& path) {
    std::map<int64_t, DecodedPgsRect> shown;
    for (const DecodedPgsSubtitle& s : DecodePgs(path).subtitles)
        if (!s.rects.empty()) shown[s.pts / 90] = s.rects[0];
    return shown;
}

// The decoded DVD unit of each cue start (ms).
std::map<int64_t, Box> DvdPictures(const std::string& path) {
    std::map<int64_t, Box> shown;
    DvdSubDecoder decoder;
    for (const SupRecord& record : SplitSupFile(TempDir::Read(path)))
        if (const auto p = decoder.Decode(record.unit)) shown[record.pts / 90] = {p->x, p->y, p->w, p->h};
    return shown;
}

}  // namespace

TEST(WebVttRun, CuesPlacedAndColouredAsTheirSettingsSay) {
    TempDir dir;
    const std::string vtt = dir.File("film.vtt");
    std::filesystem::copy_file(GLYPHON_SOURCE_DIR "/tests/data/subtitle/webvtt/styled.vtt", vtt);
    const RunResult r = RunNamed({"--format", "sup,pgs", vtt});
    ASSERT_EQ(r.status, 0) << r.err;

    const std::map<int64_t, Box> dvd = DvdPictures(dir.File("film.sup"));
    const std::map<int64_t, DecodedPgsRect> pgs = PgsPictures(dir.File("film.pgs.sup"));

    // Each placement on both outputs, in fractions of the picture: the
    // outline reaches a few pixels past the text's cell.
    struct Size {
        const char* name;
        int width, height;
        Box (*box)(const std::map<int64_t, Box>&, const std::map<int64_t, DecodedPgsRect>&, int64_t);
    };
    const auto fromDvd = [](const std::map<int64_t, Box>& d, const std::map<int64_t, DecodedPgsRect>&,
                            int64_t ms) { return d.at(ms); };
    const auto fromPgs = [](const std::map<int64_t, Box>&, const std::map<int64_t, DecodedPgsRect>& p,
                            int64_t ms) {
        const DecodedPgsRect& r = p.at(ms);
        return Box{r.x, r.y, r.width, r.height};
    };
    for (const Size& s : {Size{"dvd", 720, 576, fromDvd}, Size{"pgs", 1920, 1080, fromPgs}}) {
        SCOPED_TRACE(s.name);
        const int reach = s.width / 100;
        ASSERT_TRUE(s.name == std::string("dvd") ? dvd.count(5000) : pgs.count(5000));
        const Box plain = s.box(dvd, pgs, 1000), top = s.box(dvd, pgs, 3000), left = s.box(dvd, pgs, 5000),
                  middle = s.box(dvd, pgs, 7000);
        // No settings: centred at the bottom.
        EXPECT_NEAR(plain.x + plain.w / 2, s.width / 2, reach);
        EXPECT_GT(plain.y, s.height * 3 / 4);
        // line:0 at the top.
        EXPECT_LT(top.y + top.h, s.height / 4);
        EXPECT_NEAR(top.x + top.w / 2, s.width / 2, reach);
        // position:20% align:start: the text starts at a fifth of the width.
        EXPECT_NEAR(left.x, s.width / 5, reach);
        EXPECT_GT(left.y, s.height / 2);
        // line:50% position:75% align:end: ends at three quarters, its top
        // at half the height.
        EXPECT_NEAR(middle.x + middle.w, s.width * 3 / 4, reach);
        EXPECT_NEAR(middle.y, s.height / 2, reach);
    }

    // The classes' colours: yellow "Left" on the first line, red (bold)
    // "second line" under it, white for the rest.
    const DecodedPgsRect& rect = pgs.at(5000);
    long yellowX = 0, yellowY = 0, yellow = 0, redY = 0, red = 0, whiteX = 0, white = 0;
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            const uint32_t c = rect.palette.at(rect.indices[size_t(y) * size_t(rect.width) + size_t(x)]);
            const int a = int(c >> 24), rr = int(c >> 16 & 255), g = int(c >> 8 & 255), b = int(c & 255);
            if (a < 250 || rr < 230) continue;
            if (g > 230 && b > 230)
                whiteX += x, ++white;
            else if (g > 230 && b < 40)
                yellowX += x, yellowY += y, ++yellow;
            else if (g < 40 && b < 40)
                redY += y, ++red;
        }
    ASSERT_GT(yellow, 50);
    ASSERT_GT(red, 50);
    ASSERT_GT(white, 50);
    EXPECT_LT(yellowY / yellow, rect.height / 2);
    EXPECT_GT(redY / red, rect.height / 2);
    EXPECT_LT(yellowX / yellow, whiteX / white);
}

TEST(SubRipRun, KeypadPlacesAndFontColours) {
    TempDir dir;
    std::string srt;
    for (int an = 1; an <= 9; ++an)
        srt += std::to_string(an) + "\n00:00:0" + std::to_string(an) + ",000 --> 00:00:0" +
               std::to_string(an) + ",500\n{\\an" + std::to_string(an) + "}Keypad\n\n";
    srt += "10\n00:00:10,000 --> 00:00:11,000\n<font color=\"#00ff00\">Green</font> and white\n";
    const std::string file = dir.Write("keys.srt", srt);
    const RunResult r = RunNamed({"--format", "sup,pgs", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::map<int64_t, Box> dvd = DvdPictures(dir.File("keys.sup"));
    std::map<int64_t, Box> pgsBoxes;
    for (const auto& [ms, rect] : PgsPictures(dir.File("keys.pgs.sup")))
        pgsBoxes[ms] = {rect.x, rect.y, rect.width, rect.height};
    const std::map<int64_t, Box>& pgs = pgsBoxes;
    for (const auto& [name, shown, width, height] :
         {std::tuple{"dvd", &dvd, 720, 576}, std::tuple{"pgs", &pgs, 1920, 1080}}) {
        SCOPED_TRACE(name);
        for (int an = 1; an <= 9; ++an) {
            SCOPED_TRACE(an);
            ASSERT_TRUE(shown->count(an * 1000));
            const Box b = shown->at(an * 1000);
            const int row = (an - 1) / 3, column = (an - 1) % 3;
            // Left and right within a twentieth of the edge, centred within
            // a hundredth.
            if (column == 0) {
                EXPECT_LT(b.x, width / 20);
            }
            if (column == 1) {
                EXPECT_NEAR(b.x + b.w / 2, width / 2, width / 100);
            }
            if (column == 2) {
                EXPECT_GT(b.x + b.w, width - width / 20);
            }
            if (row == 0) {
                EXPECT_GT(b.y, height * 3 / 4);
            }
            if (row == 1) {
                EXPECT_NEAR(b.y + b.h / 2, height / 2, height / 50);
            }
            if (row == 2) {
                EXPECT_LT(b.y + b.h, height / 4);
            }
        }
    }
    // <font color>: green glyphs left of white ones.
    const auto pictures = PgsPictures(dir.File("keys.pgs.sup"));
    const DecodedPgsRect& rect = pictures.at(10000);
    long green = 0, greenX = 0, white = 0, whiteX = 0;
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            const uint32_t c = rect.palette.at(rect.indices[size_t(y) * size_t(rect.width) + size_t(x)]);
            if ((c >> 24) < 250 || (c >> 8 & 255) < 230) continue;
            if ((c >> 16 & 255) < 40 && (c & 255) < 40) greenX += x, ++green;
            if ((c >> 16 & 255) > 230 && (c & 255) > 230) whiteX += x, ++white;
        }
    ASSERT_GT(green, 50);
    ASSERT_GT(white, 50);
    EXPECT_LT(greenX / green, whiteX / white);
}

TEST(WebVttRun, SizedBoxesWrapTheirLinesAndAlignThemInside) {
    // Each row: the settings, which point of the ink (-1 its left, 0 its
    // centre, 1 its right) sits where across the picture, and whether the
    // words wrap onto more lines, within a fortieth of the picture.
    const std::tuple<const char*, int, double, bool> rows[] = {
        {"", 0, 0.5, false},
        {"size:50% position:0% align:start", -1, 0, true},
        {"size:50% position:100% align:end", 1, 1, true},
        {"size:40% position:30%,center", 0, 0.3, true},
        {"size:50% position:0%,line-left align:end", 1, 0.5, true}};
    TempDir dir;
    std::string vtt = "WEBVTT\n";
    for (size_t i = 0; i < std::size(rows); ++i)
        vtt += "\n00:0" + std::to_string(2 * i + 1) + ".000 --> 00:0" + std::to_string(2 * i + 2) + ".000 " +
               std::get<0>(rows[i]) + "\nWords enough to fill more than half of the picture\n";
    const std::string file = dir.Write("sized.vtt", vtt);
    ASSERT_EQ(RunNamed({"--format", "sup,pgs", file}).status, 0);
    std::map<int64_t, Box> pgs;
    for (const auto& [ms, r] : PgsPictures(dir.File("sized.pgs.sup")))
        pgs[ms] = {r.x, r.y, r.width, r.height};
    for (const auto& [shown, width] :
         {std::pair{DvdPictures(dir.File("sized.sup")), 720}, std::pair{pgs, 1920}})
        for (size_t i = 0; i < std::size(rows); ++i) {
            const auto& [settings, point, at, wrapped] = rows[i];
            const Box b = shown.at(int64_t(2 * i + 1) * 1000), plain = shown.at(1000);
            EXPECT_NEAR(b.x + (point + 1) * b.w / 2, at * width, width / 40) << settings << " " << width;
            EXPECT_EQ(b.h > plain.h * 3 / 2, wrapped) << settings << " " << width;
            if (wrapped) {
                EXPECT_LE(b.w, width / 2 + width / 40) << settings << " " << width;
            }
        }
}

}  // namespace glyphon::test
