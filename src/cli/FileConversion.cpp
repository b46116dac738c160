#include "cli/FileConversion.h"

#include "common/Convert.h"
#include "core/Convert.h"
#include "render/DisplayText.h"
#include "render/FontTables.h"
#include "subtitle/StyledText.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

constexpr size_t kQuotedLength = 60;  // of a subtitle line quoted in a message

// A subtitle line as a message quotes it: its characters, cut after about
// kQuotedLength bytes however long the line is.
std::string Quoted(const std::string& bytes, int charset) {
    return CutForMessage(DisplayText(bytes.substr(0, kQuotedLength * 4), charset), kQuotedLength);
}

// Every line of a message box text ("\r", "\r\n" or "\n" between lines),
// without empty ones.
void AddLines(std::vector<std::string>& out, const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) out.push_back(line);
}

// Every line that does not fit, each named; or the first subtitle that
// leaves the frame.
std::vector<std::string> ExplainFit(const ConversionReport& report, bool wrap) {
    std::vector<std::string> out;
    const auto shown = [&](const std::string& bytes) { return Quoted(bytes, report.charset); };
    for (const FitProblem& t : report.fit.problems) {
        const SubtitleLine& entry = report.entries[size_t(t.entry - 1)];
        if (t.belowFrame) {
            // Lines beyond the second grow upward from the bottom: a larger
            // offset lifts a stack off the bottom edge, a smaller one brings
            // it down from the top.
            out.push_back("subtitle " + IntToStr(t.entry) + ": its " + IntToStr(t.line) + " lines reach " +
                          (t.above ? "above" : "below") + " the frame; try a smaller --size or a " +
                          (t.above ? "smaller" : "larger") + " --offset");
            continue;
        }
        const std::vector<std::string_view> lines = TextLinesOf(entry);
        const std::string line =
            size_t(t.line) <= lines.size() && !wrap ? std::string(lines[size_t(t.line - 1)]) : std::string();
        out.push_back("subtitle " + IntToStr(t.entry) + ", line " + IntToStr(t.line) + " is " +
                      IntToStr(t.width) + " pixels wide, more than the " + IntToStr(kWidestFittingLine) +
                      " that fit" + (line.empty() ? std::string() : ": \"" + shown(line) + "\"") +
                      (wrap ? "; try a smaller --size" : "; try a smaller --size, or leave out --no-wrap"));
    }
    if (!out.empty() || !report.fit.outside) return out;
    const FrameExit& at = *report.fit.outside;
    const SubtitleLine& entry = report.entries[size_t(at.entry - 1)];
    const std::string& line = at.line == 1 ? entry.Line1 : entry.Line2;
    const int height = FrameHeightOf(report.standard);
    out.push_back("subtitle " + IntToStr(at.entry) + ", line " + IntToStr(at.line) + " would reach row " +
                  IntToStr(at.row) + (at.row < 0 ? ", above the top of the " : ", below the bottom of the ") +
                  IntToStr(height) + "-row frame: \"" + shown(line) + "\"; try a smaller --size or " +
                  (at.row < 0 ? "--offset" : "a larger --offset"));
    return out;
}

// Why the file was not converted, in the command line's words.
std::vector<std::string> Explain(const ConversionReport& report, bool wrap) {
    std::vector<std::string> out;
    const ConversionFailure& f = *report.failure;
    switch (f.stage) {
        case ConversionFailure::Stage::Mux:
            // The message names the film; no output was put in place.
        case ConversionFailure::Stage::Refused:
            // Nothing was written; the message names the file or subtitle.
            AddLines(out, WithFullStop(f.message));
            break;
        case ConversionFailure::Stage::Output:
            AddLines(out, WithFullStop(f.message));
            for (std::string& line : out)
                line = "writing " + (f.file.empty() ? report.stem + ".sup or its help file" : f.file) + ": " +
                       line;
            break;
        case ConversionFailure::Stage::Check:
            out = ExplainFit(report, wrap);
            break;
        case ConversionFailure::Stage::Read:
            for (const std::string& notice : report.notices) {
                AddLines(out, notice);
                if (notice.find(kNoFrameRate) != std::string::npos)
                    out.push_back("or give its frame rate with --fps, e.g. --fps 23.976");
            }
            // The refusal only repeats that the reading above did not succeed.
            if (f.message != kNotLoaded || out.empty()) AddLines(out, WithFullStop(f.message));
            if (report.loaded && report.entries.empty() && out.size() <= 1)
                return {"no subtitles in this file"};
            // A text that is not a number ends the reading: the entries
            // before it were read, so the fault lies in the one after them.
            if (f.subtitle > 1 && !report.entries.empty())
                out.push_back("reading stopped after subtitle " + IntToStr(f.subtitle - 1) + " (" +
                              Quoted(report.entries.back().Line1, report.charset) + ")");
            break;
    }
    if (out.empty()) out.push_back("not converted");
    return out;
}

// The character set found in the file and the item it was read as.
std::string FoundCharsetLine(const ConversionReport& report) {
    std::string item = "UTF-8";
    for (const std::string& name : FontCharsetItems())
        if (CharsetFromName(name) == report.charset) {
            item = name;
            break;
        }
    return "character set found: " + report.charsetFound + " (read as " + item + ")";
}

}  // namespace

std::vector<std::string> DescribeRun(const ConversionReport& report, bool wrap) {
    std::vector<std::string> messages;
    if (!report.charsetFound.empty()) messages.push_back(FoundCharsetLine(report));
    if (report.failure)
        for (std::string& line : Explain(report, wrap)) messages.push_back(std::move(line));
    for (const UnreadableBlock& part : report.unreadable)
        messages.push_back("warning: line " + IntToStr(part.line) + " is no subtitle and was left out: \"" +
                           Quoted(part.text, report.charset) + "\"");
    for (const ImpossibleCue& cue : report.impossible)
        messages.push_back("warning: " + DescribeImpossibleCue(cue) + " and was left out: \"" +
                           Quoted(cue.text, report.charset) + "\"");
    if (report.converted)
        for (const std::string& warning : report.warnings) messages.push_back("warning: " + warning);
    return messages;
}

}  // namespace glyphon
