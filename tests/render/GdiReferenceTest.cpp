// The FreeType engine against the Windows text API: line heights (tmHeight),
// line widths, and the pixels of one TextOut of "Arial" (Liberation Sans),
// underline and strike-out included, at the sizes of the size list, recorded
// by tools/gdi-reference/run.sh under Wine into tests/data/gdi/.
//
// Wine is GDI re-implemented on FreeType, and one of its answers contradicts
// its own drawing: GetTextExtentPoint32 adds up grey-level advances while
// TextOut steps unsmoothed glyphs by the black-and-white advances. The engine
// follows the drawing; the recorded extents are kept as data and the tests
// below say exactly where they show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "render/Decoration.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {
namespace {

TextEngine& Engine() {
    static std::unique_ptr<TextEngine> engine = CreateFreeTypeEngine();
    return *engine;
}

struct FontRecord {
    int points = 0, em = 0, style = 0, charset = 0;
    int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0;
    int underscorePosition = 0, underscoreSize = 0, strikeoutPosition = 0, strikeoutSize = 0;
    std::string family;
};

struct AdvanceRecord {
    int points = 0, style = 0, charset = 0;
    int advance[256] = {};  // GetTextExtentPoint32 of the byte alone, from 0x20
};

struct MeasureRecord {
    int points = 0, style = 0, charset = 0;
    std::string text;
    int tmHeight = 0, cx = 0, cy = 0;
    int drawn = -1;  // how far TextOut advances over the text
};

struct BitmapRecord {
    int points = 0, style = 0, charset = 0;
    std::string text;
    int left = 0, top = 0, width = 0, height = 0, gray = 0;
    std::vector<std::string> rows;

    bool Set(int x, int y) const {  // cell coordinates
        x -= left, y -= top;
        return x >= 0 && y >= 0 && x < width && y < height && rows[size_t(y)][size_t(x)] == '#';
    }
};

struct Reference {
    std::vector<FontRecord> fonts;
    std::vector<AdvanceRecord> advances;
    std::vector<MeasureRecord> measures;
    std::vector<BitmapRecord> bitmaps;
};

std::string FromHex(const std::string& hex) {
    if (hex == "-") return {};
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The second quoted field of a font record: the family name of the file used.
std::string SecondQuoted(const std::string& line) {
    size_t q = line.find('"');
    for (int i = 0; i < 2 && q != std::string::npos; ++i) q = line.find('"', q + 1);
    if (q == std::string::npos) return {};
    const size_t end = line.find('"', q + 1);
    return end == std::string::npos ? std::string() : line.substr(q + 1, end - q - 1);
}

const Reference& Data() {
    static const Reference data = [] {
        Reference r;
        std::ifstream measures(GLYPHON_TEST_DATA "/gdi/arial.txt");
        std::string line;
        while (std::getline(measures, line)) {
            std::istringstream in(line);
            std::string kind, hex;
            in >> kind;
            if (kind == "F") {
                FontRecord f;
                in >> f.points >> f.em >> f.style >> f.charset >> f.tmHeight >> f.tmAscent >> f.tmDescent >>
                    f.tmInternalLeading >> f.underscorePosition >> f.underscoreSize >> f.strikeoutPosition >>
                    f.strikeoutSize;
                f.family = SecondQuoted(line);
                r.fonts.push_back(f);
            } else if (kind == "A") {
                AdvanceRecord a;
                in >> a.points >> a.style >> a.charset;
                for (int b = 0x20; b <= 0xFF; ++b) in >> a.advance[b];
                r.advances.push_back(a);
            } else if (kind == "M") {
                MeasureRecord m;
                int ascent, descent;
                in >> m.points >> m.style >> m.charset >> hex >> m.tmHeight >> ascent >> descent >> m.cx >>
                    m.cy >> m.drawn;
                m.text = FromHex(hex);
                r.measures.push_back(m);
            }
        }
        for (const char* file : {"/gdi/arial-bitmaps.txt", "/gdi/arial-decorations.txt"}) {
            std::ifstream bitmaps(std::string(GLYPHON_TEST_DATA) + file);
            while (std::getline(bitmaps, line)) {
                std::istringstream in(line);
                std::string kind, hex;
                in >> kind;
                if (kind != "B") continue;
                BitmapRecord b;
                in >> b.points >> b.style >> b.charset >> hex >> b.left >> b.top >> b.width >> b.height >>
                    b.gray;
                b.text = FromHex(hex);
                for (int y = 0; y < b.height && std::getline(bitmaps, line); ++y) b.rows.push_back(line);
                r.bitmaps.push_back(b);
            }
        }
        return r;
    }();
    return data;
}

FontSpec Arial(int points, int style, int charset) { return FontSpec{"Arial", points, charset, style}; }

std::string Name(int points, int style, int charset, const std::string& text) {
    std::string s = std::to_string(points) + "pt style " + std::to_string(style) + " charset " +
                    std::to_string(charset) + " \"";
    for (unsigned char c : text) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
        s += buffer;
    }
    return s + '"';
}

// Pixels set only by the engine and only by GDI in one drawing; `except`
// leaves a region out.
struct PixelDiff {
    int onlyOurs = 0, onlyGdi = 0, both = 0;
};

template <typename Except>
PixelDiff Compare(const BitmapRecord& b, const LineMask& mask, Except except) {
    const int x0 = std::min(b.left, mask.left), y0 = std::min(b.top, mask.top);
    const int x1 = std::max(b.left + b.width, mask.left + mask.width);
    const int y1 = std::max(b.top + b.height, mask.top + mask.height);
    // GDI cuts glyphs at the text cell; the engine keeps their ink.
    const int cell = Engine().MeasureLine(b.text, Arial(b.points, b.style, b.charset)).height;
    PixelDiff d;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            if (except(x, y)) continue;
            const bool gdi = b.Set(x, y), ours = mask.Test(x - mask.left, y - mask.top);
            if (ours && !gdi && (y < 0 || y >= cell)) continue;
            d.onlyOurs += ours && !gdi;
            d.onlyGdi += gdi && !ours;
            d.both += gdi && ours;
        }
    return d;
}

LineMask Draw(const BitmapRecord& b) {
    LineMask mask;
    Engine().DrawLineMask(b.text, Arial(b.points, b.style, b.charset), mask);
    return mask;
}

const FontRecord* FindFont(int points, int style, int charset) {
    for (const FontRecord& f : Data().fonts)
        if (f.points == points && f.style == style && f.charset == charset) return &f;
    return nullptr;
}

const MeasureRecord* FindMeasure(int points, int style, int charset, const std::string& text) {
    for (const MeasureRecord& m : Data().measures)
        if (m.points == points && m.style == style && m.charset == charset && m.text == text) return &m;
    return nullptr;
}

TEST(GdiReference, DataIsLiberationSansDrawnUnsmoothed) {
    const Reference& r = Data();
    ASSERT_GE(r.fonts.size(), 315u);  // every style at every size
    ASSERT_GE(r.advances.size(), 140u);
    ASSERT_GE(r.measures.size(), 900u);
    ASSERT_GE(r.bitmaps.size(), 220u);
    for (const FontRecord& f : r.fonts) {
        EXPECT_EQ(f.family, "Liberation Sans") << f.points;
        EXPECT_EQ(f.em, PixelEmHeight(f.points)) << f.points;
        EXPECT_EQ(f.tmHeight, f.tmAscent + f.tmDescent) << f.points;
    }
    for (const MeasureRecord& m : r.measures)
        EXPECT_GT(m.drawn, 0) << Name(m.points, m.style, m.charset, m.text);
    for (const BitmapRecord& b : r.bitmaps)
        EXPECT_EQ(b.gray, 0) << Name(b.points, b.style, b.charset, b.text);
}

TEST(GdiReference, LineHeightIsTmHeightAtEverySizeAndStyle) {
    for (const FontRecord& f : Data().fonts)
        EXPECT_EQ(Engine().MeasureLine("x", Arial(f.points, f.style, f.charset)).height, f.tmHeight)
            << Name(f.points, f.style, f.charset, "");
    for (const MeasureRecord& m : Data().measures)
        EXPECT_EQ(m.cy, m.tmHeight) << Name(m.points, m.style, m.charset, m.text);
}

// The width of a line is how far TextOut advances over it: the sum of the
// black-and-white hinted advances, no kerning. Every recorded line, every
// size and style.
TEST(GdiReference, WidthIsHowFarTextOutAdvances) {
    for (const MeasureRecord& m : Data().measures)
        EXPECT_EQ(Engine().MeasureLine(m.text, Arial(m.points, m.style, m.charset)).width, m.drawn)
            << Name(m.points, m.style, m.charset, m.text);
}

// GetTextExtentPoint32 under Wine 8 adds up advances from FreeType's
// grey-level hinting, which ignores the font's instructions for advance
// widths: the extent is the sum of the single characters' extents (no
// kerning), and so differs from the drawn width wherever a character's two
// advances differ, either way. The engine does not follow it (the fit check,
// centring and the decoration rules would disagree with the drawing); these
// are the differences as recorded.
TEST(GdiReference, GetTextExtentPoint32AddsUpGreyLevelAdvances) {
    const Reference& r = Data();
    int wider = 0, narrower = 0, most = 0;
    for (const MeasureRecord& m : r.measures) {
        const AdvanceRecord* a = nullptr;
        for (const AdvanceRecord& candidate : r.advances)
            if (candidate.points == m.points && candidate.style == (m.style & (kBold | kItalic)) &&
                candidate.charset == kDefaultCharset)
                a = &candidate;
        ASSERT_NE(a, nullptr) << Name(m.points, m.style, m.charset, m.text);
        int sum = 0;
        for (const char& c : m.text.empty() ? std::string(" ") : m.text) sum += a->advance[uint8_t(c)];
        EXPECT_EQ(m.cx, sum) << Name(m.points, m.style, m.charset, m.text);
        wider += m.cx > m.drawn;
        narrower += m.cx < m.drawn;
        most = std::max(most, std::abs(m.cx - m.drawn));
    }
    EXPECT_EQ(r.measures.size(), 915u);
    EXPECT_EQ(wider, 371);
    EXPECT_EQ(narrower, 92);
    EXPECT_EQ(most, 19);  // the pangram in bold at 50 points
}

// Every drawing without underline or strike-out, pixel for pixel. This
// includes glyph parts below the descent (the tails of the bold "g", "j" and
// "y" at 8 and 12 points), which TextOut clips to the cell, and the dropout
// pixel of the bold o-slash's tail at 20 points, which it keeps in the
// outline's box rounded outwards.
TEST(GdiReference, OneDrawingSetsTheSamePixelsAsTextOut) {
    int compared = 0;
    for (const BitmapRecord& b : Data().bitmaps) {
        if (b.style & (kUnderline | kStrikeOut)) continue;  // DecorationsAreDrawnAsByTextOut
        const PixelDiff d = Compare(b, Draw(b), [](int, int) { return false; });
        ++compared;
        EXPECT_TRUE(d.onlyOurs == 0 && d.onlyGdi == 0)
            << Name(b.points, b.style, b.charset, b.text) << ": " << d.both << " pixels agree, " << d.onlyOurs
            << " only ours, " << d.onlyGdi << " only GDI's";
    }
    EXPECT_GE(compared, 39);
}

// The rows GDI fills across a drawing from the pen's start to the end of the
// line's extent.
std::vector<int> RuleRowsDrawn(const BitmapRecord& b, int extent) {
    std::vector<int> rows;
    for (int y = b.top; y < b.top + b.height; ++y) {
        bool full = extent > 0;
        for (int x = 0; x < extent && full; ++x) full = b.Set(x, y);
        if (full) rows.push_back(y);
    }
    return rows;
}

// Underline and strike-out at every size, in every style of the style list
// that has them. GDI's rule is a band of otmsUnderscoreSize (otmsStrikeoutSize)
// rows, at least one, whose top is the baseline row less
// otmsUnderscorePosition (otmsStrikeoutPosition) less half the size; the
// engine's metrics are the ones GDI reports.
//
// The drawings are equal pixel for pixel except at the end of the rule: GDI
// draws it as long as its extent, the engine as long as the drawn line. Where
// the two differ, the rule rows of the columns between them are the one
// difference.
TEST(GdiReference, DecorationsAreDrawnAsByTextOut) {
    int compared = 0, longerRule = 0, shorterRule = 0;
    for (const BitmapRecord& b : Data().bitmaps) {
        if (!(b.style & (kUnderline | kStrikeOut))) continue;
        const std::string name = Name(b.points, b.style, b.charset, b.text);
        const FontRecord* f = FindFont(b.points, b.style, b.charset);
        const MeasureRecord* m = FindMeasure(b.points, b.style, b.charset, b.text);
        ASSERT_TRUE(f && m) << name;
        const RuleRows rule = b.style & kUnderline
                                  ? PlaceRule(f->tmAscent, f->underscorePosition, f->underscoreSize)
                                  : PlaceRule(f->tmAscent, f->strikeoutPosition, f->strikeoutSize);
        std::vector<int> expected;
        for (int y = rule.top; y < rule.top + rule.count; ++y) expected.push_back(y);
        EXPECT_EQ(RuleRowsDrawn(b, m->cx), expected) << name;

        const LineMask mask = Draw(b);
        const int ours = Engine().MeasureLine(b.text, Arial(b.points, b.style, b.charset)).width;
        ASSERT_EQ(ours, m->drawn) << name;
        const int x0 = std::min(ours, m->cx), x1 = std::max(ours, m->cx);
        auto ruleEnd = [&](int x, int y) {
            return x >= x0 && x < x1 && y >= rule.top && y < rule.top + rule.count;
        };
        const PixelDiff d = Compare(b, mask, ruleEnd);
        ++compared;
        EXPECT_TRUE(d.onlyOurs == 0 && d.onlyGdi == 0)
            << name << ": " << d.both << " pixels agree, " << d.onlyOurs << " only ours, " << d.onlyGdi
            << " only GDI's";
        // There the longer rule is whole.
        for (int y = rule.top; y < rule.top + rule.count; ++y)
            for (int x = x0; x < x1; ++x)
                EXPECT_TRUE(m->cx > ours ? b.Set(x, y) : mask.Test(x - mask.left, y - mask.top)) << name;
        longerRule += m->cx > ours;
        shorterRule += m->cx < ours;
    }
    EXPECT_EQ(compared, 185);
    // The rule's end is a difference in these many drawings (the extents
    // above), so the exception is exercised both ways.
    EXPECT_GT(longerRule, 0);
    EXPECT_GT(shorterRule, 0);
}

}  // namespace
}  // namespace glyphon
