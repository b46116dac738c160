#include "core/DrawnLines.h"

#include <algorithm>

#include "common/Rgb.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

// The runs of one text line as views of its text.
RunLine RunsOfLine(std::string_view text, const LineRuns& runs) {
    if (runs.empty()) return PlainLine(text);
    RunLine line;
    size_t at = 0;
    for (const StyledRun& run : runs) {
        const size_t length = std::min<size_t>(run.length, text.size() - at);
        line.push_back(TextRun{text.substr(at, length), run.style, run.colour});
        at += length;
    }
    if (at < text.size()) line.push_back(TextRun{text.substr(at), 0});
    return line;
}

bool Empty(const RunLine& line) {
    for (const TextRun& run : line)
        if (!run.text.empty()) return false;
    return true;
}

}  // namespace

std::vector<RunLine> LinesToDraw(const SubtitleLine& entry, TextEngine& text, const FontSpec& font,
                                 bool wrap) {
    const std::vector<std::string_view> texts = TextLinesOf(entry);
    std::vector<RunLine> lines;
    lines.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) lines.push_back(RunsOfLine(texts[i], RunsOf(entry, i)));
    // A cue with a box of its own width always wraps to it.
    const double box = entry.place().width;
    if (wrap || box > 0) {
        // Only real lines are wrapped; the empty second line of a one-line
        // subtitle comes back after.
        while (lines.size() > 1 && Empty(lines.back())) lines.pop_back();
        const int limit = box > 0 ? std::min(kFitLimit, int(box * kFrameWidth)) : kFitLimit;
        lines = WrapLines(text, lines, font, limit);
        while (lines.size() < 2) lines.push_back(RunLine{});
    }
    return lines;
}

BoxPlace BoxPlaceOf(const CuePlacement& place) {
    BoxPlace at;
    at.across = place.across;
    at.x = place.x;
    at.boxX = place.boxX;
    at.width = place.width;
    at.lineX = place.lineX;
    at.down = place.anchor == CuePlacement::Anchor::Point;
    at.y = place.y;
    at.boxY = place.boxY;
    return at;
}

std::string LineText(const RunLine& line) {
    std::string text;
    for (const TextRun& run : line) text += run.text;
    return text;
}

}  // namespace glyphon
