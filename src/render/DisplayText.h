// Subtitle bytes as a person should see them outside the drawn picture (the
// subtitle list, message boxes, terminal messages): the characters the text
// engine draws for them, written as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace glyphon {

// `bytes` read as the text engine reads them (CodePageReader, in the code page
// of `charset` as CodePageOf names it: DEFAULT reads as
// Windows-1252, kUtf8Charset as UTF-8; SYMBOL as Latin-1) and written as
// UTF-8. A byte or sequence the code page cannot read shows as U+FFFD.
std::string DisplayText(std::string_view bytes, int charset);

}  // namespace glyphon
