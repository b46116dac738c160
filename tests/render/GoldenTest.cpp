// Whole frames compared pixel for pixel with stored images drawn with
// Liberation Sans (the face behind "Arial").
//
// The stored images are tests/data/render/*.golden: a text header
// "glyphon-golden 1 <width> <height> <first row> <row count>", then one line
// per row from the first row on, one character per pixel: '.' background
// (pure blue), 'o' outline, 'a' antialias, '#' text. Rows outside the stored
// ones are all background. They depend on the FreeType and Liberation
// versions installed; after a deliberate change, or an upgrade of either,
// regenerate them with scripts/update-goldens (which runs this test with
// GLYPHON_UPDATE_GOLDENS=1) and look at the difference before committing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "render/FontTables.h"
#include "render/Renderer.h"

namespace glyphon {
namespace {

constexpr Rgb kOutline{0, 0, 0}, kAntialias{128, 128, 128}, kText{255, 255, 255};

std::string Encode(const Frame& f) {
    int first = -1, last = -1;
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x)
            if (f.At(x, y) != kPureBlue) {
                if (first < 0) first = y;
                last = y;
            }
    if (first < 0) first = last = 0;
    std::ostringstream out;
    out << "glyphon-golden 1 " << f.Width() << ' ' << f.Height() << ' ' << first << ' ' << (last - first + 1)
        << '\n';
    for (int y = first; y <= last; ++y) {
        for (int x = 0; x < f.Width(); ++x) {
            const Rgb c = f.At(x, y);
            out << (c == kPureBlue    ? '.'
                    : c == kOutline   ? 'o'
                    : c == kAntialias ? 'a'
                    : c == kText      ? '#'
                                      : '?');
        }
        out << '\n';
    }
    return out.str();
}

struct GoldenCase {
    const char* name;
    const char* line1;
    const char* line2;
    FontSpec font;
    int frameHeight, offset, offsetOr, outlineWidth;
    const char* align;
};

void CheckGolden(const GoldenCase& c) {
    Frame frame(kFrameWidth, c.frameHeight);
    SubtitleLook look;
    look.font = c.font;
    look.offset = c.offset;
    look.offsetOr = c.offsetOr;
    look.outlineWidth = c.outlineWidth;
    look.align = AlignmentOf(c.align);
    look.colors = {kOutline, kAntialias, kText};
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    DrawSubtitle(frame, *engine, c.line1, c.line2, look);
    const std::string actual = Encode(frame);
    const std::string path = std::string(GLYPHON_TEST_DATA) + "/render/" + c.name + ".golden";
    if (const char* update = std::getenv("GLYPHON_UPDATE_GOLDENS"); update && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << path << ": run scripts/update-goldens";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_TRUE(expected.str() == actual) << c.name << " differs from " << path;
}

TEST(Golden, SampleLinesCentredOnPal) {
    CheckGolden({"sample_pal_center", "Rethymno.", "Crete Hellas", FontSpec{"Arial", 20, kDefaultCharset, 0},
                 kPalHeight, 30, -4, 3, "center"});
}

TEST(Golden, BoldItalicUnderlinedLeftOnNtscWithThinOutline) {
    CheckGolden({"bolditund_ntsc_left", "Bold+It+Und 32", "Kalimera, Chania!",
                 FontSpec{"Arial", 32, kDefaultCharset, kBold | kItalic | kUnderline}, kNtscHeight, 60, 0, 2,
                 "left"});
}

TEST(Golden, StrikeOutRightWithWideOutlineAndAccents) {
    CheckGolden({"strikeout_pal_right", "Cr\xE8te \xE9t\xE9 \xC5ngstr\xF6m", "",
                 FontSpec{"Arial", 14, kAnsiCharset, kStrikeOut}, kPalHeight, 8, -14, 4, "right"});
}

TEST(Golden, OverlappingSecondLineAndGreekBytes) {
    CheckGolden({"greek_overlap_pal", "\xCA\xF1\xDE\xF4\xE7", "\xC5\xEB\xEB\xDC\xE4\xE1",
                 FontSpec{"Arial", 26, 161, kBold}, kPalHeight, 100, 10, 3, "center"});
}

}  // namespace
}  // namespace glyphon
