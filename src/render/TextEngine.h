// The platform text layer behind an interface: measuring and drawing one
// line of 8-bit text in a font. The FreeType + fontconfig engine is the real
// one; tests may substitute a fake.
//
// Text is a byte string; the font's character set decides which characters
// its bytes stand for. DrawLineMask rasterises glyphs monochrome: a drawn
// pixel is either fully set or not set at all; DrawLineGrey draws the same
// glyphs in grey levels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

struct GreyBox;
struct GreyMask;

// A font as the main window's lists describe it.
struct FontSpec {
    std::string name;  // face name; "Default" stands for "MS Sans Serif"
    int sizePoints = 20;
    int charset = 1;  // GDI character-set number (CharsetFromName)
    int style = 0;    // StyleBits (StyleFromName)
    // Glyph width in percent of the normal width, for pictures a player
    // widens: 75 draws text for a 16:9 picture so that it looks right once
    // widened. Heights do not change.
    int widthPercent = 100;
    // The em in pixels; 0: PixelEmHeight(sizePoints). Pictures larger than a
    // DVD frame ask for ems no point size gives.
    int pixelEm = 0;
    // The text's language as its file names it ("ja", "zh", "ko"...): the
    // forms a line of Han ideographs alone takes (kana make a line Japanese,
    // Hangul Korean, whatever it says). Empty or another: Chinese.
    std::string language = {};

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The pixel (em) height of a font of `points` points on a 96 dpi screen,
// halves rounded up: 8 for 6 points, 27 for 20, 67 for 50.
inline int PixelEmHeight(int points) {
    // floor(points * 96 / 72 + 1/2) in integers; sizes are never negative.
    return (points * 96 * 2 + 72) / 144;
}

// Width and height of one line: W is the sum of the characters' advances as
// drawn, H the font's full line height (ascent + descent).
struct TextExtent {
    int width = 0;
    int height = 0;
    friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// The pixels one drawing of a line sets, as a bit mask. The mask's column 0
// and row 0 lie at (left, top) relative to the top-left corner of the text
// cell (the point a drawing is placed at); glyph overhangs make left or top
// negative. Bit (x & 63) of word x >> 6 of a row is column x.
struct LineMask {
    int left = 0, top = 0;
    int width = 0, height = 0;
    int wordsPerRow = 0;
    std::vector<uint64_t> bits;

    void Reset(int l, int t, int w, int h) {
        left = l;
        top = t;
        width = w < 0 ? 0 : w;
        height = h < 0 ? 0 : h;
        wordsPerRow = (width + 63) / 64;
        bits.assign(size_t(wordsPerRow) * size_t(height), 0);
    }
    bool Empty() const { return width == 0 || height == 0; }
    uint64_t* Row(int y) { return bits.data() + size_t(y) * size_t(wordsPerRow); }
    const uint64_t* Row(int y) const { return bits.data() + size_t(y) * size_t(wordsPerRow); }
    // x, y in mask coordinates.
    bool Test(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && ((Row(y)[x >> 6] >> (x & 63)) & 1);
    }
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) Row(y)[x >> 6] |= uint64_t(1) << (x & 63);
    }
};

// One glyph of a laid-out line: which glyph of which face file, where its
// pen position lies relative to the left end of the baseline (x to the
// right, y down), and the character it was made from (an index into the
// line's characters in reading order).
struct PlacedGlyph {
    std::string faceFile;
    int faceIndex = 0;
    uint32_t glyph = 0;
    int x = 0, y = 0;
    int cluster = 0;
    friend bool operator==(const PlacedGlyph&, const PlacedGlyph&) = default;
};

class TextEngine {
public:
    virtual ~TextEngine() = default;

    // Extent of `text` drawn as one line in `font`. An empty text measures
    // as a single space. Never fails: unknown faces are substituted, bytes
    // without a character draw the missing-glyph box.
    virtual TextExtent MeasureLine(std::string_view text, const FontSpec& font) = 0;

    // The pixels of one drawing of `text` in `font` with the text cell's
    // top-left corner at (0, 0). An empty text draws nothing (empty mask).
    virtual void DrawLineMask(std::string_view text, const FontSpec& font, LineMask& mask) = 0;

    // The family of the face that really draws `font`: its own name when it
    // is installed, the substitute's otherwise.
    virtual std::string FaceName(const FontSpec& font) { return font.name; }

    // The glyphs DrawLineMask draws for `text`, left to right in display
    // order. An engine that does not know its glyphs gives none.
    virtual std::vector<PlacedGlyph> LayOutLine(std::string_view text, const FontSpec& font) {
        (void)text;
        (void)font;
        return {};
    }

    // The grey-level drawing of `text` (render/GreyLine.h): every pixel's
    // glyph and outline coverage (the glyphs grown by outline64 / 64 pixels)
    // as one pair byte, the larger of the byte there and the drawing's,
    // with the text cell's top-left corner at (x, y) of `canvas`; pixels
    // outside the canvas are left out. GreyLineBox gives the box the drawing
    // covers, relative to the cell's corner (empty for an empty text). These
    // count every pixel DrawLineMask sets as fully covered; the FreeType
    // engine draws FreeType's grey levels.
    virtual GreyBox GreyLineBox(std::string_view text, const FontSpec& font, int outline64);
    virtual void DrawLineGrey(std::string_view text, const FontSpec& font, int outline64, int x, int y,
                              GreyMask& canvas);

    // A new engine of the same kind with caches of its own, for an output
    // that draws in other sizes beside this one's; null: none, share this.
    virtual std::unique_ptr<TextEngine> Twin() const { return nullptr; }
};

// The real engine: fontconfig for face lookup and substitution, FriBidi for
// the display order of right-to-left text, HarfBuzz for complex shaping,
// FreeType for hinted monochrome glyphs.
std::unique_ptr<TextEngine> CreateFreeTypeEngine();

}  // namespace glyphon
