// What every reader shares: adding a cue from its text lines (tags read into
// runs and placement), noting what is no subtitle, and making room for the
// cues at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "subtitle/StyledText.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

// Sets the cue's text lines (the first two, the third, the others) and,
// when any line is styled, their runs; takes the strings from `lines` and
// `runs`.
void SetCueText(Cue& e, std::vector<std::string>& lines, std::vector<LineRuns>& runs);

// Appends a cue. The times are 90 kHz ticks within 32 bits of milliseconds;
// the text lines lose their tags and their styles become the cue's runs.
// `fileLine`: the 0-based index of the cue's first line in the file.
void AddCue(TSubtitle& list, int64_t start, int64_t end, const std::vector<std::string_view>& text,
            TagSyntax syntax, size_t fileLine);

// Notes a part of the file that is no subtitle, by its first line (0-based).
void NoteUnreadable(TSubtitle& list, size_t fileLine, std::string_view line);

// Makes room at once for at most `cues` more cues, within a few times the
// text's size whatever the count, so that a large file does not make the
// list grow by repeated copying.
void ReserveCues(TSubtitle& list, size_t cues, size_t textBytes);

// Empty, or blanks and tabs only.
inline bool BlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The lines of a text head (every line ended by a line feed), at most `most`.
std::vector<std::string_view> HeadLines(std::string_view head, size_t most);

}  // namespace glyphon
