#include "subtitle/Subtitle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "common/Convert.h"
#include "subtitle/TextFile.h"

namespace glyphon {

namespace {

using textfile::TextLines;

const char* const kUnsupported = "Unsupported Subtitle Format !";
const char* const kNoFrameRate =
    "Please write at the first line of your *.sub subtitle the fps of this subtitle\r"
    "Example: {1}{1}25.000";

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// `count` characters from the 1-based position `from`, clipped to the text.
std::string_view Copy(std::string_view s, size_t from, size_t count) {
    if (from < 1 || from > s.size()) return {};
    return s.substr(from - 1, count);
}

bool SrtTimeLine(std::string_view line) { return line.size() >= 29 && line.substr(13, 3) == "-->"; }

// hh:mm:ss,mmm to milliseconds. The separators are never looked at.
std::string SrtTime(std::string_view time) {
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
    return IntToStr(total);
}

// A frame number's time in whole milliseconds at `rate` frames per second.
std::string FrameToMs(std::string_view frameText, double rate) {
    const int64_t product = int64_t(StrToInt(frameText)) * 1000;
    // Frames past 2147483 (or the time they give at a very low rate) cannot be
    // timed in 32 bits: a wrapped time would be silently wrong.
    if (product < std::numeric_limits<int32_t>::min() || product > std::numeric_limits<int32_t>::max())
        NotAnInteger(frameText);
    // The quotient keeps extended precision up to the rounding: cut to double
    // first, a value just above a half could become an exact half and then
    // go to the even neighbour, the wrong way.
    const long double ms = static_cast<long double>(product) / static_cast<long double>(rate);
    if (!std::isfinite(ms) || std::fabs(ms) > 4.0e9L) NotAnInteger(frameText);
    const int64_t rounded = RoundHalfEven(ms);
    if (rounded < std::numeric_limits<int32_t>::min() || rounded > std::numeric_limits<int32_t>::max())
        NotAnInteger(frameText);
    return IntToStr(rounded);
}

double FrameRateOf(std::string_view line) {
    if (line.substr(0, 6) != "{1}{1}") return 0;
    return StrToFloat(line.substr(6));
}

// One MicroDVD line: the two times, and the three text lines as views into the
// line.
struct MicroDvdParts {
    std::string StartMs, EndMs;
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
    f.StartMs = FrameToMs(startText, rate);
    f.EndMs = FrameToMs(endText, rate);

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

// The times come as the decimal text of a 32-bit integer (SrtTime and
// FrameToMs see to that), which is how every time is stored.
void AddEntry(TSubtitle& s, std::string start, std::string end, std::string_view l1, std::string_view l2,
              std::string_view l3) {
    SubtitleLine& e = s.Lines.emplace_back();
    e.StartMs = std::move(start);
    e.EndMs = std::move(end);
    e.Line1 = l1;
    e.Line2 = l2;
    e.Line3 = l3;
    StripTagsFrom(e.Line1);
    StripTagsFrom(e.Line2);
    StripTagsFrom(e.Line3);
}

// Makes room at once for at most `entries` more entries, so that a large file
// does not make the list grow by repeated copying. The room stays within a few
// times the file's size, whatever the count.
void Reserve(TSubtitle& s, size_t entries, const TextLines& in) {
    s.Lines.reserve(s.Lines.size() + std::min(entries, in.Size() / 40 + 16));
}

void ReadSrt(TSubtitle& s, const std::string& FileName) {
    TextLines in(textfile::ReadTextFile(FileName, s.Utf8));
    size_t timingLines = 0;
    while (!in.Eof()) timingLines += SrtTimeLine(in.ReadLine());
    Reserve(s, timingLines, in);
    in.Rewind();
    while (!in.Eof()) {
        const std::string_view line = in.ReadLine();
        if (SrtTimeLine(line)) {
            std::string start = SrtTime(line.substr(0, 12));
            std::string end = SrtTime(line.substr(17, 12));
            // Three lines always follow a timing line, whatever they hold; a
            // blank one ends the text, and the ones after it are read and
            // dropped.
            std::string_view l1 = in.ReadLine(), l2 = in.ReadLine(), l3 = in.ReadLine();
            if (l1.empty()) l2 = {};
            if (l2.empty()) l3 = {};
            AddEntry(s, std::move(start), std::move(end), l1, l2, l3);
        }
        s.Loaded = true;
    }
}

void ReadMicroDvd(TSubtitle& s, const std::string& FileName, MessageSink& messages) {
    TextLines in(textfile::ReadTextFile(FileName, s.Utf8));
    // Reading stops at the first line without "}{", which cannot be parsed.
    size_t frameLines = 0;
    while (!in.Eof() && in.ReadLine().find("}{") != std::string_view::npos) ++frameLines;
    Reserve(s, frameLines, in);
    in.Rewind();
    bool first = true;
    double rate = 0;
    while (!in.Eof()) {
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
        MicroDvdParts f = ParseMicroDvd(line, rate);
        AddEntry(s, std::move(f.StartMs), std::move(f.EndMs), f.Line1, f.Line2, f.Line3);
        s.Loaded = true;
    }
}

}  // namespace

void TSubtitle::LoadFromFile(const std::string& FileName, bool ClearFirst, MessageSink& messages) {
    Loaded = false;
    if (IsSrtFile(FileName)) {
        if (ClearFirst) Clear();
        ReadSrt(*this, FileName);
    } else if (IsMicroDvdFile(FileName)) {
        if (ClearFirst) Clear();
        ReadMicroDvd(*this, FileName, messages);
    } else {
        messages.ShowMessage(kUnsupported);
    }
}

bool TSubtitle::IsSrtFile(const std::string& FileName) {
    if (!textfile::FileExists(FileName) || textfile::UpperExtension(FileName) != ".SRT") return false;
    // The first line (a subtitle number, or nothing at all) is not looked at.
    const std::vector<std::string> lines = textfile::ReadFirstLines(FileName, 2, 16);
    return lines[1].size() >= 16 && std::string_view(lines[1]).substr(13, 3) == "-->";
}

bool TSubtitle::IsSrtTimeLine(const std::string& Line) { return SrtTimeLine(Line); }

std::string TSubtitle::SrtTimeToMs(const std::string& Time) { return SrtTime(Time); }

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
    return fivestrings{std::move(p.StartMs), std::move(p.EndMs), std::string(p.Line1), std::string(p.Line2),
                       std::string(p.Line3)};
}

std::string TSubtitle::StripTags(const std::string& Text) {
    std::string s = Text;
    StripTagsFrom(s);
    return s;
}

void TSubtitle::Add(const std::string& StartMs, const std::string& EndMs, const std::string& Line1,
                    const std::string& Line2, const std::string& Line3) {
    Lines.push_back(SubtitleLine{StartMs, EndMs, Line1, Line2, Line3});
}

}  // namespace glyphon
