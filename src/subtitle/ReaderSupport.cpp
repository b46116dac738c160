#include "subtitle/ReaderSupport.h"

#include <algorithm>
#include <string>

namespace glyphon {

namespace {
constexpr size_t kShownBytes = 80;  // of an unreadable line

// {\an1}..{\an9}: the places of a numeric keypad's keys. The bottom and top
// rows keep the run's own places there (a stack), the middle row is centred
// on the picture's height; the left and right columns sit at the margins.
CuePlacement KeypadPlacement(int an) {
    CuePlacement place;
    const int row = (an - 1) / 3, column = (an - 1) % 3;  // row 0 the bottom
    place.anchor = row == 0   ? CuePlacement::Anchor::Bottom
                   : row == 2 ? CuePlacement::Anchor::Top
                              : CuePlacement::Anchor::Point;
    if (row == 1) place.y = place.boxY = 0.5;
    if (column != 1) {
        place.across = true;
        place.x = place.boxX = column == 0 ? 0 : 1;
    }
    return place;
}
}  // namespace

void SetCueText(Cue& e, std::vector<std::string>& lines, std::vector<LineRuns>& runs) {
    const auto take = [&](size_t i) { return i < lines.size() ? std::move(lines[i]) : std::string(); };
    e.Line1 = take(0);
    e.Line2 = take(1);
    e.SetLine3(take(2));
    if (lines.size() > 3)
        e.SetMoreLines({std::make_move_iterator(lines.begin() + 3), std::make_move_iterator(lines.end())});
    if (std::any_of(runs.begin(), runs.end(), [](const LineRuns& r) { return !r.empty(); }))
        e.SetRuns(std::move(runs));
}

void AddCue(TSubtitle& list, int64_t start, int64_t end, const std::vector<std::string_view>& text,
            TagSyntax syntax, size_t fileLine) {
    Cue& e = list.Lines.emplace_back(start, end, std::string());
    e.fileLine = int(fileLine + 1);
    TagState tags;
    std::vector<std::string> lines(text.size());
    std::vector<LineRuns> runs;
    runs.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) runs.push_back(ReadTags(text[i], syntax, tags, lines[i]));
    SetCueText(e, lines, runs);
    if (tags.an != 0)
        e.SetPlace(KeypadPlacement(tags.an));
    else if (tags.top)
        e.SetPlace(CuePlacement{CuePlacement::Anchor::Top});
}

void NoteUnreadable(TSubtitle& list, size_t fileLine, std::string_view line) {
    list.Unreadable.push_back(UnreadableBlock{int(fileLine + 1), std::string(line.substr(0, kShownBytes))});
}

void ReserveCues(TSubtitle& list, size_t cues, size_t textBytes) {
    list.Lines.reserve(list.Lines.size() + std::min(cues, textBytes / 40 + 16));
}

std::vector<std::string_view> HeadLines(std::string_view head, size_t most) {
    std::vector<std::string_view> lines;
    while (!head.empty() && lines.size() < most) {
        const size_t lf = head.find('\n');
        lines.push_back(head.substr(0, lf));
        head.remove_prefix(lf == std::string_view::npos ? head.size() : lf + 1);
    }
    return lines;
}

}  // namespace glyphon
