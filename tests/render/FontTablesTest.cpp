#include <gtest/gtest.h>

#include "render/FontTables.h"
#include "support/BuiltLocale.h"

namespace glyphon {

TEST(FontTables, ListsHoldTheirItemsInStoredOrder) {
    EXPECT_EQ(FontStyleItems(),
              (std::vector<std::string>{"Normal", "Bold", "Italic", "Underline", "Bold+Italic", "Bold+Under",
                                        "Bold+It+Und", "Italic+Under", "StrikeOut"}));
    ASSERT_EQ(FontCharsetItems().size(), 20u);
    EXPECT_EQ(FontCharsetItems()[0], "ANSI");
    EXPECT_EQ(FontCharsetItems()[4], "DEFAULT");
    EXPECT_EQ(FontCharsetItems()[15], "SYMBOL");
    EXPECT_EQ(FontCharsetItems()[18], "VIETNAMESE");
    EXPECT_EQ(FontCharsetItems()[19], "UTF-8");
    ASSERT_EQ(FontSizeItems().size(), 35u);
    EXPECT_EQ(FontSizeItems()[14], "20");
    EXPECT_EQ(FontSizeItems()[24], "30");
    EXPECT_EQ(FontSizeItems()[25], "32");
    EXPECT_EQ(FontSizeItems()[34], "50");
    EXPECT_EQ(OutlineWidthItems(), (std::vector<std::string>{"2", "3", "4"}));
    EXPECT_EQ(AlignItems(), (std::vector<std::string>{"center", "left", "right"}));
    EXPECT_EQ(ColorItems()[10], "Color 10");
}

TEST(FontTables, EveryStyleNameGivesItsStyleSet) {
    const int expected[] = {0,
                            kBold,
                            kItalic,
                            kUnderline,
                            kBold | kItalic,
                            kBold | kUnderline,
                            kBold | kItalic | kUnderline,
                            kItalic | kUnderline,
                            kStrikeOut};
    for (size_t i = 0; i < FontStyleItems().size(); ++i)
        EXPECT_EQ(StyleFromName(FontStyleItems()[i]), expected[i]) << FontStyleItems()[i];
    EXPECT_EQ(StyleFromName("Italic+Under"), 6);  // not 5
    EXPECT_EQ(StyleFromName("bold"), 0);          // case-sensitive
    EXPECT_EQ(StyleFromName(""), 0);
}

TEST(FontTables, CharsetNamesGiveGdiNumbers) {
    EXPECT_EQ(CharsetFromName("DEFAULT"), 1);
    EXPECT_EQ(CharsetFromName("ANSI"), 0);
    EXPECT_EQ(CharsetFromName("SYMBOL"), 2);
    EXPECT_EQ(CharsetFromName("OEM"), 255);
    EXPECT_EQ(CharsetFromName("MAC"), 77);
    EXPECT_EQ(CharsetFromName("RUSSIAN"), 204);
    EXPECT_EQ(CharsetFromName(""), 1);
    EXPECT_EQ(CharsetFromName("default"), 1);
    EXPECT_EQ(CodePageOf(CharsetFromName("DEFAULT")), "CP1252");
    EXPECT_EQ(CodePageOf(CharsetFromName("OEM")), "CP437");
    EXPECT_EQ(CodePageOf(CharsetFromName("MAC")), "MACINTOSH");
    EXPECT_EQ(CodePageOf(CharsetFromName("SYMBOL")), "");
}

TEST(FontTables, FontNameListStartsWithArialAndSortsWithoutCase) {
    const auto list =
        BuildFontNameList({"zeta", "Liberation Sans", "Arial", "alpha", "Liberation Sans", "DejaVu Sans"});
    EXPECT_EQ(list, (std::vector<std::string>{"Arial", "alpha", "Arial", "Default", "DejaVu Sans",
                                              "Liberation Sans", "zeta"}));
    EXPECT_EQ(BuildFontNameList({}), (std::vector<std::string>{"Arial", "Default"}));
}

// Only A to Z are folded: in a Latin-1 locale the C library would also fold
// byte C4 (A umlaut) to E4 (a umlaut) and so sort "<C4>x" behind "<E4>b".
TEST(FontTables, FontNameListOrderDoesNotDependOnTheLocale) {
    const std::vector<std::string> families = {
        "\xE4"
        "b",
        "\xC4"
        "x",
        "Zed"};
    const auto inC = BuildFontNameList(families);
    EXPECT_EQ(inC, (std::vector<std::string>{"Arial", "Default", "Zed",
                                             "\xC4"
                                             "x",
                                             "\xE4"
                                             "b"}));
    test::BuiltLocale latin1("de_DE", "ISO-8859-1", "de_DE.ISO-8859-1");
    ASSERT_TRUE(latin1.Active());
    EXPECT_EQ(BuildFontNameList(families), inC);
}

}  // namespace glyphon
