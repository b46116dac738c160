#include "subtitle/MicroDvdReader.h"

#include <cmath>
#include <limits>
#include <vector>

#include "common/Convert.h"
#include "subtitle/ReaderSupport.h"

namespace glyphon {

namespace {

const char* const kNoFrameRate =
    "Please write at the first line of your *.sub subtitle the fps of this subtitle\r"
    "Example: {1}{1}25.000";

// Above any video's rate; a larger first-line value is a mistake.
constexpr double kFastestFrameRate = 1000;
constexpr double kSlowestFrameRate = 0.001;

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
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

// "{digits}" at `i`; moves past it.
bool FrameField(std::string_view s, size_t& i, bool emptyAllowed) {
    if (i >= s.size() || s[i] != '{') return false;
    size_t j = i + 1;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    if (j >= s.size() || s[j] != '}' || (j == i + 1 && !emptyAllowed)) return false;
    i = j + 1;
    return true;
}

// The first line, quoted in a message.
std::string Shown(std::string_view line) {
    return std::string(line.substr(0, 40)) + (line.size() > 40 ? "..." : "");
}

}  // namespace

ProbeMatch ProbeMicroDvd(std::string_view head) {
    const std::string_view first = head.substr(0, head.find('\n'));
    size_t i = 0;
    if (FrameField(first, i, false) && FrameField(first, i, true)) return ProbeMatch::Likely;
    return !first.empty() && first[0] == '{' ? ProbeMatch::Weak : ProbeMatch::No;
}

double MicroDvdFrameRate(std::string_view line) {
    if (line.substr(0, 6) != "{1}{1}") return 0;
    return StrToFloat(line.substr(6));
}

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

void ReadMicroDvd(TSubtitle& s, textfile::TextLines& in, const std::string& fileName, MessageSink& messages) {
    // Reading stops at the first line without "}{", which cannot be parsed.
    size_t frameLines = 0;
    while (!in.Eof() && in.ReadLine().find("}{") != std::string_view::npos) ++frameLines;
    ReserveCues(s, frameLines, in.Size());
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
            try {
                own = MicroDvdFrameRate(line);
            } catch (const ConvertError&) {
                // "{1}{1}vers. Ghost...": a subtitle on the first frame.
                if (!(s.FallbackFrameRate > 0) && !s.ExplainRefusals) throw;
                if (!(s.FallbackFrameRate > 0)) {
                    messages.ShowMessage("The first line of " + fileName + ", \"" + Shown(line) +
                                         "\", is no frame rate\r" + kNoFrameRate);
                    s.Loaded = false;
                    return;
                }
            }
            // A tiny rate puts every frame number past any time there is.
            const bool tiny = own > 0 && own < kSlowestFrameRate;
            if (own != 0 && (tiny || !(own > 0 && own <= kFastestFrameRate))) {
                // A negative rate would time everything before the video, a
                // huge one everything at 0 s.
                const std::string_view given = line.substr(6, 40);
                messages.ShowMessage("The frame rate " + std::string(given) +
                                     (line.size() > 46 ? "..." : "") + " in the first line of " + fileName +
                                     " is not a frame rate of a video (" +
                                     (tiny ? "at least 0.001" : "more than 0") +
                                     ", at most 1000)\r"
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
        if (BlankLine(line)) continue;
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
        AddCue(s, f.start, f.end, text, TagSyntax::MicroDvd, index);
        s.Loaded = true;
    }
}

}  // namespace glyphon
