#include <gtest/gtest.h>

#include "subtitle/Subtitle.h"

namespace glyphon {
namespace {

TEST(SubtitleList, NewListIsEmptyAndNotLoaded) {
    TSubtitle s;
    EXPECT_EQ(s.Count(), 0);
    EXPECT_FALSE(s.Loaded);
}

TEST(SubtitleList, AddAppendsAndGetLineReturnsTheFieldsInOrder) {
    TSubtitle s;
    s.Add(1, 2, "a", "b", "c");
    s.Add(3, 4, "d", "e", "f");
    ASSERT_EQ(s.Count(), 2);
    const SubtitleLine last = s.GetLine(s.Count());
    EXPECT_EQ(last.start, 3);
    EXPECT_EQ(last.end, 4);
    EXPECT_EQ(last.Line1, "d");
    EXPECT_EQ(last.Line2, "e");
    EXPECT_EQ(last.Line3(), "f");
    EXPECT_EQ(s.GetLine(1).Line1, "a");
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
}

TEST(StripTags, OnlyTheFirstOccurrenceOfEachTagGoes) {
    EXPECT_EQ(TSubtitle::StripTags("<i>one</i> and <i>two</i>"), "one and <i>two</i>");
    EXPECT_EQ(TSubtitle::StripTags("<b>a<b>b<b>c"), "a<b>b<b>c");
}

TEST(StripTags, NestedAndMixedCasePairsAllGo) {
    EXPECT_EQ(TSubtitle::StripTags("<B>bold <i>both</i></B>"), "bold both");
    EXPECT_EQ(TSubtitle::StripTags("<I>upper open, lower close</i>"), "upper open, lower close");
    EXPECT_EQ(TSubtitle::StripTags("<u><b><i><U><B><I>x</u></b></i></U></B></I>"), "x");
}

TEST(StripTags, OtherTagsAndBraceCodesStay) {
    const std::string font = "<font color=\"#ffff00\">yellow</font>";
    EXPECT_EQ(TSubtitle::StripTags(font), font);
    EXPECT_EQ(TSubtitle::StripTags("{y:i}<s>x</s><I >"), "{y:i}<s>x</s><I >");
    EXPECT_EQ(TSubtitle::StripTags(""), "");
}

TEST(StripTags, EachStepWorksOnThePreviousResultInTheFixedOrder) {
    // Removing "<u>" first forms an "<i>", whose turn comes later.
    EXPECT_EQ(TSubtitle::StripTags("<<u>i>"), "");
    // Removing "<i>" forms a "<u>", whose turn has passed.
    EXPECT_EQ(TSubtitle::StripTags("<<i>u>"), "<u>");
}

}  // namespace
}  // namespace glyphon
