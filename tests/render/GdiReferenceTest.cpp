// The FreeType engine against the Windows text API: line heights (tmHeight),
// line widths (GetTextExtentPoint32) and the pixels of one TextOut of "Arial"
// (Liberation Sans) at the sizes of the size list, recorded by
// tools/gdi-reference/run.sh under Wine into tests/data/gdi/.
//
// Wine is GDI re-implemented on FreeType, so a few of its answers are its own
// rather than Windows'. Cases where the engine and the recording disagree are
// listed below with the recorded size of the disagreement: they are skipped
// (with the reason) while the disagreement stays exactly that, pass once the
// two agree, and fail if the disagreement changes in any other way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
    int tmHeight = 0, tmAscent = 0, tmDescent = 0;
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
                in >> f.points >> f.em >> f.style >> f.charset >> f.tmHeight >> f.tmAscent >> f.tmDescent;
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
                    m.cy;
                m.text = FromHex(hex);
                r.measures.push_back(m);
            }
        }
        std::ifstream bitmaps(GLYPHON_TEST_DATA "/gdi/arial-bitmaps.txt");
        while (std::getline(bitmaps, line)) {
            std::istringstream in(line);
            std::string kind, hex;
            in >> kind;
            if (kind != "B") continue;
            BitmapRecord b;
            in >> b.points >> b.style >> b.charset >> hex >> b.left >> b.top >> b.width >> b.height >> b.gray;
            b.text = FromHex(hex);
            for (int y = 0; y < b.height && std::getline(bitmaps, line); ++y) b.rows.push_back(line);
            r.bitmaps.push_back(b);
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

const std::string kCp1252Text =
    "\x93"
    "Caf\xE9\x94 M\xFC\xDFig \xC5\xE6\xF8 \x80";
const std::string kPangram = "The quick brown fox jumps over the lazy dog";

// Pixels set only by the engine and only by GDI in one drawing.
struct PixelDiff {
    int onlyOurs = 0, onlyGdi = 0, both = 0;
    bool operator==(const PixelDiff& o) const { return onlyOurs == o.onlyOurs && onlyGdi == o.onlyGdi; }
};

PixelDiff Compare(const BitmapRecord& b) {
    LineMask mask;
    Engine().DrawLineMask(b.text, Arial(b.points, b.style, b.charset), mask);
    const int x0 = std::min(b.left, mask.left), y0 = std::min(b.top, mask.top);
    const int x1 = std::max(b.left + b.width, mask.left + mask.width);
    const int y1 = std::max(b.top + b.height, mask.top + mask.height);
    PixelDiff d;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const bool gdi = b.Set(x, y), ours = mask.Test(x - mask.left, y - mask.top);
            d.onlyOurs += ours && !gdi;
            d.onlyGdi += gdi && !ours;
            d.both += gdi && ours;
        }
    return d;
}

// Drawings known to differ, with the recorded difference.
struct KnownBitmapDifference {
    int points, style;
    const std::string* text;
    PixelDiff diff;
};

// Glyph parts below the descent (the tails of the bold "g", "j" and "y" at 8
// and 12 points): TextOut clips a glyph to the cell between tmAscent above and
// tmDescent below the baseline; the engine draws them one row below the cell.
const KnownBitmapDifference kClippedToCell[] = {
    {8, kBold, &kCp1252Text, {4, 0, 0}},
    {12, kBold, &kPangram, {10, 0, 0}},
    {12, kBold, &kCp1252Text, {4, 0, 0}},
};

// The bold o-slash at 20 points: its tail reaches 0.45 pixel below the
// baseline. TextOut rasterises into the outline's box rounded outwards and
// keeps the dropout pixel one row lower; FreeType's FT_Render_Glyph rounds the
// box to the nearest pixel and the pixel lands inside it.
const KnownBitmapDifference kDropoutRow[] = {
    {20, kBold, &kCp1252Text, {1, 1, 0}},
};

bool Matches(const BitmapRecord& b, const KnownBitmapDifference& k) {
    return b.points == k.points && b.style == k.style && b.charset == kDefaultCharset && b.text == *k.text;
}

// Compares the drawings in `known`; a drawing still showing exactly its
// recorded difference is collected into `stillDiffer`.
void CompareKnown(const KnownBitmapDifference* begin, const KnownBitmapDifference* end,
                  std::string& stillDiffer) {
    for (const KnownBitmapDifference* k = begin; k != end; ++k) {
        const BitmapRecord* record = nullptr;
        for (const BitmapRecord& b : Data().bitmaps)
            if (Matches(b, *k)) record = &b;
        ASSERT_NE(record, nullptr) << Name(k->points, k->style, kDefaultCharset, *k->text);
        const PixelDiff d = Compare(*record);
        const std::string name = Name(k->points, k->style, kDefaultCharset, *k->text);
        if (d.onlyOurs == 0 && d.onlyGdi == 0) continue;  // the difference is gone
        if (d == k->diff) {
            stillDiffer += "\n  " + name + ": " + std::to_string(d.onlyOurs) + " pixels only ours, " +
                           std::to_string(d.onlyGdi) + " only GDI's";
        } else {
            ADD_FAILURE() << name << ": " << d.onlyOurs << " pixels only ours, " << d.onlyGdi
                          << " only GDI's; the recorded difference was " << k->diff.onlyOurs << " and "
                          << k->diff.onlyGdi;
        }
    }
}

TEST(GdiReference, DataIsLiberationSansDrawnUnsmoothed) {
    const Reference& r = Data();
    ASSERT_GE(r.fonts.size(), 70u);
    ASSERT_GE(r.advances.size(), 70u);
    ASSERT_GE(r.measures.size(), 350u);
    ASSERT_GE(r.bitmaps.size(), 40u);
    for (const FontRecord& f : r.fonts) {
        EXPECT_EQ(f.family, "Liberation Sans") << f.points;
        EXPECT_EQ(f.em, PixelEmHeight(f.points)) << f.points;
        EXPECT_EQ(f.tmHeight, f.tmAscent + f.tmDescent) << f.points;
    }
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

// Every line width is compared. GDI's extent is the sum of the single
// characters' extents (no kerning), and so is the engine's; a line whose
// width differs must differ by exactly the differences of its characters'
// advances.
//
// Known difference: Wine 8 answers GetTextExtentPoint32 with advances from
// FreeType's grey-level hinting (which ignores the font's instructions for
// advance widths), but its TextOut steps glyphs by the black-and-white hinted
// advances, which the engine uses and Windows' unsmoothed text uses too: the
// pixel comparisons below match whole lines at those advances.
TEST(GdiReference, WidthIsGetTextExtentPoint32) {
    const Reference& r = Data();
    int lines = 0, linesDiffer = 0, worst = 0, glyphs = 0, glyphsDiffer = 0;
    // The single characters of the texts.
    std::string used;
    for (const MeasureRecord& m : r.measures)
        for (char c : m.text)
            if (used.find(c) == std::string::npos) used += c;
    auto width = [](std::string_view text, const FontSpec& font) {
        return Engine().MeasureLine(text, font).width;
    };
    // One font at a time, so that its glyphs are loaded once.
    for (const AdvanceRecord& a : r.advances) {
        const FontSpec font = Arial(a.points, a.style, a.charset);
        for (const char& c : used) {
            ++glyphs;
            glyphsDiffer += width(std::string_view(&c, 1), font) != a.advance[uint8_t(c)];
        }
        for (const MeasureRecord& m : r.measures) {
            if (m.points != a.points || m.style != a.style) continue;
            const FontSpec measured = Arial(m.points, m.style, m.charset);  // the same glyphs in 0 and 1
            const int ours = width(m.text, measured);
            ++lines;
            if (ours == m.cx) continue;
            ++linesDiffer;
            worst = std::max(worst, std::abs(ours - m.cx));
            int gdiSum = 0, ourSum = 0;
            for (const char& c : m.text.empty() ? std::string(" ") : m.text) {
                gdiSum += a.advance[uint8_t(c)];
                ourSum += width(std::string_view(&c, 1), measured);
            }
            EXPECT_EQ(gdiSum, m.cx) << Name(m.points, m.style, m.charset, m.text);
            EXPECT_EQ(ourSum, ours) << Name(m.points, m.style, m.charset, m.text);
        }
    }
    EXPECT_EQ(lines, int(r.measures.size())) << "a measured font without single-character advances";
    if (linesDiffer > 0 && !HasFailure())
        GTEST_SKIP() << "known difference (Wine's extents use grey-level advances): " << linesDiffer << " of "
                     << lines << " line widths differ, by up to " << worst << " pixels; " << glyphsDiffer
                     << " of " << glyphs << " single-character advances differ";
}

TEST(GdiReference, OneDrawingSetsTheSamePixelsAsTextOut) {
    int compared = 0;
    for (const BitmapRecord& b : Data().bitmaps) {
        if (b.style & (kUnderline | kStrikeOut)) continue;  // DecorationsMatchTextOut
        bool known = false;
        for (const auto& k : kClippedToCell) known |= Matches(b, k);
        for (const auto& k : kDropoutRow) known |= Matches(b, k);
        if (known) continue;
        const PixelDiff d = Compare(b);
        ++compared;
        EXPECT_TRUE(d.onlyOurs == 0 && d.onlyGdi == 0)
            << Name(b.points, b.style, b.charset, b.text) << ": " << d.both << " pixels agree, " << d.onlyOurs
            << " only ours, " << d.onlyGdi << " only GDI's";
    }
    EXPECT_GE(compared, 30);
}

TEST(GdiReference, GlyphPartsOutsideTheCellAreClippedAsByTextOut) {
    std::string stillDiffer;
    CompareKnown(std::begin(kClippedToCell), std::end(kClippedToCell), stillDiffer);
    if (!stillDiffer.empty() && !HasFailure())
        GTEST_SKIP() << "known difference (the engine does not clip glyphs to the cell):" << stillDiffer;
}

TEST(GdiReference, DropoutPixelsOutsideTheRoundedBoxAreKeptAsByTextOut) {
    std::string stillDiffer;
    CompareKnown(std::begin(kDropoutRow), std::end(kDropoutRow), stillDiffer);
    if (!stillDiffer.empty() && !HasFailure())
        GTEST_SKIP() << "known difference (FT_Render_Glyph's rounded bitmap box moves a dropout pixel):"
                     << stillDiffer;
}

// Underline and strike-out: the glyphs agree; the rule spans the line's
// extent, so it is longer in Wine's drawing wherever its extent is (see
// WidthIsGetTextExtentPoint32). At 20 points the underline also sits one row
// higher in Wine, which takes the scaled post.underlinePosition (-67 units,
// -1 pixel) as the centre of the rule; the engine takes it as the top, as the
// OpenType definition of the field says.
TEST(GdiReference, DecorationsMatchTextOut) {
    static const KnownBitmapDifference kDecorations[] = {
        {12, kUnderline, nullptr, {0, 3, 0}},      // rule 3 pixels longer (extent 89 against 86)
        {20, kUnderline, nullptr, {150, 152, 0}},  // rule a row higher, and 1 pixel longer (151 against 150)
        {12, kStrikeOut, nullptr, {0, 3, 0}},      // rule 3 pixels longer
        {20, kStrikeOut, nullptr, {0, 1, 0}},      // rule 1 pixel longer
    };
    static const std::string kCrete = "Crete Hellas";
    std::vector<KnownBitmapDifference> known(std::begin(kDecorations), std::end(kDecorations));
    for (auto& k : known) k.text = &kCrete;
    std::string stillDiffer;
    CompareKnown(known.data(), known.data() + known.size(), stillDiffer);
    if (!stillDiffer.empty() && !HasFailure())
        GTEST_SKIP() << "known difference (rule length follows Wine's extent; underline row):" << stillDiffer;
}

}  // namespace
}  // namespace glyphon
