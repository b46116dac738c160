#include "subtitle/Subtitle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "common/Convert.h"
#include "subtitle/TextFile.h"
#include "subtitle/WebVttReader.h"

namespace glyphon {

namespace {

using textfile::TextLines;

constexpr int kSniffedLines = 16;  // looked at for a timing line
const char* const kUnsupported = "Unsupported Subtitle Format !";
const char* const kNoFrameRate =
    "Please write at the first line of your *.sub subtitle the fps of this subtitle\r"
    "Example: {1}{1}25.000";

// Above any video's rate; a larger first-line value is a mistake.
constexpr double kFastestFrameRate = 1000;
constexpr double kSlowestFrameRate = 0.001;

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// `count` characters from the 1-based position `from`, clipped to the text.
std::string_view Copy(std::string_view s, size_t from, size_t count) {
    if (from < 1 || from > s.size()) return {};
    return s.substr(from - 1, count);
}

bool SrtTimeLine(std::string_view line) { return line.size() >= 29 && line.substr(13, 3) == "-->"; }

// hh:mm:ss,mmm to 90 kHz ticks. The separators are never looked at.
int64_t SrtTime(std::string_view time) {
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

// A frame rate as a fraction. The NTSC rates, written 23.976, 29.97 or 59.94
// (or with more digits), are 24000/1001, 30000/1001 and 60000/1001: the rates
// of the films these files are timed for. Others are taken to a millionth.
struct FrameRate {
    int64_t num = 0, den = 1;
};

FrameRate RateOf(double rate) {
    for (const int64_t ntsc : {24000, 30000, 48000, 60000})
        if (std::fabs(rate - double(ntsc) / 1001) < 0.0006) return {ntsc, 1001};
    const long double millionths = std::round(static_cast<long double>(rate) * 1000000);
    if (!(millionths >= 1 && millionths < 1e15L)) return {};
    return {int64_t(millionths), 1000000};
}

// A frame's time in 90 kHz ticks at `rate`, rounded down: on or before the
// frame.
int64_t FrameToTicks(std::string_view frameText, double rate) {
    const int64_t frame = StrToInt(frameText);
    const int64_t product = frame * 1000;
    // Frames past 2147483 (or the time they give at a very low rate) cannot be
    // timed in 32 bits of milliseconds: a wrapped time would be silently wrong.
    if (product < std::numeric_limits<int32_t>::min() || product > std::numeric_limits<int32_t>::max())
        NotAnInteger(frameText);
    const FrameRate r = RateOf(rate);
    if (r.num <= 0) NotAnInteger(frameText);
    const __int128 scaled = __int128(frame) * kTicksPerSecond * r.den;
    __int128 ticks = scaled / r.num;
    if (ticks * r.num != scaled && scaled < 0) --ticks;  // toward the earlier tick
    const __int128 ms = ticks / kTicksPerMs;
    if (ms < std::numeric_limits<int32_t>::min() || ms > std::numeric_limits<int32_t>::max())
        NotAnInteger(frameText);
    return int64_t(ticks);
}

double FrameRateOf(std::string_view line) {
    if (line.substr(0, 6) != "{1}{1}") return 0;
    return StrToFloat(line.substr(6));
}

// One MicroDVD line: the two times, and the three text lines as views into the
// line.
struct MicroDvdParts {
    int64_t start = 0, end = 0;
    std::string_view Line1, Line2, Line3;
};

MicroDvdParts ParseMicroDvd(std::string_view r, double rate) {
    // Everything up to and including the first brace goes.
    const size_t p1 = r.find('{');
    if (p1 != std::string_view::npos) r.remove_prefix(p1 + 1);

    // start}{end}text. A missing "}{" or closing brace leaves an empty frame
    // text, which the integer conversion then refuses.
    std::string_view startText, endText;
    const size_t p2 = r.find("}{");
    if (p2 == std::string_view::npos) {
        r.remove_prefix(r.empty() ? 0 : 1);
    } else {
        startText = r.substr(0, p2);
        r.remove_prefix(p2 + 2);
    }
    const size_t p3 = r.find('}');
    if (p3 != std::string_view::npos) {
        endText = r.substr(0, p3);
        r.remove_prefix(p3 + 1);
    }

    MicroDvdParts f;
    f.start = FrameToTicks(startText, rate);
    f.end = FrameToTicks(endText, rate);

    // "|" separates the lines; a third "|" and later ones stay in line 3.
    const size_t bar1 = r.find('|');
    if (bar1 == std::string_view::npos) {
        f.Line1 = r;
        return f;
    }
    f.Line1 = r.substr(0, bar1);
    const std::string_view rest = r.substr(bar1 + 1);
    const size_t bar2 = rest.find('|');
    if (bar2 == std::string_view::npos) {
        f.Line2 = rest;
    } else {
        f.Line2 = rest.substr(0, bar2);
        f.Line3 = rest.substr(bar2 + 1);
    }
    return f;
}

// Removes the first occurrence of each of the twelve tags, in this order.
void StripTagsFrom(std::string& s) {
    static constexpr std::string_view kTags[] = {"<u>",  "<b>",  "<i>",  "<U>",  "<B>",  "<I>",
                                                 "</u>", "</b>", "</i>", "</U>", "</B>", "</I>"};
    if (s.find('<') == std::string::npos) return;
    for (const std::string_view tag : kTags) {
        const size_t at = s.find(tag);
        if (at != std::string::npos) s.erase(at, tag.size());
    }
}

bool Blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

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
    if (SrtTimeLine(line)) {
        try {
            start = SrtTime(line.substr(0, 12));
            end = SrtTime(line.substr(17, 12));
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

// {\an1}..{\an9}: the places of a numeric keypad's keys. The bottom and top
// rows keep the run's own places there (a stack), the middle row is centred
// on the picture's height; the left and right columns sit at the margins.
CuePlacement KeypadPlacement(int an) {
    CuePlacement place;
    const int row = (an - 1) / 3, column = (an - 1) % 3;  // row 0 the bottom
    place.anchor = row == 0 ? CuePlacement::Anchor::Bottom : row == 2 ? CuePlacement::Anchor::Top : CuePlacement::Anchor::Point;
    if (row == 1) place.y = place.boxY = 0.5;
    if (column != 1) {
        place.across = true;
        place.x = place.boxX = column == 0 ? 0 : 1;
    }
    return place;
}

// The times are 90 kHz ticks within 32 bits of milliseconds (SrtTime,
// TimingOf and FrameToTicks see to that). The text lines lose their tags;
// their styles become the entry's runs. `fileLine`: the cue's first line.
void AddEntry(TSubtitle& s, int64_t start, int64_t end, const std::vector<std::string_view>& text,
              TagSyntax syntax, size_t fileLine) {
    Cue& e = s.Lines.emplace_back();
    e.start = start;
    e.end = end;
    e.fileLine = int(fileLine + 1);
    TagState tags;
    std::vector<LineRuns> runs;
    bool styled = false;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string plain;
        runs.push_back(ReadTags(text[i], syntax, tags, plain));
        styled = styled || !runs.back().empty();
        if (i == 0)
            e.Line1 = std::move(plain);
        else if (i == 1)
            e.Line2 = std::move(plain);
        else if (i == 2)
            e.Line3 = std::move(plain);
        else
            e.MoreLines.push_back(std::move(plain));
    }
    if (styled) e.Runs = std::move(runs);
    if (tags.top) e.place.anchor = CuePlacement::Anchor::Top;
    if (tags.an != 0) e.place = KeypadPlacement(tags.an);
}

// Makes room at once for at most `entries` more entries, so that a large file
// does not make the list grow by repeated copying. The room stays within a few
// times the file's size, whatever the count.
void Reserve(TSubtitle& s, size_t entries, const TextLines& in) {
    s.Lines.reserve(s.Lines.size() + std::min(entries, in.Size() / 40 + 16));
}

// The file's text; notes whether it is UTF-8 without saying so.
TextLines ReadText(TSubtitle& s, const std::string& FileName) {
    textfile::Bytes bytes = textfile::ReadTextFile(FileName, s.Utf8);
    s.LooksUtf8 = !s.Utf8 && LooksLikeUtf8(std::string_view(bytes.data.get(), bytes.size));
    return TextLines(std::move(bytes));
}

constexpr size_t kShownBytes = 80;  // of an unreadable line

void NoteUnreadable(TSubtitle& s, size_t index, std::string_view line) {
    s.Unreadable.push_back(UnreadableBlock{int(index + 1), std::string(line.substr(0, kShownBytes))});
}

// A subtitle is a timing line and the text lines after it, up to a blank
// line, the next timing line, or a subtitle number directly followed by a
// timing line. Subtitle numbers are never checked. Lines outside every
// subtitle are reported, one report per block of them.
void ReadSrt(TSubtitle& s, const std::string& FileName) {
    TextLines in = ReadText(s, FileName);
    std::vector<std::string_view> lines;
    while (!in.Eof()) lines.push_back(in.ReadLine());
    const size_t n = lines.size();
    int64_t start = 0, end = 0;
    std::vector<bool> timing(n);
    size_t timingLines = 0;
    for (size_t i = 0; i < n; ++i) timingLines += timing[i] = !Blank(lines[i]) && TimingOf(lines[i], start, end);
    Reserve(s, timingLines, in);
    const auto numberBeforeTiming = [&](size_t i) { return i + 1 < n && timing[i + 1] && CueNumber(lines[i]); };
    std::vector<std::string_view> text;
    for (size_t i = 0; i < n;) {
        if (Blank(lines[i]) || numberBeforeTiming(i)) {
            ++i;
        } else if (timing[i]) {
            TimingOf(lines[i], start, end);
            const size_t first = i;
            text.clear();
            for (++i; i < n && !Blank(lines[i]) && !timing[i] && !numberBeforeTiming(i); ++i)
                text.push_back(lines[i]);
            AddEntry(s, start, end, text, TagSyntax::SubRip, first);
        } else {
            // Named by its first line that is more than a number: usually a
            // timing line that cannot be read.
            size_t shown = i;
            const size_t first = i;
            for (; i < n && !Blank(lines[i]) && !timing[i] && !numberBeforeTiming(i); ++i)
                if (shown == first && CueNumber(lines[shown]) && !CueNumber(lines[i])) shown = i;
            NoteUnreadable(s, shown, lines[shown]);
        }
    }
    s.Loaded = true;
}

void ReadMicroDvd(TSubtitle& s, const std::string& FileName, MessageSink& messages) {
    TextLines in = ReadText(s, FileName);
    // Reading stops at the first line without "}{", which cannot be parsed.
    size_t frameLines = 0;
    while (!in.Eof() && in.ReadLine().find("}{") != std::string_view::npos) ++frameLines;
    Reserve(s, frameLines, in);
    in.Rewind();
    bool first = true;
    double rate = 0;
    std::vector<std::string_view> text;
    for (size_t index = 0; !in.Eof(); ++index) {
        const std::string_view line = in.ReadLine();
        if (first) {
            first = false;
            // The frame-rate line only says how frames turn into time: it is
            // not a subtitle. Without one, the fallback rate (if any) times
            // the file, and its first line is a subtitle like the rest.
            double own = 0;
            if (s.FallbackFrameRate > 0) {
                try {
                    own = FrameRateOf(line);
                } catch (const ConvertError&) {
                }
            } else {
                own = FrameRateOf(line);
            }
            // A tiny rate puts every frame number past any time there is.
            const bool tiny = own > 0 && own < kSlowestFrameRate;
            if (own != 0 && (tiny || !(own > 0 && own <= kFastestFrameRate))) {
                // A negative rate would time everything before the video, a
                // huge one everything at 0 s.
                const std::string_view given = line.substr(6, 40);
                messages.ShowMessage("The frame rate " + std::string(given) + (line.size() > 46 ? "..." : "") +
                                     " in the first line of " + FileName + " is not a frame rate of a video (" +
                                     (tiny ? "at least 0.001" : "more than 0") + ", at most 1000)\r"
                                     "Example: {1}{1}25.000");
                s.Loaded = false;
                return;
            }
            if (own > 0) {
                rate = own;
                s.Loaded = true;
                continue;
            }
            rate = s.FallbackFrameRate;
        }
        if (!(rate > 0)) {
            messages.ShowMessage(kNoFrameRate);
            s.Loaded = false;
            return;
        }
        if (Blank(line)) continue;
        MicroDvdParts f;
        try {
            f = ParseMicroDvd(line, rate);
        } catch (const ConvertError&) {
            NoteUnreadable(s, index, line);
            continue;
        }
        // Every "|" starts a line.
        text.assign({f.Line1});
        if (f.Line2.data() != nullptr) text.push_back(f.Line2);
        for (std::string_view rest = f.Line3; rest.data() != nullptr;) {
            const size_t bar = rest.find('|');
            text.push_back(rest.substr(0, bar));
            if (bar == std::string_view::npos) break;
            rest = rest.substr(bar + 1);
        }
        AddEntry(s, f.start, f.end, text, TagSyntax::MicroDvd, index);
        s.Loaded = true;
    }
}

// Moves the cues from `from` on whose times are impossible to Impossible.
void LeaveOutImpossible(TSubtitle& s, size_t from) {
    size_t kept = from;
    for (size_t i = from; i < s.Lines.size(); ++i) {
        Cue& c = s.Lines[i];
        if (c.start < 0 || c.end < 0 || c.end < c.start)
            s.Impossible.push_back(ImpossibleCue{c.fileLine, c.start, c.end, c.Line1.substr(0, kShownBytes)});
        else if (kept++ != i)
            s.Lines[kept - 1] = std::move(c);
    }
    s.Lines.resize(kept);
}

// A time as h:mm:ss.mmm, a negative one with its sign.
std::string Clock(int64_t ticks) {
    const int64_t ms = MsOfTicks(ticks);
    const int64_t a = ms < 0 ? -ms : ms;
    char text[48];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%03lld", ms < 0 ? "-" : "", (long long)(a / 3600000),
                  (long long)(a / 60000 % 60), (long long)(a / 1000 % 60), (long long)(a % 1000));
    return text;
}

}  // namespace

std::string DescribeImpossibleCue(const ImpossibleCue& cue) {
    return "line " + std::to_string(cue.line) + ": " + Clock(cue.start) + " --> " + Clock(cue.end) +
           (cue.start < 0 || cue.end < 0 ? " has a negative time" : " ends before it starts");
}

std::vector<std::string_view> TextLinesOf(const SubtitleLine& entry) {
    std::vector<std::string_view> lines{entry.Line1, entry.Line2};
    size_t last = entry.MoreLines.size();
    while (last > 0 && entry.MoreLines[last - 1].empty()) --last;
    if (last > 0 || !entry.Line3.empty()) lines.push_back(entry.Line3);
    for (size_t i = 0; i < last; ++i) lines.push_back(entry.MoreLines[i]);
    return lines;
}

const LineRuns& RunsOf(const SubtitleLine& entry, size_t index) {
    static const LineRuns kNone;
    return index < entry.Runs.size() ? entry.Runs[index] : kNone;
}

void TSubtitle::LoadFromFile(const std::string& FileName, bool ClearFirst, MessageSink& messages) {
    Loaded = false;
    LooksUtf8 = false;
    Unreadable.clear();
    Impossible.clear();
    const size_t before = ClearFirst ? 0 : Lines.size();
    if (IsSrtFile(FileName)) {
        if (ClearFirst) Clear();
        ReadSrt(*this, FileName);
    } else if (IsMicroDvdFile(FileName)) {
        if (ClearFirst) Clear();
        ReadMicroDvd(*this, FileName, messages);
    } else if (IsWebVttFile(FileName)) {
        if (ClearFirst) Clear();
        ReadWebVtt(*this, FileName, messages);
    } else {
        messages.ShowMessage(kUnsupported);
        return;
    }
    LeaveOutImpossible(*this, std::min(before, Lines.size()));
}

bool TSubtitle::IsSrtFile(const std::string& FileName) {
    if (!textfile::FileExists(FileName) || textfile::UpperExtension(FileName) != ".SRT") return false;
    // The first line (a subtitle number, or nothing at all) is not looked at.
    const std::vector<std::string> lines = textfile::ReadFirstLines(FileName, kSniffedLines, 256);
    if (lines[1].size() >= 16 && std::string_view(lines[1]).substr(13, 3) == "-->") return true;
    // Blank lines or a header before the first subtitle, or a timing line
    // that only players read.
    int64_t start = 0, end = 0;
    for (const std::string& line : lines)
        if (TimingOf(line, start, end)) return true;
    return false;
}

bool TSubtitle::IsSrtTimeLine(const std::string& Line) { return SrtTimeLine(Line); }

int64_t TSubtitle::SrtTimeToTicks(const std::string& Time) { return SrtTime(Time); }

bool TSubtitle::IsMicroDvdFile(const std::string& FileName) {
    if (!textfile::FileExists(FileName)) return false;
    const std::string ext = textfile::UpperExtension(FileName);
    if (ext != ".TXT" && ext != ".SUB") return false;
    const std::vector<std::string> lines = textfile::ReadFirstLines(FileName, 1, 1);
    return !lines[0].empty() && lines[0][0] == '{';
}

double TSubtitle::ReadFrameRate(const std::string& Line) { return FrameRateOf(Line); }

fivestrings TSubtitle::ParseMicroDvdLine(const std::string& Line, double FrameRate) {
    MicroDvdParts p = ParseMicroDvd(Line, FrameRate);
    return fivestrings{p.start, p.end, std::string(p.Line1), std::string(p.Line2), std::string(p.Line3)};
}

std::string TSubtitle::StripTags(const std::string& Text) {
    std::string s = Text;
    StripTagsFrom(s);
    return s;
}

void TSubtitle::Add(int64_t Start, int64_t End, const std::string& Line1, const std::string& Line2,
                    const std::string& Line3) {
    Lines.push_back(Cue{Start, End, Line1, Line2, Line3});
}

}  // namespace glyphon
