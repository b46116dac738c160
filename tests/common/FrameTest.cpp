// Making a frame blue again rewrites only the rows written since it was last
// blue; whatever wrote them, the result is a wholly blue frame.
#include <gtest/gtest.h>

#include "common/Rgb.h"

namespace glyphon {
namespace {

const Frame kBlue(kFrameWidth, kPalHeight);
constexpr Rgb kRed{255, 0, 0};

TEST(FrameTest, BlueAgainAfterWritesThroughEveryAccessor) {
    Frame f(kFrameWidth, kPalHeight);
    f.Set(3, 100, kRed);
    f.Row(575)[719] = kRed.Packed();
    f.Row(0)[0] = kRed.Packed();
    f.Reset(kFrameWidth, kPalHeight);
    EXPECT_EQ(f, kBlue);

    f.Pixels()[kFrameWidth * 300 + 5] = kRed.Packed();
    f.Fill(kPureBlue);
    EXPECT_EQ(f, kBlue);

    // Two drawings in a row: the second starts from blue wherever the first drew.
    f.Set(10, 200, kRed);
    f.Reset(kFrameWidth, kPalHeight);
    f.Set(10, 400, kRed);
    f.Reset(kFrameWidth, kPalHeight);
    EXPECT_EQ(f, kBlue);
}

TEST(FrameTest, BlueAgainAfterAnotherColourOrACopiedPicture) {
    Frame f(kFrameWidth, kPalHeight, kRed);
    f.Fill(kPureBlue);
    EXPECT_EQ(f, kBlue);

    Frame picture(kFrameWidth, kPalHeight);
    picture.Set(7, 7, kRed);
    f = picture;
    EXPECT_EQ(f.At(7, 7), kRed);
    f.Reset(kFrameWidth, kPalHeight);
    EXPECT_EQ(f, kBlue);

    // A new size makes a new frame: NTSC after PAL.
    f.Set(1, 1, kRed);
    f.Reset(kFrameWidth, kNtscHeight);
    EXPECT_EQ(f, Frame(kFrameWidth, kNtscHeight));
}

}  // namespace
}  // namespace glyphon
