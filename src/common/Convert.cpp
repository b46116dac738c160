#include "common/Convert.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace glyphon {

namespace {

[[noreturn]] void Fail(std::string_view text, const char* what) {
    throw ConvertError("'" + std::string(text) + "' is not a valid " + what + " value");
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ParseInt(std::string_view text, int32_t& out) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        return false;
    out = int32_t(value);
    return true;
}

bool ParseFloat(std::string_view text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    if (b == e) return false;
    // Accept only the characters of a plain decimal number: the library's
    // parsers would also take "inf", "nan" and hexadecimal floats.
    const std::string s(text.substr(b, e - b));
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
            return false;
    // from_chars reads "." whatever the process locale says: the window's
    // toolkit sets the locale from the environment, where the separator may
    // be ",". It takes no leading "+", which a number may have here.
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-' || *first == '+') return false;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (end != last || ec != std::errc()) return false;
    out = v;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

int32_t StrToInt(std::string_view text) {
    int32_t v = 0;
    if (!ParseInt(text, v)) Fail(text, "integer");
    return v;
}

double StrToFloat(std::string_view text) {
    double v = 0;
    if (!ParseFloat(text, v)) Fail(text, "floating point");
    return v;
}

bool StrToBool(std::string_view text) {
    double v = 0;
    if (ParseFloat(text, v)) return v != 0;
    if (EqualsNoCase(text, "true")) return true;
    if (EqualsNoCase(text, "false")) return false;
    Fail(text, "boolean");
}

// nearbyint rounds in the current mode; nothing here changes it from
// round-to-nearest, in which an exact half goes to the even neighbour.
int64_t RoundHalfEven(double value) { return int64_t(std::nearbyint(value)); }
int64_t RoundHalfEven(long double value) { return int64_t(std::nearbyintl(value)); }

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string WithFullStop(std::string text) {
    if (text.empty() || text.back() != '.') text += '.';
    return text;
}

std::string CutForMessage(std::string_view text, size_t length) {
    if (text.size() <= length) return std::string(text);
    size_t cut = length;
    while (cut > 0 && (uint8_t(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    return std::string(text.substr(0, cut)) + "...";
}

}  // namespace glyphon
