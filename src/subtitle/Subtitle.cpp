#include "subtitle/Subtitle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>

#include "common/Convert.h"
#include "subtitle/FormatGuess.h"
#include "subtitle/MicroDvdReader.h"
#include "subtitle/SubRipReader.h"
#include "subtitle/SubtitleReaders.h"
#include "subtitle/TextFile.h"

namespace glyphon {

namespace {

constexpr size_t kShownBytes = 80;  // of an impossible cue's text
const char* const kUnsupported = "Unsupported Subtitle Format !";

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
    std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%03lld", ms < 0 ? "-" : "",
                  (long long)(a / 3600000), (long long)(a / 60000 % 60), (long long)(a / 1000 % 60),
                  (long long)(a % 1000));
    return text;
}

}  // namespace

std::string DescribeImpossibleCue(const ImpossibleCue& cue) {
    return "line " + std::to_string(cue.line) + ": " + Clock(cue.start) + " --> " + Clock(cue.end) +
           (cue.start < 0 || cue.end < 0 ? " has a negative time" : " ends before it starts");
}

std::vector<std::string_view> TextLinesOf(const SubtitleLine& entry) {
    std::vector<std::string_view> lines{entry.Line1, entry.Line2};
    const std::vector<std::string>& more = entry.MoreLines();
    size_t last = more.size();
    while (last > 0 && more[last - 1].empty()) --last;
    if (last > 0 || !entry.Line3().empty()) lines.push_back(entry.Line3());
    for (size_t i = 0; i < last; ++i) lines.push_back(more[i]);
    return lines;
}

const LineRuns& RunsOf(const SubtitleLine& entry, size_t index) {
    static const LineRuns kNone;
    const std::vector<LineRuns>& runs = entry.Runs();
    return index < runs.size() ? runs[index] : kNone;
}

void TSubtitle::LoadFromFile(const std::string& FileName, bool ClearFirst, MessageSink& messages) {
    Loaded = false;
    LooksUtf8 = false;
    Unreadable.clear();
    Impossible.clear();
    const size_t before = ClearFirst ? 0 : Lines.size();
    // A missing file, or a folder, is of no format.
    const std::string head = textfile::FileExists(FileName) ? textfile::ReadHead(FileName) : std::string();
    const SubtitleReader* reader = textfile::FileExists(FileName) ? PickReader(head, FileName) : nullptr;
    if (!reader || !reader->read) {
        std::string message = kUnsupported;
        if (ExplainRefusals && reader)
            message += std::string("\r") + FileName + " is an " + reader->name +
                       " script, which only glyphon convert draws";
        else if (ExplainRefusals && textfile::FileExists(FileName))
            message += "\r" + DescribeUnreadFile(head, FileName);
        messages.ShowMessage(message);
        return;
    }
    if (ClearFirst) Clear();
    textfile::Bytes bytes = textfile::ReadTextFile(FileName, Utf8);
    LooksUtf8 = !Utf8 && LooksLikeUtf8(std::string_view(bytes.data.get(), bytes.size));
    textfile::TextLines text(std::move(bytes));
    reader->read(*this, text, FileName, messages);
    LeaveOutImpossible(*this, std::min(before, Lines.size()));
}

bool TSubtitle::IsSrtFile(const std::string& FileName) {
    const SubtitleReader* r = PickReaderForFile(FileName);
    return r && r->read == ReadSubRip;
}

bool TSubtitle::IsMicroDvdFile(const std::string& FileName) {
    const SubtitleReader* r = PickReaderForFile(FileName);
    return r && r->read == ReadMicroDvd;
}

bool TSubtitle::IsSrtTimeLine(const std::string& Line) { return SrtFixedTimeLine(Line); }

int64_t TSubtitle::SrtTimeToTicks(const std::string& Time) { return SrtTimeTicks(Time); }

double TSubtitle::ReadFrameRate(const std::string& Line) { return MicroDvdFrameRate(Line); }

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
    Lines.emplace_back(Start, End, Line1, Line2).SetLine3(Line3);
}

}  // namespace glyphon
