#include "subtitle/WebVttTime.h"

#include <limits>

namespace glyphon {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

bool Number(std::string_view s, size_t& i, size_t most, int64_t& value) {
    size_t n = 0;
    value = 0;
    while (i < s.size() && Digit(s[i]) && n < most) value = value * 10 + (s[i++] - '0'), ++n;
    return n > 0 && !(i < s.size() && Digit(s[i]));
}

void SkipBlanks(std::string_view s, size_t& i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
}

}  // namespace

bool ReadVttTimestamp(std::string_view s, size_t& i, int64_t& ms) {
    int64_t field[3] = {0, 0, 0};
    int fields = 0;
    for (;;) {
        if (!Number(s, i, 9, field[fields])) return false;
        ++fields;
        if (i < s.size() && s[i] == ':' && fields < 3) {
            ++i;
            continue;
        }
        break;
    }
    if (fields < 2 || i >= s.size() || s[i] != '.') return false;
    ++i;
    int64_t fraction = 0;
    if (!Number(s, i, 3, fraction)) return false;
    const int64_t hours = fields == 3 ? field[0] : 0;
    const int64_t minutes = field[fields - 2], seconds = field[fields - 1];
    if (minutes > 59 && fields == 3) return false;
    if (seconds > 59) return false;
    ms = hours * 3600000 + minutes * 60000 + seconds * 1000 + fraction;
    return ms <= std::numeric_limits<int32_t>::max();
}

bool ReadVttTiming(std::string_view line, VttTiming& timing) {
    size_t i = 0;
    SkipBlanks(line, i);
    if (!ReadVttTimestamp(line, i, timing.startMs)) return false;
    SkipBlanks(line, i);
    if (line.substr(i, 3) != "-->") return false;
    i += 3;
    SkipBlanks(line, i);
    if (!ReadVttTimestamp(line, i, timing.endMs)) return false;
    if (i < line.size() && line[i] != ' ' && line[i] != '\t') return false;
    SkipBlanks(line, i);
    size_t end = line.size();
    while (end > i && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    timing.settings = line.substr(i, end - i);
    return true;
}

}  // namespace glyphon
