#include <gtest/gtest.h>

#include "common/Convert.h"
#include "palette/ColorConversion.h"

namespace glyphon {
namespace {

uint32_t Entry(int y, int cr, int cb) { return uint32_t(y) << 16 | uint32_t(cr) << 8 | uint32_t(cb); }

TEST(YCrCbToRGB, NoColourDifferenceGivesTheLuminanceOnAllThree) {
    EXPECT_EQ(YCrCbToRGB(Entry(235, 128, 128)), (Rgb{235, 235, 235}));
    EXPECT_EQ(YCrCbToRGB(Entry(16, 128, 128)), (Rgb{16, 16, 16}));
    // The generic greys as the disc stores them.
    EXPECT_EQ(YCrCbToRGB(Entry(0x55, 0x80, 0x80)), (Rgb{85, 85, 85}));
    EXPECT_EQ(YCrCbToRGB(Entry(0xAA, 0x80, 0x80)), (Rgb{170, 170, 170}));
    EXPECT_EQ(YCrCbToRGB(Entry(0xFF, 0x80, 0x80)), (Rgb{255, 255, 255}));
}

TEST(YCrCbToRGB, FullRangeFormulasWithoutVideoOffset) {
    EXPECT_EQ(YCrCbToRGB(Entry(81, 240, 90)), (Rgb{238, 14, 14}));
}

TEST(YCrCbToRGB, ReservedByteIsIgnored) {
    EXPECT_EQ(YCrCbToRGB(0xFF000000u | Entry(81, 240, 90)), YCrCbToRGB(Entry(81, 240, 90)));
}

TEST(YCrCbToRGB, OutOfRangeComponentsWrapModulo256InsteadOfClamping) {
    // blue = 433.464 -> 433 -> 177
    EXPECT_EQ(YCrCbToRGB(Entry(235, 128, 240)), (Rgb{235, 196, 177}));
    // blue = -226.816 -> -227 -> 29
    EXPECT_EQ(YCrCbToRGB(Entry(0, 128, 0)).b, 29);
    // blue = 31 + 127 * 1.772 = 256.044 -> 256 -> 0
    EXPECT_EQ(YCrCbToRGB(Entry(31, 128, 255)).b, 0);
}

TEST(YCrCbToRGB, ExactHalvesRoundToTheEvenNeighbour) {
    // 125 * 1.772 = 221.5 in extended precision
    EXPECT_EQ(YCrCbToRGB(Entry(16, 128, 253)).b, 238);  // 237.5 -> 238
    EXPECT_EQ(YCrCbToRGB(Entry(17, 128, 253)).b, 238);  // 238.5 -> 238
}

TEST(HexToInt, ReadsHexWithOrWithoutDollarSign) {
    EXPECT_EQ(HexToInt("EB"), 235);
    EXPECT_EQ(HexToInt("$EB"), 235);
    EXPECT_EQ(HexToInt("eb"), 235);
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(HexToInt("00000000EB"), 235);  // leading zeros do not overflow
}

TEST(HexToInt, TextThatIsNotHexRaisesError) {
    for (const char* bad : {"G1", "$", "1G", " EB", "-1", "100000000"}) {
        try {
            HexToInt(bad);
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_STREQ(e.what(), "Error") << bad;
        }
    }
}

}  // namespace
}  // namespace glyphon
