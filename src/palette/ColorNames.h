// Colours by name, for palettes the program makes itself: the CSS colour
// keywords and "#RRGGBB", and the video-range Y'CbCr a DVD palette entry
// (or a Blu-ray palette) stores for such a colour.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Rgb.h"

namespace glyphon {

// "yellow", "DarkSlateGrey" (any letter case), "#FFFF00" or "#ffff00".
// Nothing else: no blanks, no "#RGB" shorthand, no functions.
std::optional<Rgb> ParseColor(std::string_view text);

// The 148 CSS colour keywords in alphabetical order (lower case), with
// their colours: for help texts and tests.
const std::vector<std::pair<std::string_view, Rgb>>& ColorKeywords();

// Colours named for the drawn roles; none: the palette's own entry.
struct NamedRoleColours {
    std::optional<Rgb> text, outline, antialias;
    bool Any() const { return text || outline || antialias; }
};

// Y' 16 to 235, Cb and Cr 16 to 240: ITU-R BT.601 on 8-bit video range, each
// component rounded to the nearest integer (halves away from zero).
struct VideoYCbCr {
    uint8_t y = 16, cb = 128, cr = 128;
    friend bool operator==(const VideoYCbCr&, const VideoYCbCr&) = default;
};

VideoYCbCr RgbToVideoYCbCr(Rgb c);

// The DVD palette entry in the layout of an IFO entry and of a line of the
// palette file: Y in bits 16 to 23, Cr in 8 to 15, Cb in 0 to 7.
constexpr uint32_t DiscEntryOf(VideoYCbCr v) { return (uint32_t(v.y) << 16) | (uint32_t(v.cr) << 8) | v.cb; }

}  // namespace glyphon
