// Our colour keywords against Qt's own table of the same (SVG) names.
#include <gtest/gtest.h>

#include <QColor>
#include <QStringList>

#include "palette/ColorNames.h"

namespace glyphon::test {

TEST(ColorNamesAgainstQt, EveryKeywordHasQtsColour) {
    const QStringList qtNames = QColor::colorNames();
    size_t matched = 0;
    for (const QString& name : qtNames) {
        if (name == "transparent") continue;
        const QColor qt = QColor::fromString(name);
        const auto ours = ParseColor(name.toStdString());
        ASSERT_TRUE(ours) << name.toStdString();
        EXPECT_EQ(*ours, (Rgb{uint8_t(qt.red()), uint8_t(qt.green()), uint8_t(qt.blue())}))
            << name.toStdString();
        ++matched;
    }
    // Qt's table may predate rebeccapurple; every other keyword is in it.
    const bool qtHasRebecca = qtNames.contains("rebeccapurple");
    EXPECT_EQ(matched + (qtHasRebecca ? 0 : 1), ColorKeywords().size());
}

}  // namespace glyphon::test
