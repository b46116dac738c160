#include "subtitle/WebVttReader.h"

#include <string_view>
#include <vector>

#include "subtitle/ReaderSupport.h"
#include "subtitle/Subtitle.h"
#include "subtitle/TextFile.h"
#include "subtitle/WebVttSettings.h"
#include "subtitle/WebVttStyle.h"
#include "subtitle/WebVttText.h"
#include "subtitle/WebVttTime.h"

namespace glyphon {

namespace {

// `line` is `word` alone or followed by a blank and more.
bool Keyword(std::string_view line, std::string_view word) {
    return line.substr(0, word.size()) == word &&
           (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t');
}

bool Header(std::string_view line) { return Keyword(line, "WEBVTT"); }

void AddVttCue(TSubtitle& s, const VttTiming& timing, const CuePlacement& place,
               std::vector<std::string_view>& text, const VttStyleSheet& sheet, size_t fileLine) {
    VttText read = ReadVttCueText(text, sheet);
    Cue& e = s.Lines.emplace_back(TicksOfMs(timing.startMs), TicksOfMs(timing.endMs), std::string());
    e.fileLine = int(fileLine + 1);
    SetCueText(e, read.lines, read.runs);
    e.SetPlace(place);
}

}  // namespace

ProbeMatch ProbeWebVtt(std::string_view head) {
    return Header(head.substr(0, head.find('\n'))) ? ProbeMatch::Sure : ProbeMatch::No;
}

void ReadWebVttFile(TSubtitle& s, textfile::TextLines&, const std::string& FileName, MessageSink& messages) {
    ReadWebVtt(s, FileName, messages);
}

void ReadWebVtt(TSubtitle& s, const std::string& FileName, MessageSink& messages) {
    bool unicode = false;
    textfile::TextLines in(textfile::ReadTextFile(FileName, unicode));
    std::vector<std::string_view> lines;
    while (!in.Eof()) lines.push_back(in.ReadLine());
    if (lines.empty() || !Header(lines[0])) {
        messages.ShowMessage("Unsupported Subtitle Format !");
        return;
    }
    s.Utf8 = true;
    s.LooksUtf8 = false;
    const size_t n = lines.size();
    size_t i = 1;
    // The header's own lines, up to the first blank line.
    while (i < n && !BlankLine(lines[i])) ++i;
    VttStyleSheet sheet;
    std::vector<std::string> refused;
    std::vector<std::string_view> text;
    while (i < n) {
        if (BlankLine(lines[i])) {
            ++i;
            continue;
        }
        const size_t first = i;
        size_t end = i;
        while (end < n && !BlankLine(lines[end])) ++end;
        const std::string_view head = lines[i];
        // A cue's timing line is its first or (after an identifier) second.
        VttTiming timing;
        size_t timingAt = n;
        if (ReadVttTiming(head, timing))
            timingAt = i;
        else if (i + 1 < end && head.find("-->") == std::string_view::npos &&
                 ReadVttTiming(lines[i + 1], timing))
            timingAt = i + 1;
        if (timingAt < n) {
            text.assign(lines.begin() + std::ptrdiff_t(timingAt + 1), lines.begin() + std::ptrdiff_t(end));
            const VttCueSettings settings = ReadVttCueSettings(timing.settings);
            if (!settings.refused.empty())
                refused.push_back("line " + std::to_string(timingAt + 1) + " (" + settings.refused + ")");
            else
                AddVttCue(s, timing, settings.place, text, sheet, timingAt);
        } else if (Keyword(head, "NOTE") || Keyword(head, "REGION")) {
            // Comments and regions: nothing to draw.
        } else if (Keyword(head, "STYLE")) {
            std::string block;
            for (size_t k = first + 1; k < end; ++k) block.append(lines[k]).push_back('\n');
            ReadVttStyleBlock(block, sheet);
        } else {
            NoteUnreadable(s, first, head);
        }
        i = end;
    }
    if (!refused.empty()) {
        std::string message = FileName + ": vertical text cannot be drawn; left out the cue" +
                              (refused.size() == 1 ? " at " : "s at ");
        for (size_t k = 0; k < refused.size(); ++k) message += (k ? ", " : "") + refused[k];
        messages.ShowMessage(message);
    }
    s.Loaded = true;
}

}  // namespace glyphon
