// --format pgs with --resolution, --frame-rate and the colours: the named
// command line writes NAME.pgs.sup beside the other formats.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliSupport.h"
#include "cli/NamedOptions.h"
#include "pgs/PgsPicture.h"
#include "support/PgsDecoder.h"

namespace glyphon::test {

TEST(PgsFormat, ThreeFormatsAtOnceAndPgsAloneWithItsOwnSizeRateAndColours) {
    TempDir dir;
    const std::string subtitle = dir.File("film.srt");
    std::filesystem::copy_file(GLYPHON_SOURCE_DIR "/samples/sample.srt", subtitle);
    RunResult r = RunNamed({"--format", "sup,vobsub,pgs", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"film.sup", "film.idx", "film.sub", "film.pgs.sup"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(name))) << name;
    const DecodedPgs hd = DecodePgs(dir.File("film.pgs.sup"));
    ASSERT_FALSE(hd.subtitles.empty());
    EXPECT_GT(hd.subtitles[0].rects.at(0).y, 720);  // placed near the bottom of 1080 rows

    std::filesystem::remove(dir.File("film.sup"));
    r = RunNamed({"--format", "pgs", "--resolution", "720x576", "--frame-rate", "25", "--text-color",
                  "yellow", "--outline-color", "#000080", "--background-color", "black/50", subtitle});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("film.sup")));
    const std::string bytes = TempDir::Read(dir.File("film.pgs.sup"));
    // The first composition: 720 x 576 at code 0x30 (25 frames a second).
    ASSERT_GT(bytes.size(), 18u);
    EXPECT_EQ(bytes.substr(0, 2), "PG");
    EXPECT_EQ(bytes.substr(13, 5), std::string("\x02\xD0\x02\x40\x30", 5));
    const DecodedPgs sd = DecodePgs(dir.File("film.pgs.sup"));
    ASSERT_EQ(sd.subtitles.size(), hd.subtitles.size());
    const DecodedPgsRect& rect = sd.subtitles[0].rects.at(0);
    EXPECT_LT(rect.y + rect.height, 576);
    EXPECT_EQ(rect.palette[0] >> 24, 128u);  // the half-opaque box
    const uint32_t text = rect.palette[size_t(PgsIndex(kGreyLevels, kGreyLevels))];
    EXPECT_NEAR(int(text >> 16 & 255), 255, 3);
    EXPECT_NEAR(int(text >> 8 & 255), 255, 3);
    EXPECT_NEAR(int(text & 255), 0, 3);
}

TEST(PgsFormat, RefusedValuesNameTheOption) {
    const auto parse = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"glyphon", "convert"});
        args.push_back("a.srt");
        return ParseNamedCommand(args);
    };
    EXPECT_EQ(parse({"--resolution", "1024x768"}).error,
              "--resolution: '1024x768' is not a picture size (1920x1080, 1280x720, 720x576, 720x480)");
    EXPECT_EQ(parse({"--frame-rate", "30"}).error,
              "--frame-rate: '30' is not a frame rate (23.976, 24, 25, 29.97, 50, 59.94)");
    EXPECT_EQ(parse({"--text-color", "blurple"}).error,
              "--text-color: 'blurple' is not a colour name or #RRGGBB");
    EXPECT_EQ(parse({"--background-color", "black/150"}).error,
              "--background-color: 'black/150' has no opacity from 0 to 100 after the /");
    // The usual rate follows the size unless one is given, in either order.
    EXPECT_EQ(parse({"--resolution", "720x480"}).options.pgs.video.frameRate, 0x40);
    EXPECT_EQ(parse({"--frame-rate", "50", "--resolution", "720x576"}).options.pgs.video.frameRate, 0x60);
    EXPECT_EQ(parse({}).options.pgs.video.height, 1080);
}

}  // namespace glyphon::test
