#include "render/UnitColours.h"

#include <algorithm>

namespace glyphon {

void UnitColours::Add(size_t cue, const std::vector<RunLine>& lines) {
    for (const RunLine& line : lines)
        for (const TextRun& run : line) {
            const size_t letters = size_t(std::count_if(run.text.begin(), run.text.end(),
                                                        [](char c) { return c != ' ' && c != '\t'; }));
            if (letters == 0) continue;
            const auto counted = std::find_if(letters_.begin(), letters_.end(),
                                              [&](const auto& e) { return e.first == run.colour; });
            if (counted == letters_.end())
                letters_.emplace_back(run.colour, letters);
            else
                counted->second += letters;
            const std::pair<size_t, uint32_t> uses{cue, run.colour};
            if (std::find(cueColours_.begin(), cueColours_.end(), uses) == cueColours_.end())
                cueColours_.push_back(uses);
        }
}

bool UnitColours::Coloured() const {
    return std::any_of(letters_.begin(), letters_.end(), [](const auto& e) { return e.first != 0; });
}

uint32_t UnitColours::Dominant() const {
    uint32_t best = 0;
    size_t most = 0;
    for (const auto& [colour, letters] : letters_)
        if (letters > most || (letters == most && colour == 0)) most = letters, best = colour;
    return best;
}

}  // namespace glyphon
