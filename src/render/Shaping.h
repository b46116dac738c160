// Bidirectional order and complex shaping of one line, as Windows' script
// processor does it for GDI: the Unicode Bidirectional Algorithm by FriBidi,
// shaping by HarfBuzz for the scripts whose characters change or move
// (Arabic joining, Indic conjuncts, Thai marks...). Latin, Greek, Cyrillic and
// the CJK scripts are left to the engine's own one-glyph-per-character path,
// which keeps GDI's hinted advances without kerning.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace glyphon {

// Whether a line holding `c` needs the bidi and shaping layout: a
// right-to-left or explicit directional character, or a character of a
// script that is shaped.
bool NeedsLayout(uint32_t c);

// The script of `c` (HB_SCRIPT_COMMON for kNoCharacter).
hb_script_t ScriptOf(uint32_t c);
// Whether runs of `script` are shaped (otherwise drawn glyph by glyph).
bool IsShapedScript(hb_script_t script);
// Whether `c` is a format character a face need not have (joiners, marks of
// direction).
bool IsFormatCharacter(uint32_t c);
// The mirrored form of `c` in right-to-left text (`c` itself when none).
uint32_t MirroredCharacter(uint32_t c);

// The embedding level of every character of one line (a paragraph of its
// own): the paragraph direction from its first strong character (left to
// right without one), explicit embeddings, isolates and paired brackets
// resolved, and the line's trailing white space put back to the paragraph
// level.
void ResolveLevels(const std::vector<uint32_t>& characters, std::vector<uint8_t>& levels);

// The display order of runs with the given levels (rule L2): the indexes of
// `levels`, leftmost first.
std::vector<int> VisualOrder(const std::vector<uint8_t>& levels);

// One glyph of a shaped run, in display order; lengths in 1/64 pixel.
struct ShapedGlyph {
    FT_UInt index = 0;
    int cluster = 0;  // the character the glyph starts from, counted in the whole line
    int xAdvance = 0, xOffset = 0, yOffset = 0;
};

// HarfBuzz shaping on FreeType faces with hinted monochrome advances.
class Shaper {
public:
    Shaper();
    ~Shaper();
    Shaper(const Shaper&) = delete;
    Shaper& operator=(const Shaper&) = delete;

    // Shapes characters [start, start + length) of `line` (the rest of the
    // line is context for joining) in `face`, already sized to `ppem`.
    void Shape(FT_Face face, int ppem, const std::vector<uint32_t>& line, size_t start, size_t length,
               bool rtl, hb_script_t script, std::vector<ShapedGlyph>& out);

private:
    hb_buffer_t* buffer_;
    std::map<std::pair<FT_Face, int>, hb_font_t*> fonts_;
};

}  // namespace glyphon
