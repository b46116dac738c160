// Style tags in subtitle text. SubRip files mark spans with <i>, <b>, <u> and
// <s> (closing forms </i> ...), any letter case, and carry <font ...> tags
// and ASS override blocks ({\an8}, {\i1}); MicroDVD files use control codes
// in braces ({y:i} for one line, {Y:i} for the whole subtitle, {c:$0000FF}).
// Reading a line removes every tag and keeps the styles as runs: consecutive
// spans of the plain text, each with the style bits its tags ask for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

// Style bits of a run, the same bits as a font's style set: bold 1, italic 2,
// underline 4, strike-out 8. They are added to the style chosen in the window.
enum RunStyle : int { kRunBold = 1, kRunItalic = 2, kRunUnderline = 4, kRunStrikeOut = 8 };

// A run's own text colour: 0 for the look's, else kRunColoured | 0xRRGGBB.
inline constexpr uint32_t kRunColoured = 0xFF000000u;

struct StyledRun {
    uint32_t length = 0;  // bytes of the plain text
    int style = 0;
    uint32_t colour = 0;
    friend bool operator==(const StyledRun&, const StyledRun&) = default;
};

// The runs of one text line, in order, covering the line's plain text. Empty
// when nothing of the line is styled.
using LineRuns = std::vector<StyledRun>;

// What reading the tags of one subtitle's lines keeps from one line to the
// next: styles opened and not yet closed, and where the subtitle goes.
struct TagState {
    int open = 0;      // style bits opened on an earlier line
    int subtitle = 0;  // MicroDVD {Y:...}: every line of the subtitle
    bool top = false;  // {\an7}, {\an8} or {\an9} seen
    int an = 0;        // the last {\an1}..{\an9} seen (numeric keypad places), 0 for none
    // The colours of the <font> tags open, innermost last (0: a tag that
    // named none).
    std::vector<uint32_t> fonts;
    uint32_t Colour() const {
        for (size_t i = fonts.size(); i-- > 0;)
            if (fonts[i]) return fonts[i];
        return 0;
    }
};

enum class TagSyntax { SubRip, MicroDvd };

// Removes the tags of one text line into `plain` and returns its runs (empty
// when no span is styled). `state` carries open styles into the next line.
// A line without '<' and '{' is returned as it stands.
LineRuns ReadTags(std::string_view line, TagSyntax syntax, TagState& state, std::string& plain);

// True when `bytes` are well-formed UTF-8 and hold at least one character
// of more than one byte: a file that is certainly UTF-8 rather than a
// single-byte character set.
bool LooksLikeUtf8(std::string_view bytes);

}  // namespace glyphon
