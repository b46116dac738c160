// A cue: one subtitle as every reader gives it and every output takes it.
// Its times are 90 kHz ticks (the clock of MPEG presentation times), so a
// time read as a film frame or as milliseconds reaches the outputs exactly.
// Its lines are the file's bytes without their tags, their styles are runs,
// and its placement says where on the picture it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "subtitle/StyledText.h"

namespace glyphon {

// 90 kHz ticks: the unit of a cue's times and of every output's clock.
inline constexpr int64_t kTicksPerSecond = 90000;
inline constexpr int64_t kTicksPerMs = 90;

constexpr int64_t TicksOfMs(int64_t ms) { return ms * kTicksPerMs; }

// Whole milliseconds at or before `ticks` (an .idx time, a message's clock).
constexpr int64_t MsOfTicks(int64_t ticks) {
    return ticks >= 0 ? ticks / kTicksPerMs : -((-ticks + kTicksPerMs - 1) / kTicksPerMs);
}

// Where a cue goes: at the bottom (the default), at the top ({\an7}-{\an9}),
// or with its anchor at a point given as fractions of the picture's width
// and height (0 to 1 from the top left). Outputs that cannot place by a
// point draw such a cue at the bottom.
//
// The point of the cue's box that sits at the anchor is (boxX, boxY), as
// fractions of the box (0: its left or top edge, 1: its right or bottom
// edge); the lines align inside the box by boxX. `across`: the cue says
// where it goes across the picture (x, boxX) whatever its anchor; otherwise
// the run's alignment places it across. `width`: the box's width as a
// fraction of the picture's (0: as wide as its widest line); the lines wrap
// to it and align inside it by lineX instead of boxX.
struct CuePlacement {
    enum class Anchor { Bottom, Top, Point };
    Anchor anchor = Anchor::Bottom;
    double x = 0.5;
    double y = 1;
    double boxX = 0.5;
    double boxY = 1;
    bool across = false;
    double width = 0;
    double lineX = 0.5;
    friend bool operator==(const CuePlacement&, const CuePlacement&) = default;
    // Drawn with the run's own bottom or top place, in its stack.
    bool Stacked() const { return anchor != Anchor::Point && !across; }
};

// What few cues have: a third line and more, styled spans, a placement of
// their own. Held apart from the cue, so that the common one- or two-line
// cue stays small: a file of millions of tiny cues is held in memory whole.
struct CueExtra {
    std::string Line3;  // empty when the subtitle has fewer than three lines
    // The fourth text line on, for subtitles that have them.
    std::vector<std::string> MoreLines;
    // The styled spans of the text lines (Line1, Line2, Line3, MoreLines in
    // that order), one entry per line, when tags styled any span; empty
    // otherwise. The lines themselves hold the text without its tags.
    std::vector<LineRuns> Runs;
    CuePlacement place;
};

struct Cue {
    int64_t start = 0;  // 90 kHz ticks from the start of the film
    int64_t end = 0;
    std::string Line1;
    std::string Line2;  // empty for a one-line subtitle
    // The number of the cue's first line in its file (1-based; 0: not read
    // from a file), for messages.
    int fileLine = 0;

    Cue() = default;
    Cue(int64_t start, int64_t end, std::string line1, std::string line2 = {})
        : start(start), end(end), Line1(std::move(line1)), Line2(std::move(line2)) {}
    Cue(const Cue& other) { *this = other; }
    Cue(Cue&&) noexcept = default;
    Cue& operator=(const Cue& other);
    Cue& operator=(Cue&&) noexcept = default;

    // The parts of CueExtra, empty (or the default place) when the cue has
    // none.
    const std::string& Line3() const;
    const std::vector<std::string>& MoreLines() const;
    const std::vector<LineRuns>& Runs() const;
    const CuePlacement& place() const;
    // Setting an empty part, or the default place, on a cue without extras
    // keeps it without.
    void SetLine3(std::string line);
    void SetMoreLines(std::vector<std::string> lines);
    void SetRuns(std::vector<LineRuns> runs);
    void SetPlace(const CuePlacement& place);
    // The extras to change in place; null when the cue has none.
    CueExtra* Extra() { return extra_.get(); }
    const CueExtra* Extra() const { return extra_.get(); }

    bool AtTop() const { return place().anchor == CuePlacement::Anchor::Top; }

private:
    CueExtra& MakeExtra();
    std::unique_ptr<CueExtra> extra_;
};

// The subtitle list's name for a cue.
using SubtitleLine = Cue;

}  // namespace glyphon
