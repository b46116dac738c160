#include <gtest/gtest.h>

#include <clocale>

#include "common/Convert.h"
#include "support/BuiltLocale.h"

namespace glyphon {

TEST(Convert, IntegerAcceptsBlanksAndSignOnly) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -13"), -13);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "-", "1 ", "1a", "0x10", "$10", "2147483648", "1.0"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << bad;
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(Convert, FloatUsesFullStopOnly) {
    EXPECT_DOUBLE_EQ(StrToFloat("25.000"), 25.0);
    EXPECT_DOUBLE_EQ(StrToFloat(" 23.976 "), 23.976);
    EXPECT_THROW(StrToFloat("25,000"), ConvertError);
    EXPECT_THROW(StrToFloat("nan"), ConvertError);
    try {
        StrToFloat("x");
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
    }
}

// The window's toolkit switches the process to the user's locale; a decimal
// comma there must not change what a number in a file means.
TEST(Convert, FloatUsesFullStopUnderADecimalCommaLocale) {
    test::BuiltLocale german("de_DE", "UTF-8", "de_DE.UTF-8");
    ASSERT_TRUE(german.Active());
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_DOUBLE_EQ(StrToFloat("25.000"), 25.0);
    EXPECT_DOUBLE_EQ(StrToFloat("+23.976"), 23.976);
    EXPECT_DOUBLE_EQ(StrToFloat("-1.5e1"), -15.0);
    EXPECT_THROW(StrToFloat("25,000"), ConvertError);
    EXPECT_THROW(StrToFloat("+-1"), ConvertError);
    EXPECT_FALSE(StrToBool("0.0"));
    EXPECT_TRUE(StrToBool("0.5"));
}

TEST(Convert, BooleanIsNonZeroNumberOrTrueFalseInAnyCase) {
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_TRUE(StrToBool("2"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_TRUE(StrToBool("TRUE"));
    EXPECT_FALSE(StrToBool("False"));
    try {
        StrToBool("yes");
        ADD_FAILURE();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'yes' is not a valid boolean value");
    }
}

TEST(Convert, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(4.5), 4);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-226.816), -227);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(WithFullStop("Error"), "Error.");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
}

}  // namespace glyphon
