#include "subtitle/WebVttSettings.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace glyphon {

namespace {

// The height of one line: WebVTT's default text is 5 % of the picture tall.
constexpr double kLineFraction = 0.05;

std::optional<double> Number(std::string_view text) {
    if (text.empty() || text[0] == '+' || text.back() == '.') return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "20%": 20; anything else nothing. Percentages lie in 0..100.
std::optional<double> Percentage(std::string_view text) {
    if (text.size() < 2 || text.back() != '%' || text[0] == '-') return std::nullopt;
    const std::optional<double> value = Number(text.substr(0, text.size() - 1));
    if (!value || *value > 100) return std::nullopt;
    return value;
}

// Where in the box an alignment keyword puts the anchor.
std::optional<double> BoxFraction(std::string_view word) {
    if (word == "start" || word == "left" || word == "line-left") return 0.0;
    if (word == "center" || word == "middle") return 0.5;
    if (word == "end" || word == "right" || word == "line-right") return 1.0;
    return std::nullopt;
}

}  // namespace

VttCueSettings ReadVttCueSettings(std::string_view settings) {
    VttCueSettings out;
    std::optional<double> position, positionBox, alignBox, line, lineBox;
    bool linePercent = false;
    size_t i = 0;
    while (i < settings.size()) {
        while (i < settings.size() && (settings[i] == ' ' || settings[i] == '\t')) ++i;
        size_t end = i;
        while (end < settings.size() && settings[end] != ' ' && settings[end] != '\t') ++end;
        const std::string_view item = settings.substr(i, end - i);
        i = end;
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 == item.size()) continue;
        const std::string_view name = item.substr(0, colon), value = item.substr(colon + 1);
        const size_t comma = value.find(',');
        const std::string_view first = value.substr(0, comma);
        const std::string_view second =
            comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        if (name == "vertical") {
            if (value == "rl" || value == "lr") out.refused = std::string(item);
        } else if (name == "line") {
            if (const std::optional<double> p = Percentage(first)) {
                line = *p;
                linePercent = true;
            } else if (first.find_first_of(".%") == std::string_view::npos) {
                if (const std::optional<double> n = Number(first)) line = *n, linePercent = false;
            }
            if (!second.empty()) lineBox = BoxFraction(second);
        } else if (name == "position") {
            position = Percentage(first);
            if (!second.empty()) positionBox = BoxFraction(second);
        } else if (name == "align") {
            alignBox = BoxFraction(value);
        } else if (name == "size") {
            if (const std::optional<double> p = Percentage(value)) out.size = *p;
        }
    }
    CuePlacement& place = out.place;
    // Across: the position (by default where the alignment puts the text)
    // and the point of the box there (by default the alignment's).
    if (position || (alignBox && *alignBox != 0.5) || positionBox) {
        place.across = true;
        place.boxX = positionBox ? *positionBox : alignBox ? *alignBox : 0.5;
        place.x = position ? *position / 100 : alignBox ? *alignBox : 0.5;
    }
    // The box: `size` percent of the picture wide, at most as wide as fits
    // beside its position; the lines wrap to it and align inside it.
    if (out.size < 100) {
        if (!place.across) {
            place.across = true;
            place.x = place.boxX = 0.5;
        }
        double most = 1;
        if (place.boxX > 0) most = std::min(most, place.x / place.boxX);
        if (place.boxX < 1) most = std::min(most, (1 - place.x) / (1 - place.boxX));
        place.width = std::min(out.size / 100, most);
        place.lineX = alignBox ? *alignBox : 0.5;
    }
    if (line) {
        if (linePercent) {
            place.anchor = CuePlacement::Anchor::Point;
            place.y = *line / 100;
            place.boxY = lineBox ? *lineBox : 0;
        } else if (*line == 0) {
            place.anchor = CuePlacement::Anchor::Top;
        } else if (*line == -1) {
            place.anchor = CuePlacement::Anchor::Bottom;
        } else {
            // Line n from the top (n lines down), or from the bottom when
            // negative (-1 is the last line).
            place.anchor = CuePlacement::Anchor::Point;
            place.y = *line > 0 ? *line * kLineFraction : 1 + (*line + 1) * kLineFraction;
            place.boxY = *line > 0 ? 0 : 1;
            if (place.y < 0) place.y = 0, place.boxY = 0;
            if (place.y > 1) place.y = 1, place.boxY = 1;
        }
    }
    return out;
}

}  // namespace glyphon
