// The character set of a subtitle file that has no byte-order mark and is not
// UTF-8, found from its texts with uchardet (as mpv finds it), and how the
// program reads it: in one of its Windows code pages when that page reads the
// texts as the found set does, otherwise converted to UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace glyphon {

class TSubtitle;

// The texts uchardet is given: at most this many bytes of text lines that
// hold bytes beyond ASCII (timing lines and plain ASCII lines tell nothing).
inline constexpr size_t kDetectionSample = 16 << 10;

struct FoundCharset {
    std::string name;      // as people know it: "Windows-1251", "KOI8-R", "SHIFT_JIS", "GB18030"...
    std::string codePage;  // the iconv name of the code page the texts are now in ("CP1251"), or "UTF-8"
};

// uchardet's answer for `text` (its own upper-case name, e.g. "WINDOWS-1251",
// "UHC"), or empty when it finds nothing or only ASCII or UTF-8.
std::string DetectCharsetOf(std::string_view text);

// For a list read from a file with no byte-order mark that is not UTF-8
// (neither `Utf8` nor `LooksUtf8`): finds the texts' character set. Texts in
// a set no code page of the program reads (KOI8-R, ISO-8859-5, EUC-JP...) are
// converted to UTF-8 in place (runs and left-out parts too) and `Utf8` is
// set. Nothing when there is nothing beyond ASCII or uchardet finds nothing
// the program can read.
std::optional<FoundCharset> FindCharset(TSubtitle& list);

// A whole file's text made UTF-8 for a reader that takes nothing else
// (libass): a byte-order mark's form converted and the mark dropped, text
// that is not UTF-8 converted from the set uchardet finds in its lines
// beyond ASCII. Returns that set as people know it ("Windows-1251"); empty
// when the text was Unicode already or no set was found (it is then left as
// it is).
std::string TextToUtf8(std::string& text);

}  // namespace glyphon
