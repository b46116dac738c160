#include "subtitle/SubRipReader.h"

#include <limits>
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
    if (lines.size() > 1 && lines[1].size() >= 16 && lines[1].substr(13, 3) == "-->") return ProbeMatch::Likely;
    // Blank lines or a header before the first subtitle, or a timing line
    // that only players read.
    int64_t start = 0, end = 0;
    for (const std::string_view line : lines)
        if (TimingOf(line, start, end)) return ProbeMatch::Likely;
    return ProbeMatch::No;
}

void ReadSubRip(TSubtitle& s, textfile::TextLines& in, const std::string&, MessageSink&) {
    // Where each line starts (four bytes a line rather than a view's
    // sixteen: a file of millions of tiny cues has four lines a cue).
    std::vector<uint32_t> starts;
    std::vector<bool> timing;
    int64_t start = 0, end = 0;
    size_t timingLines = 0;
    const char* const base = in.Data();
    while (!in.Eof()) {
        const std::string_view line = in.ReadLine();
        starts.push_back(uint32_t(line.data() - base));
        timing.push_back(!BlankLine(line) && TimingOf(line, start, end));
        timingLines += timing.back();
    }
    const size_t n = starts.size();
    // Line i runs up to the line feed before line i + 1; the last one to the
    // text's end when no line feed ends it.
    const bool ended = in.Size() > 0 && base[in.Size() - 1] == '\n';
    starts.push_back(uint32_t(in.Size() + (ended ? 0 : 1)));
    const auto lines = [&](size_t i) { return std::string_view(base + starts[i], starts[i + 1] - 1 - starts[i]); };
    ReserveCues(s, timingLines, in.Size());
    // A number whose next line that is not blank is a timing line.
    const auto numberBeforeTiming = [&](size_t i) {
        if (!CueNumber(lines(i))) return false;
        size_t j = i + 1;
        while (j < n && BlankLine(lines(j))) ++j;
        return j < n && timing[j];
    };
    const auto ends = [&](size_t i) { return timing[i] || numberBeforeTiming(i); };
    // Lines after a blank line go on the subtitle unless they look like a
    // subtitle whose timing line nobody reads: an arrow among them, or a
    // number followed by more lines.
    const auto continues = [&](size_t i) {
        if (CueNumber(lines(i)) && i + 1 < n && !BlankLine(lines(i + 1))) return false;
        for (; i < n && !BlankLine(lines(i)) && !ends(i); ++i)
            if (lines(i).find("->") != std::string_view::npos) return false;
        return true;
    };
    std::vector<std::string_view> text;
    for (size_t i = 0; i < n;) {
        if (BlankLine(lines(i)) || numberBeforeTiming(i)) {
            ++i;
        } else if (timing[i]) {
            TimingOf(lines(i), start, end);
            const size_t first = i;
            text.clear();
            for (++i; i < n && !ends(i);) {
                if (!BlankLine(lines(i))) {
                    text.push_back(lines(i++));
                    continue;
                }
                size_t next = i;
                while (next < n && BlankLine(lines(next))) ++next;
                if (next == n || ends(next) || !continues(next)) break;
                i = next;
            }
            AddCue(s, start, end, text, TagSyntax::SubRip, first);
        } else {
            // Named by its first line that is more than a number: usually a
            // timing line that cannot be read.
            size_t shown = i;
            const size_t first = i;
            for (; i < n && !BlankLine(lines(i)) && !ends(i); ++i)
                if (shown == first && CueNumber(lines(shown)) && !CueNumber(lines(i))) shown = i;
            NoteUnreadable(s, shown, lines(shown));
        }
    }
    s.Loaded = true;
}

}  // namespace glyphon
