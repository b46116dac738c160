// Language codes of subtitle streams: two letters (ISO 639-1).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace glyphon {

// The code `text` spells, in lower case ("FR" is "fr"); none unless it is
// two letters A-Z in either case.
inline std::optional<std::string> LanguageCode(std::string_view text) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (text.size() != 2 || !letter(text[0]) || !letter(text[1])) return std::nullopt;
    return std::string{char(text[0] | 0x20), char(text[1] | 0x20)};
}

}  // namespace glyphon
