#include "subtitle/SubRipReader.h"

#include <limits>
#include <string_view>
#include <vector>

#include "common/Convert.h"
#include "subtitle/ReaderSupport.h"

namespace glyphon {

namespace {

constexpr size_t kSniffedLines = 16;  // looked at for a timing line

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// `count` characters from the 1-based position `from`, clipped to the text.
std::string_view Copy(std::string_view s, size_t from, size_t count) {
    if (from < 1 || from > s.size()) return {};
    return s.substr(from - 1, count);
}

// A subtitle number: digits, blanks around them allowed.
bool CueNumber(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    const size_t last = line.find_last_not_of(" \t");
    for (size_t i = first; i <= last; ++i)
        if (line[i] < '0' || line[i] > '9') return false;
    return true;
}

void SkipBlanks(std::string_view s, size_t& i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
}

// Digits at `i`, at most `most` of them; false when there are none.
bool Digits(std::string_view s, size_t& i, size_t most, int64_t& value) {
    size_t n = 0;
    value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < most) {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    return n > 0;
}

// A time as players (FFmpeg's reader among them) read it: hours of any
// number of digits, minutes and seconds of one or two, then a comma or full
// stop and the milliseconds in one to three digits ("9,5" is 9 seconds and
// 5 milliseconds); without them, whole seconds.
bool PlayerTime(std::string_view s, size_t& i, int64_t& ms) {
    int64_t hours = 0, minutes = 0, seconds = 0;
    if (!Digits(s, i, 9, hours) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!Digits(s, i, 2, minutes) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!Digits(s, i, 2, seconds)) return false;
    int64_t millis = 0;
    if (i + 1 < s.size() && (s[i] == ',' || s[i] == '.') && s[i + 1] >= '0' && s[i + 1] <= '9') {
        ++i;
        Digits(s, i, 3, millis);
    }
    // A fourth digit of milliseconds, or seconds of three, is no time.
    if (i < s.size() && s[i] >= '0' && s[i] <= '9') return false;
    ms = hours * 3600000 + minutes * 60000 + seconds * 1000 + millis;
    return ms <= std::numeric_limits<int32_t>::max();
}

// The times of a timing line. The fixed columns come first, so that every
// line they read keeps its times; then the line as players read it: blanks
// anywhere around the times, "-->" with or without blanks, anything (such as
// position coordinates) after the end time.
bool TimingOf(std::string_view line, int64_t& start, int64_t& end) {
    if (SrtFixedTimeLine(line)) {
        try {
            start = SrtTimeTicks(line.substr(0, 12));
            end = SrtTimeTicks(line.substr(17, 12));
            return true;
        } catch (const ConvertError&) {
        }
    }
    size_t i = 0;
    int64_t from = 0, to = 0;
    SkipBlanks(line, i);
    if (!PlayerTime(line, i, from)) return false;
    if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '-') return false;
    SkipBlanks(line, i);
    if (line.substr(i, 3) != "-->") return false;
    i += 3;
    SkipBlanks(line, i);
    if (!PlayerTime(line, i, to)) return false;
    // Coordinates or anything else stand apart from the end time.
    if (i < line.size() && line[i] != ' ' && line[i] != '\t') return false;
    start = TicksOfMs(from);
    end = TicksOfMs(to);
    return true;
}

}  // namespace

bool SrtFixedTimeLine(std::string_view line) { return line.size() >= 29 && line.substr(13, 3) == "-->"; }

int64_t SrtTimeTicks(std::string_view time) {
    const int64_t hours = StrToInt(Copy(time, 1, 2));
    const int64_t minutes = StrToInt(Copy(time, 4, 2));
    const int64_t seconds = StrToInt(Copy(time, 7, 2));
    const int64_t millis = StrToInt(Copy(time, 10, std::string_view::npos));
    const int64_t total = hours * 3600000 + minutes * 60000 + seconds * 1000 + millis;
    // Two-digit fields and three-digit milliseconds stay far below the limit;
    // only a longer milliseconds field can leave 32 bits, and a wrapped time
    // would be a wrong time, so it is refused like any other bad number.
    if (total < std::numeric_limits<int32_t>::min() || total > std::numeric_limits<int32_t>::max())
        NotAnInteger(time);
    return TicksOfMs(total);
}

ProbeMatch ProbeSubRip(std::string_view head) {
    const std::vector<std::string_view> lines = HeadLines(head, kSniffedLines);
    // The first line (a subtitle number, or nothing at all) is not looked at.
    if (lines.size() > 1 && lines[1].size() >= 16 && lines[1].substr(13, 3) == "-->")
        return ProbeMatch::Likely;
    // Blank lines or a header before the first subtitle, or a timing line
    // that only players read.
    int64_t start = 0, end = 0;
    for (const std::string_view line : lines)
        if (TimingOf(line, start, end)) return ProbeMatch::Likely;
    return ProbeMatch::No;
}

void ReadSubRip(TSubtitle& s, textfile::TextLines& in, const std::string&, MessageSink&) {
    // Lines are found where they are looked at rather than listed first (a
    // file of millions of tiny cues has four lines a cue); reading only ever
    // looks ahead. A line is named by where it starts and its number.
    const std::string_view all(in.Data(), in.Size());
    struct Line {
        size_t at = 0, index = 0;  // its first byte; its number in the file (0-based)
    };
    const auto more = [&](Line l) { return l.at < all.size(); };
    const auto text = [&](Line l) {
        const size_t lf = all.find('\n', l.at);
        return all.substr(l.at, lf == std::string_view::npos ? std::string_view::npos : lf - l.at);
    };
    const auto next = [&](Line l) { return Line{l.at + text(l).size() + 1, l.index + 1}; };
    const auto pastBlanks = [&](Line l) {
        while (more(l) && BlankLine(text(l))) l = next(l);
        return l;
    };
    const auto timing = [&](Line l) {
        int64_t start = 0, end = 0;
        return !BlankLine(text(l)) && TimingOf(text(l), start, end);
    };
    size_t timingLines = 0;
    for (Line l; more(l); l = next(l)) timingLines += timing(l);
    ReserveCues(s, timingLines, all.size());
    // A number whose next line that is not blank is a timing line.
    const auto numberBeforeTiming = [&](Line l) {
        if (!CueNumber(text(l))) return false;
        const Line j = pastBlanks(next(l));
        return more(j) && timing(j);
    };
    const auto ends = [&](Line l) { return timing(l) || numberBeforeTiming(l); };
    // Lines after a blank line go on the subtitle unless they look like a
    // subtitle whose timing line nobody reads: an arrow among them, or a
    // number followed by more lines.
    const auto continues = [&](Line l) {
        if (CueNumber(text(l)) && more(next(l)) && !BlankLine(text(next(l)))) return false;
        for (; more(l) && !BlankLine(text(l)) && !ends(l); l = next(l))
            if (text(l).find("->") != std::string_view::npos) return false;
        return true;
    };
    std::vector<std::string_view> cueText;
    for (Line i; more(i);) {
        if (BlankLine(text(i)) || numberBeforeTiming(i)) {
            i = next(i);
        } else if (timing(i)) {
            int64_t start = 0, end = 0;
            TimingOf(text(i), start, end);
            const size_t first = i.index;
            cueText.clear();
            for (i = next(i); more(i) && !ends(i);) {
                if (!BlankLine(text(i))) {
                    cueText.push_back(text(i));
                    i = next(i);
                    continue;
                }
                const Line after = pastBlanks(i);
                if (!more(after) || ends(after) || !continues(after)) break;
                i = after;
            }
            AddCue(s, start, end, cueText, TagSyntax::SubRip, first);
        } else {
            // Named by its first line that is more than a number: usually a
            // timing line that cannot be read.
            Line shown = i;
            const size_t first = i.index;
            for (; more(i) && !BlankLine(text(i)) && !ends(i); i = next(i))
                if (shown.index == first && CueNumber(text(shown)) && !CueNumber(text(i))) shown = i;
            NoteUnreadable(s, shown.index, text(shown));
        }
    }
    s.Loaded = true;
}

}  // namespace glyphon
