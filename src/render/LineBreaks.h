// Where a line of subtitle text may be broken when it is too wide: as
// Unicode line breaking (UAX #14, libunibreak) allows — after the spaces
// between words, between CJK characters, never before closing punctuation
// nor (strict, as Japanese is set) before small kana — and in Thai, written
// without spaces, between words by libthai's dictionary or, without the
// dictionary, between grapheme clusters (as also in Lao, Khmer and Myanmar).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

struct LineBreak {
    size_t end;    // the line before ends here: the spaces before the break are left out
    size_t begin;  // the next line starts here
    friend bool operator==(const LineBreak&, const LineBreak&) = default;
};

// The places `text` (bytes in the code page `codePage`, as CodePageOf names
// it) may be broken, in order, as byte offsets; never at its start or end.
std::vector<LineBreak> LineBreaks(std::string_view text, const std::string& codePage);

}  // namespace glyphon
