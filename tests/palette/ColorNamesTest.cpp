// Colour names and the video-range conversion a made-up disc palette uses.
#include <gtest/gtest.h>

#include "palette/ColorNames.h"

namespace glyphon::test {

TEST(ColorNames, KeywordsAnyCaseAndHexTripletsOnly) {
    EXPECT_EQ(ParseColor("yellow"), (Rgb{255, 255, 0}));
    EXPECT_EQ(ParseColor("DarkSlateGrey"), (Rgb{0x2F, 0x4F, 0x4F}));
    EXPECT_EQ(ParseColor("rebeccapurple"), (Rgb{0x66, 0x33, 0x99}));
    EXPECT_EQ(ParseColor("#1e90fF"), (Rgb{0x1E, 0x90, 0xFF}));
    for (const char* bad : {"", "#", "#FFF", "#FFFF0G", "#FFFF000", "yellow ", " yellow", "yel", "FFFF00",
                            "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", "transparent"})
        EXPECT_FALSE(ParseColor(bad)) << bad;
}

// The 100 % colour bars of BT.601 in 8-bit video range, as published.
TEST(ColorNames, VideoRangeMatchesTheColourBars) {
    struct Bar {
        Rgb rgb;
        VideoYCbCr ycbcr;
    };
    const Bar bars[] = {
        {{255, 255, 255}, {235, 128, 128}}, {{255, 255, 0}, {210, 16, 146}},  {{0, 255, 255}, {170, 166, 16}},
        {{0, 255, 0}, {145, 54, 34}},       {{255, 0, 255}, {106, 202, 222}}, {{255, 0, 0}, {81, 90, 240}},
        {{0, 0, 255}, {41, 240, 110}},      {{0, 0, 0}, {16, 128, 128}},
    };
    for (const Bar& bar : bars) {
        const VideoYCbCr v = RgbToVideoYCbCr(bar.rgb);
        EXPECT_EQ(v, bar.ycbcr) << int(bar.rgb.r) << "," << int(bar.rgb.g) << "," << int(bar.rgb.b)
                                << " gave " << int(v.y) << "," << int(v.cb) << "," << int(v.cr);
    }
    EXPECT_EQ(DiscEntryOf({210, 16, 146}), 0xD29210u);  // Y Cr Cb, as a palette file line
}

}  // namespace glyphon::test
