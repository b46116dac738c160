#include "palette/ColorNames.h"

#include <algorithm>
#include <string>

namespace glyphon {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// (numerator / 255000) rounded to the nearest integer, halves away from zero.
int RoundedOver255000(long numerator) {
    const long half = 127500;
    return int(numerator >= 0 ? (numerator + half) / 255000 : -((-numerator + half) / 255000));
}

}  // namespace

const std::vector<std::pair<std::string_view, Rgb>>& ColorKeywords() {
    static const std::vector<std::pair<std::string_view, Rgb>> keywords{
        {"aliceblue", Rgb::FromPacked(0xF0F8FF)},
        {"antiquewhite", Rgb::FromPacked(0xFAEBD7)},
        {"aqua", Rgb::FromPacked(0x00FFFF)},
        {"aquamarine", Rgb::FromPacked(0x7FFFD4)},
        {"azure", Rgb::FromPacked(0xF0FFFF)},
        {"beige", Rgb::FromPacked(0xF5F5DC)},
        {"bisque", Rgb::FromPacked(0xFFE4C4)},
        {"black", Rgb::FromPacked(0x000000)},
        {"blanchedalmond", Rgb::FromPacked(0xFFEBCD)},
        {"blue", Rgb::FromPacked(0x0000FF)},
        {"blueviolet", Rgb::FromPacked(0x8A2BE2)},
        {"brown", Rgb::FromPacked(0xA52A2A)},
        {"burlywood", Rgb::FromPacked(0xDEB887)},
        {"cadetblue", Rgb::FromPacked(0x5F9EA0)},
        {"chartreuse", Rgb::FromPacked(0x7FFF00)},
        {"chocolate", Rgb::FromPacked(0xD2691E)},
        {"coral", Rgb::FromPacked(0xFF7F50)},
        {"cornflowerblue", Rgb::FromPacked(0x6495ED)},
        {"cornsilk", Rgb::FromPacked(0xFFF8DC)},
        {"crimson", Rgb::FromPacked(0xDC143C)},
        {"cyan", Rgb::FromPacked(0x00FFFF)},
        {"darkblue", Rgb::FromPacked(0x00008B)},
        {"darkcyan", Rgb::FromPacked(0x008B8B)},
        {"darkgoldenrod", Rgb::FromPacked(0xB8860B)},
        {"darkgray", Rgb::FromPacked(0xA9A9A9)},
        {"darkgreen", Rgb::FromPacked(0x006400)},
        {"darkgrey", Rgb::FromPacked(0xA9A9A9)},
        {"darkkhaki", Rgb::FromPacked(0xBDB76B)},
        {"darkmagenta", Rgb::FromPacked(0x8B008B)},
        {"darkolivegreen", Rgb::FromPacked(0x556B2F)},
        {"darkorange", Rgb::FromPacked(0xFF8C00)},
        {"darkorchid", Rgb::FromPacked(0x9932CC)},
        {"darkred", Rgb::FromPacked(0x8B0000)},
        {"darksalmon", Rgb::FromPacked(0xE9967A)},
        {"darkseagreen", Rgb::FromPacked(0x8FBC8F)},
        {"darkslateblue", Rgb::FromPacked(0x483D8B)},
        {"darkslategray", Rgb::FromPacked(0x2F4F4F)},
        {"darkslategrey", Rgb::FromPacked(0x2F4F4F)},
        {"darkturquoise", Rgb::FromPacked(0x00CED1)},
        {"darkviolet", Rgb::FromPacked(0x9400D3)},
        {"deeppink", Rgb::FromPacked(0xFF1493)},
        {"deepskyblue", Rgb::FromPacked(0x00BFFF)},
        {"dimgray", Rgb::FromPacked(0x696969)},
        {"dimgrey", Rgb::FromPacked(0x696969)},
        {"dodgerblue", Rgb::FromPacked(0x1E90FF)},
        {"firebrick", Rgb::FromPacked(0xB22222)},
        {"floralwhite", Rgb::FromPacked(0xFFFAF0)},
        {"forestgreen", Rgb::FromPacked(0x228B22)},
        {"fuchsia", Rgb::FromPacked(0xFF00FF)},
        {"gainsboro", Rgb::FromPacked(0xDCDCDC)},
        {"ghostwhite", Rgb::FromPacked(0xF8F8FF)},
        {"gold", Rgb::FromPacked(0xFFD700)},
        {"goldenrod", Rgb::FromPacked(0xDAA520)},
        {"gray", Rgb::FromPacked(0x808080)},
        {"green", Rgb::FromPacked(0x008000)},
        {"greenyellow", Rgb::FromPacked(0xADFF2F)},
        {"grey", Rgb::FromPacked(0x808080)},
        {"honeydew", Rgb::FromPacked(0xF0FFF0)},
        {"hotpink", Rgb::FromPacked(0xFF69B4)},
        {"indianred", Rgb::FromPacked(0xCD5C5C)},
        {"indigo", Rgb::FromPacked(0x4B0082)},
        {"ivory", Rgb::FromPacked(0xFFFFF0)},
        {"khaki", Rgb::FromPacked(0xF0E68C)},
        {"lavender", Rgb::FromPacked(0xE6E6FA)},
        {"lavenderblush", Rgb::FromPacked(0xFFF0F5)},
        {"lawngreen", Rgb::FromPacked(0x7CFC00)},
        {"lemonchiffon", Rgb::FromPacked(0xFFFACD)},
        {"lightblue", Rgb::FromPacked(0xADD8E6)},
        {"lightcoral", Rgb::FromPacked(0xF08080)},
        {"lightcyan", Rgb::FromPacked(0xE0FFFF)},
        {"lightgoldenrodyellow", Rgb::FromPacked(0xFAFAD2)},
        {"lightgray", Rgb::FromPacked(0xD3D3D3)},
        {"lightgreen", Rgb::FromPacked(0x90EE90)},
        {"lightgrey", Rgb::FromPacked(0xD3D3D3)},
        {"lightpink", Rgb::FromPacked(0xFFB6C1)},
        {"lightsalmon", Rgb::FromPacked(0xFFA07A)},
        {"lightseagreen", Rgb::FromPacked(0x20B2AA)},
        {"lightskyblue", Rgb::FromPacked(0x87CEFA)},
        {"lightslategray", Rgb::FromPacked(0x778899)},
        {"lightslategrey", Rgb::FromPacked(0x778899)},
        {"lightsteelblue", Rgb::FromPacked(0xB0C4DE)},
        {"lightyellow", Rgb::FromPacked(0xFFFFE0)},
        {"lime", Rgb::FromPacked(0x00FF00)},
        {"limegreen", Rgb::FromPacked(0x32CD32)},
        {"linen", Rgb::FromPacked(0xFAF0E6)},
        {"magenta", Rgb::FromPacked(0xFF00FF)},
        {"maroon", Rgb::FromPacked(0x800000)},
        {"mediumaquamarine", Rgb::FromPacked(0x66CDAA)},
        {"mediumblue", Rgb::FromPacked(0x0000CD)},
        {"mediumorchid", Rgb::FromPacked(0xBA55D3)},
        {"mediumpurple", Rgb::FromPacked(0x9370DB)},
        {"mediumseagreen", Rgb::FromPacked(0x3CB371)},
        {"mediumslateblue", Rgb::FromPacked(0x7B68EE)},
        {"mediumspringgreen", Rgb::FromPacked(0x00FA9A)},
        {"mediumturquoise", Rgb::FromPacked(0x48D1CC)},
        {"mediumvioletred", Rgb::FromPacked(0xC71585)},
        {"midnightblue", Rgb::FromPacked(0x191970)},
        {"mintcream", Rgb::FromPacked(0xF5FFFA)},
        {"mistyrose", Rgb::FromPacked(0xFFE4E1)},
        {"moccasin", Rgb::FromPacked(0xFFE4B5)},
        {"navajowhite", Rgb::FromPacked(0xFFDEAD)},
        {"navy", Rgb::FromPacked(0x000080)},
        {"oldlace", Rgb::FromPacked(0xFDF5E6)},
        {"olive", Rgb::FromPacked(0x808000)},
        {"olivedrab", Rgb::FromPacked(0x6B8E23)},
        {"orange", Rgb::FromPacked(0xFFA500)},
        {"orangered", Rgb::FromPacked(0xFF4500)},
        {"orchid", Rgb::FromPacked(0xDA70D6)},
        {"palegoldenrod", Rgb::FromPacked(0xEEE8AA)},
        {"palegreen", Rgb::FromPacked(0x98FB98)},
        {"paleturquoise", Rgb::FromPacked(0xAFEEEE)},
        {"palevioletred", Rgb::FromPacked(0xDB7093)},
        {"papayawhip", Rgb::FromPacked(0xFFEFD5)},
        {"peachpuff", Rgb::FromPacked(0xFFDAB9)},
        {"peru", Rgb::FromPacked(0xCD853F)},
        {"pink", Rgb::FromPacked(0xFFC0CB)},
        {"plum", Rgb::FromPacked(0xDDA0DD)},
        {"powderblue", Rgb::FromPacked(0xB0E0E6)},
        {"purple", Rgb::FromPacked(0x800080)},
        {"rebeccapurple", Rgb::FromPacked(0x663399)},
        {"red", Rgb::FromPacked(0xFF0000)},
        {"rosybrown", Rgb::FromPacked(0xBC8F8F)},
        {"royalblue", Rgb::FromPacked(0x4169E1)},
        {"saddlebrown", Rgb::FromPacked(0x8B4513)},
        {"salmon", Rgb::FromPacked(0xFA8072)},
        {"sandybrown", Rgb::FromPacked(0xF4A460)},
        {"seagreen", Rgb::FromPacked(0x2E8B57)},
        {"seashell", Rgb::FromPacked(0xFFF5EE)},
        {"sienna", Rgb::FromPacked(0xA0522D)},
        {"silver", Rgb::FromPacked(0xC0C0C0)},
        {"skyblue", Rgb::FromPacked(0x87CEEB)},
        {"slateblue", Rgb::FromPacked(0x6A5ACD)},
        {"slategray", Rgb::FromPacked(0x708090)},
        {"slategrey", Rgb::FromPacked(0x708090)},
        {"snow", Rgb::FromPacked(0xFFFAFA)},
        {"springgreen", Rgb::FromPacked(0x00FF7F)},
        {"steelblue", Rgb::FromPacked(0x4682B4)},
        {"tan", Rgb::FromPacked(0xD2B48C)},
        {"teal", Rgb::FromPacked(0x008080)},
        {"thistle", Rgb::FromPacked(0xD8BFD8)},
        {"tomato", Rgb::FromPacked(0xFF6347)},
        {"turquoise", Rgb::FromPacked(0x40E0D0)},
        {"violet", Rgb::FromPacked(0xEE82EE)},
        {"wheat", Rgb::FromPacked(0xF5DEB3)},
        {"white", Rgb::FromPacked(0xFFFFFF)},
        {"whitesmoke", Rgb::FromPacked(0xF5F5F5)},
        {"yellow", Rgb::FromPacked(0xFFFF00)},
        {"yellowgreen", Rgb::FromPacked(0x9ACD32)},
    };
    return keywords;
}

std::optional<Rgb> ParseColor(std::string_view text) {
    if (text.size() == 7 && text[0] == '#') {
        uint32_t packed = 0;
        for (size_t i = 1; i < 7; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return std::nullopt;
            packed = packed << 4 | uint32_t(digit);
        }
        return Rgb::FromPacked(packed);
    }
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    const auto& keywords = ColorKeywords();
    const auto found =
        std::lower_bound(keywords.begin(), keywords.end(), lower,
                         [](const auto& row, const std::string& key) { return row.first < key; });
    if (found == keywords.end() || found->first != lower) return std::nullopt;
    return found->second;
}

VideoYCbCr RgbToVideoYCbCr(Rgb c) {
    // Kr = 0.299, Kb = 0.114; luma scaled to 219 steps, colour differences to
    // 224, coefficients times 1000 so that the sums stay exact.
    const long r = c.r, g = c.g, b = c.b;
    VideoYCbCr v;
    v.y = uint8_t(16 + RoundedOver255000(65481 * r + 128553 * g + 24966 * b));
    v.cb = uint8_t(128 + RoundedOver255000(-37797 * r - 74203 * g + 112000 * b));
    v.cr = uint8_t(128 + RoundedOver255000(112000 * r - 93786 * g - 18214 * b));
    return v;
}

}  // namespace glyphon
