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

TEST(PaletteEntry, GreyTestLooksAtTheColourDifferenceDigitsOnly) {
    EXPECT_TRUE(IsGreyEntry("00EB8080"));
    EXPECT_TRUE(IsGreyEntry("01EB8080"));  // reserved byte ignored
    EXPECT_FALSE(IsGreyEntry("00EB8081"));
    EXPECT_FALSE(IsGreyEntry("00000000"));
    EXPECT_EQ(EntryLuminance("01EB8080"), 0xEB);
    EXPECT_EQ(EntryText(0x01eb8080), "01EB8080");
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

}  // namespace
}  // namespace glyphon
