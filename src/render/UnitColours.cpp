#include "render/UnitColours.h"

#include <algorithm>

#include "palette/RunColours.h"

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

UnitSlots UnitColours::Slots(const RoleIndices& roles, const std::array<Rgb, 16>& palette, bool twoColours,
                             const std::function<int(uint32_t)>& entryOf) const {
    UnitSlots slots;
    slots.entries = roles;
    slots.entries.text = entryOf(Dominant());
    std::vector<int> shown;
    for (const auto& [colour, letters] : letters_)
        if (const int entry = entryOf(colour); std::find(shown.begin(), shown.end(), entry) == shown.end())
            shown.push_back(entry);
    if (!twoColours || shown.size() != 2) return slots;
    const int second = shown[0] == slots.entries.text ? shown[1] : shown[0];
    for (const auto& [colour, letters] : letters_)
        if (entryOf(colour) == second) slots.second.push_back(colour);
    slots.entries.antialias = second;
    // The antialias pixels join the slot that looks most like them; the
    // background is transparent and takes none.
    const Rgb antialias = palette[size_t(roles.antialias)];
    const std::pair<unsigned, int> left[] = {{2u, roles.outline}, {1u, slots.entries.text}, {3u, second}};
    long nearest = -1;
    for (const auto& [code, entry] : left)
        if (const long d = ColourDistance(palette[size_t(entry)], antialias); nearest < 0 || d < nearest) {
            nearest = d;
            slots.antialiasCode = code;
        }
    return slots;
}

}  // namespace glyphon
