// Units checked against FFmpeg's DVD subtitle decoder, which nobody here wrote.
#include <gtest/gtest.h>

#include <vector>

#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"
#include "support/DvdSubDecoder.h"

namespace glyphon {
namespace {

using test::DvdSubDecoder;

// A disc palette whose 16 entries all differ, so the decoder's colours lead
// back to entries.
std::array<uint32_t, 16> DistinctPalette() {
    std::array<uint32_t, 16> palette{};
    for (uint32_t i = 0; i < 16; ++i) palette[i] = 0x101010u * i + 0x030201u;
    return palette;
}

// What a player should show at display column x of band row `row`: the runs
// start at frame pixel 1, so column x shows pixel x + 1; the last run also
// covers column 718, and column 719 is the end-of-line background.
int ExpectedCode(const Frame& frame, int y, int x, const RoleColours& colours) {
    if (x >= kFrameWidth - 1) return kCodeBackground;
    return ClassifyPixel(frame.At(std::min(x + 1, kFrameWidth - 2), y), colours);
}

struct Band {
    int height;  // frame height
    int top, rows;
    uint32_t seed;
};

class DecoderRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::DvdSubDecoderAvailable()) << "built without libavcodec"; }
};

TEST_F(DecoderRoundTrip, DecodedCodesMatchTheClassifiedBand) {
    const RoleIndices indices{5, 9, 14, 2};
    SubPictureEncoder encoder(indices, test::kBandColours);
    DvdSubDecoder decoder(DistinctPalette());
    const std::vector<Band> bands = {
        {kPalHeight, 480, 64, 1}, {kPalHeight, 400, 61, 2},  {kPalHeight, 100, 2, 3},
        {kPalHeight, 10, 3, 4},   {kNtscHeight, 420, 60, 5}, {kNtscHeight, 404, 75, 6},
        {kPalHeight, 502, 74, 7},  // last band row is the frame's last row
    };
    int widthClasses[5] = {};
    int codes[4] = {};
    for (const Band& band : bands) {
        SCOPED_TRACE("band at " + std::to_string(band.top) + ", " + std::to_string(band.rows) + " rows");
        Frame frame(kFrameWidth, band.height);
        test::DrawTextBand(frame, band.top, band.rows, band.seed);
        // Content outside the band must not leak into the unit.
        test::DrawTextBand(frame, 0, band.top, band.seed + 100);
        const auto& unit = encoder.Encode(frame, band.top, band.rows, 2000);
        const auto picture = decoder.Decode(unit);
        ASSERT_TRUE(picture.has_value());

        for (int row = 0; row < band.rows; ++row) {
            const int y = band.top + row;
            int mismatches = 0;
            for (int x = 0; x < kFrameWidth; ++x) {
                const int expected = ExpectedCode(frame, y, x, test::kBandColours);
                if (picture->CodeAt(x, y) != expected && mismatches++ < 3)
                    ADD_FAILURE() << "row " << y << " column " << x << ": decoded " << picture->CodeAt(x, y)
                                  << ", expected " << expected;
                ++codes[expected];
            }
            // Tally the run lengths the band exercises.
            for (int x = 1, end; x < kFrameWidth - 1; x = end) {
                end = x + 1;
                while (end < kFrameWidth - 1 && frame.At(end, y) == frame.At(x, y)) ++end;
                const int n = end - x;
                ++widthClasses[n < 4 ? 0 : n < 16 ? 1 : n < 64 ? 2 : n < 256 ? 3 : 4];
            }
        }
        // Nothing visible above the band; the row just below it is the
        // decoder's extra row (the display area ends one past the band).
        EXPECT_GE(picture->y, band.top);
        EXPECT_LE(picture->y + picture->h, band.top + band.rows + 1);

        EXPECT_EQ(picture->paletteEntry[kCodeText], indices.text);
        EXPECT_EQ(picture->paletteEntry[kCodeOutline], indices.outline);
        EXPECT_EQ(picture->paletteEntry[kCodeAntialias], indices.antialias);
        EXPECT_EQ(picture->argb[kCodeBackground] >> 24, 0u);  // transparent
        for (int code = 1; code < 4; ++code) EXPECT_EQ(picture->argb[size_t(code)] >> 24, 0xFFu);
    }
    for (int n : widthClasses) EXPECT_GT(n, 20);
    for (int n : codes) EXPECT_GT(n, 100);
}

TEST_F(DecoderRoundTrip, DecoderShowsTheUnitAtOnceAndHidesItAfterTheDisplayTime) {
    Frame frame(kFrameWidth, kPalHeight);
    test::DrawTextBand(frame, 300, 40, 9);
    DvdSubDecoder decoder;
    for (int64_t ms : {50, 2000, 4321}) {
        const auto picture =
            decoder.Decode(EncodeSubPicture(frame, 300, 40, RoleIndices{1, 2, 3, 0}, test::kBandColours, ms));
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->startMs, 0);
        // The decoder counts display time in units of 1024/90 ms.
        EXPECT_EQ(picture->endMs, int64_t(DisplayTimeUnits(ms)) * 1024 / 90);
    }
}

TEST_F(DecoderRoundTrip, EdgeRowsAndEveryCodeWidthDecode) {
    // Rows built from runs of exact lengths at the code-width limits.
    Frame frame(kFrameWidth, kPalHeight);
    const Rgb colours[4] = {kPureBlue, test::kBandText, test::kBandOutline, test::kBandAntialias};
    const int lengths[] = {1, 3, 4, 15, 16, 63, 64, 255, 256, 510, 511};
    for (int row = 0; row < 11; ++row) {
        const int y = 200 + row;
        int x = 1;
        for (int i = 0; x < kFrameWidth; ++i) {
            const int n = lengths[(row + i) % 11];
            for (int k = 0; k < n && x < kFrameWidth; ++k) frame.Set(x++, y, colours[(row + i) % 4]);
        }
    }
    frame.Set(0, 205, test::kBandText);  // pixel 0 differs from pixel 1
    DvdSubDecoder decoder;
    const auto picture =
        decoder.Decode(EncodeSubPicture(frame, 200, 11, RoleIndices{1, 2, 3, 0}, test::kBandColours, 1000));
    ASSERT_TRUE(picture.has_value());
    for (int y = 200; y < 211; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            ASSERT_EQ(picture->CodeAt(x, y), ExpectedCode(frame, y, x, test::kBandColours))
                << "row " << y << " column " << x;
}

}  // namespace
}  // namespace glyphon
