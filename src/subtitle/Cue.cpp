#include "subtitle/Cue.h"

namespace glyphon {

namespace {
const CueExtra kNoExtra;
}  // namespace

Cue& Cue::operator=(const Cue& other) {
    if (this == &other) return *this;
    start = other.start;
    end = other.end;
    Line1 = other.Line1;
    Line2 = other.Line2;
    fileLine = other.fileLine;
    extra_ = other.extra_ ? std::make_unique<CueExtra>(*other.extra_) : nullptr;
    return *this;
}

const std::string& Cue::Line3() const { return (extra_ ? *extra_ : kNoExtra).Line3; }
const std::vector<std::string>& Cue::MoreLines() const { return (extra_ ? *extra_ : kNoExtra).MoreLines; }
const std::vector<LineRuns>& Cue::Runs() const { return (extra_ ? *extra_ : kNoExtra).Runs; }
const CuePlacement& Cue::place() const { return (extra_ ? *extra_ : kNoExtra).place; }

CueExtra& Cue::MakeExtra() {
    if (!extra_) extra_ = std::make_unique<CueExtra>();
    return *extra_;
}

void Cue::SetLine3(std::string line) {
    if (extra_ || !line.empty()) MakeExtra().Line3 = std::move(line);
}

void Cue::SetMoreLines(std::vector<std::string> lines) {
    if (extra_ || !lines.empty()) MakeExtra().MoreLines = std::move(lines);
}

void Cue::SetRuns(std::vector<LineRuns> runs) {
    if (extra_ || !runs.empty()) MakeExtra().Runs = std::move(runs);
}

void Cue::SetPlace(const CuePlacement& place) {
    if (extra_ || place != CuePlacement()) MakeExtra().place = place;
}

}  // namespace glyphon
