// UTF-8 and UTF-16 as the readers and the text engine meet them. Nothing is
// ever refused: a byte sequence that is not well-formed reads as U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon {

inline constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 form of `c`; surrogates and values past U+10FFFF are
// written as U+FFFD.
void AppendUtf8(std::string& out, uint32_t c);

// The characters of a UTF-8 text, appended to `out`. Each maximal ill-formed
// part (a stray continuation byte, a byte that never starts a sequence, a
// sequence cut short, an overlong form or a surrogate) becomes one U+FFFD,
// as the Unicode standard recommends.
void DecodeUtf8(std::string_view text, std::vector<uint32_t>& out);

// `text` with every ill-formed part replaced by U+FFFD (EF BF BD).
std::string ValidUtf8(std::string_view text);

// `text` as it may be printed on a terminal: every control character (C0
// except those in `keep`, DEL, C1) as "\xHH" (C1: "\u0080" to "\u009f"),
// every ill-formed part as U+FFFD, so that no text a file brings can move
// the cursor, retitle the window or fake other lines.
std::string TerminalSafe(std::string_view text, std::string_view keep = {});

// UTF-16 bytes (without their byte-order mark) as UTF-8. An unpaired
// surrogate and an odd last byte become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace glyphon
