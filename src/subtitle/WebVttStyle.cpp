#include "subtitle/WebVttStyle.h"

#include <charconv>
#include <optional>
#include <vector>

#include "palette/ColorNames.h"
#include "subtitle/StyledText.h"

namespace glyphon {

namespace {

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\n") - first + 1);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A CSS colour: a keyword, #rgb, #rrggbb, rgb(r, g, b) or rgba(r, g, b, a).
std::optional<uint32_t> CssColour(std::string_view text) {
    const std::string value = Lower(Trim(text));
    if (value.size() == 4 && value[0] == '#') {
        uint32_t rgb = 0;
        for (size_t i = 1; i < 4; ++i) {
            const int d = HexDigit(value[i]);
            if (d < 0) return std::nullopt;
            rgb = rgb << 8 | uint32_t(d * 17);
        }
        return kRunColoured | rgb;
    }
    if (value.rfind("rgb", 0) == 0) {
        const size_t open = value.find('('), close = value.find(')');
        if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
        std::vector<int> parts;
        for (size_t at = open + 1; at < close && parts.size() < 3;) {
            const std::string_view piece =
                Trim(std::string_view(value).substr(at, value.find_first_of(",)", at) - at));
            int n = 0;
            const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), n);
            if (ec != std::errc() || n < 0 || n > 255) return std::nullopt;
            parts.push_back(n);
            at = value.find_first_of(",)", at) + 1;
        }
        if (parts.size() != 3) return std::nullopt;
        return kRunColoured | uint32_t(parts[0]) << 16 | uint32_t(parts[1]) << 8 | uint32_t(parts[2]);
    }
    if (const std::optional<Rgb> c = ParseColor(value))
        return kRunColoured | uint32_t(c->r) << 16 | uint32_t(c->g) << 8 | uint32_t(c->b);
    return std::nullopt;
}

void Declare(std::string_view property, std::string_view value, VttLook& look) {
    const std::string name = Lower(Trim(property));
    const std::string v = Lower(Trim(value));
    const auto set = [&](int bit, bool on) {
        (on ? look.style : look.unstyle) |= bit;
        (on ? look.unstyle : look.style) &= ~bit;
    };
    if (name == "color") {
        if (const std::optional<uint32_t> c = CssColour(value)) look.colour = *c;
    } else if (name == "font-weight") {
        set(kRunBold, v == "bold" || v == "bolder" || (v.size() == 3 && v >= "600" && v <= "900"));
    } else if (name == "font-style") {
        set(kRunItalic, v == "italic" || v == "oblique");
    } else if (name == "text-decoration" || name == "text-decoration-line") {
        set(kRunUnderline, v.find("underline") != std::string::npos);
        set(kRunStrikeOut, v.find("line-through") != std::string::npos);
    }
}

void Merge(const VttLook& from, VttLook& into) {
    into.style = (into.style & ~from.unstyle) | from.style;
    into.unstyle = (into.unstyle & ~from.style) | from.unstyle;
    if (from.colour) into.colour = from.colour;
}

}  // namespace

void ReadVttStyleBlock(std::string_view text, VttStyleSheet& sheet) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find('{', at);
        if (open == std::string_view::npos) return;
        const size_t close = text.find('}', open);
        if (close == std::string_view::npos) return;
        VttLook look;
        const std::string_view body = text.substr(open + 1, close - open - 1);
        for (size_t d = 0; d < body.size();) {
            size_t end = body.find(';', d);
            if (end == std::string_view::npos) end = body.size();
            const std::string_view declaration = body.substr(d, end - d);
            const size_t colon = declaration.find(':');
            if (colon != std::string_view::npos)
                Declare(declaration.substr(0, colon), declaration.substr(colon + 1), look);
            d = end + 1;
        }
        // Every selector of the list gets the rule.
        const std::string_view selectors = text.substr(at, open - at);
        for (size_t s = 0; s <= selectors.size();) {
            size_t end = selectors.find(',', s);
            if (end == std::string_view::npos) end = selectors.size();
            const std::string selector = Lower(Trim(selectors.substr(s, end - s)));
            s = end + 1;
            if (selector == "::cue") {
                Merge(look, sheet.cue);
            } else if (selector.rfind("::cue(", 0) == 0 && selector.back() == ')') {
                const std::string inner = selector.substr(6, selector.size() - 7);
                if (inner.size() > 1 && inner[0] == '.' && inner.find_first_of(" .[:#>") == 0 &&
                    inner.find_first_of(" .[:#>", 1) == std::string::npos)
                    Merge(look, sheet.classes[inner.substr(1)]);
                else if (!inner.empty() && inner.find_first_of(" .[:#>") == std::string::npos)
                    Merge(look, sheet.tags[inner]);
            }
        }
        at = close + 1;
    }
}

}  // namespace glyphon
