#include <gtest/gtest.h>

#include <array>

#include "palette/Palette.h"

namespace glyphon {
namespace {

using Entries = std::array<uint32_t, 16>;

// Sixteen coloured entries (never grey) with the given entries put in.
Entries Coloured(std::initializer_list<std::pair<int, uint32_t>> put) {
    Entries e;
    e.fill(0x0051F05A);
    for (auto [n, v] : put) e[size_t(n)] = v;
    return e;
}

TEST(PaletteEntry, EntryTextIsTheFourStoredBytesInUpperCaseHex) {
    EXPECT_EQ(EntryText(0x00EB8080), "00EB8080");
    EXPECT_EQ(EntryText(0x01EB8080), "01EB8080");
    EXPECT_EQ(EntryText(0x0051f05a), "0051F05A");
    EXPECT_EQ(EntryText(0), "00000000");
}

TEST(PaletteEntry, GreyTestLooksAtTheColourDifferenceDigitsOnly) {
    EXPECT_TRUE(IsGreyEntry("00EB8080"));
    EXPECT_TRUE(IsGreyEntry("01EB8080"));  // reserved byte ignored
    EXPECT_FALSE(IsGreyEntry("00EB8081"));
    EXPECT_FALSE(IsGreyEntry("00000000"));
    EXPECT_EQ(EntryLuminance("01EB8080"), 0xEB);
}

TEST(PaletteEntry, LuminanceBandsMeetAt70And200) {
    EXPECT_EQ(BandOf(0), LuminanceBand::Dark);
    EXPECT_EQ(BandOf(70), LuminanceBand::Dark);
    EXPECT_EQ(BandOf(71), LuminanceBand::Middle);
    EXPECT_EQ(BandOf(200), LuminanceBand::Middle);
    EXPECT_EQ(BandOf(201), LuminanceBand::Bright);
    EXPECT_EQ(BandOf(255), LuminanceBand::Bright);
}

TEST(PickDefaultRoles, EachBandTakesItsFirstGreyInPaletteOrder) {
    const DefaultRoles r = PickDefaultRoles(Coloured({{1, 0x00108080}, {2, 0x00808080}, {3, 0x00EB8080}}));
    EXPECT_TRUE(r.Polychromatic());
    EXPECT_EQ(r.dark, 1);
    EXPECT_EQ(r.middle, 2);
    EXPECT_EQ(r.bright, 3);

    // Band limits, and two greys in one band: the lower index wins.
    const DefaultRoles limits = PickDefaultRoles(Coloured({{4, 0x00C98080},     // 201 bright
                                                           {5, 0x00C88080},     // 200 middle
                                                           {6, 0x00478080},     // 71 middle
                                                           {7, 0x00468080},     // 70 dark
                                                           {9, 0x00008080}}));  // 0 dark
    EXPECT_EQ(limits.bright, 4);
    EXPECT_EQ(limits.middle, 5);
    EXPECT_EQ(limits.dark, 7);
}

TEST(PickDefaultRoles, ReservedByteDoesNotMatterAndColouredEntriesAreNeverTaken) {
    const DefaultRoles r =
        PickDefaultRoles(Coloured({{0, 0x00EB8081}, {1, 0x00108080}, {2, 0x00808080}, {3, 0x01EB8080}}));
    EXPECT_EQ(r.bright, 3);
    EXPECT_TRUE(r.Polychromatic());
}

TEST(PickDefaultRoles, PalettesWithoutAGreyInEveryBandAreNotPolychromatic) {
    Entries zero{};
    EXPECT_FALSE(PickDefaultRoles(zero).Polychromatic());  // "0000" is not grey
    const DefaultRoles two = PickDefaultRoles(Coloured({{0, 0x00108080}, {1, 0x00808080}}));
    EXPECT_FALSE(two.Polychromatic());
    EXPECT_FALSE(two.bright);
}

TEST(GenericPalette, FourGreysThenTwelveBlackEntries) {
    const auto& g = GenericPalette();
    const char* texts[] = {"000", "858585", "170170170", "255255255"};
    for (int n = 0; n < 4; ++n) {
        const uint8_t v = uint8_t(85 * n);
        EXPECT_EQ(g[size_t(n)].color, (Rgb{v, v, v}));
        EXPECT_EQ(g[size_t(n)].entryText, texts[n]);
        EXPECT_EQ(g[size_t(n)].labelShift, 1);
    }
    for (size_t n = 4; n < 16; ++n) {
        EXPECT_EQ(g[n].color, (Rgb{0, 0, 0}));
        EXPECT_EQ(g[n].entryText, "000000");
        EXPECT_EQ(g[n].labelShift, 0);
    }
    // They are what the disc's entries Y 00, 55, AA, FF without colour
    // difference display as, so the roles come out right on the disc.
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(DisplayColor(uint32_t(0x55 * n) << 16 | 0x8080), g[size_t(n)].color);
}

}  // namespace
}  // namespace glyphon
