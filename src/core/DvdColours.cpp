#include "core/DvdColours.h"

#include <algorithm>

#include "palette/ColorNames.h"
#include "palette/RunColours.h"
#include "subtitle/Subtitle.h"
#include "sup/SubPictureEncoder.h"

namespace glyphon {

namespace {

// Every text colour of the entries' runs, in order of first use.
std::vector<uint32_t> RunColoursOf(const std::vector<Cue>& entries) {
    std::vector<uint32_t> colours;
    for (const Cue& entry : entries)
        for (size_t i = 0, n = TextLinesOf(entry).size(); i < n; ++i)
            for (const StyledRun& run : RunsOf(entry, i))
                if (run.colour != 0 && run.length > 0 &&
                    std::find(colours.begin(), colours.end(), run.colour) == colours.end())
                    colours.push_back(run.colour);
    return colours;
}

}  // namespace

DvdColours::DvdColours(const PaletteChoice& p, const RoleIndices& roles, const std::vector<Cue>& entries)
    : palette_(p), roles_(roles) {
    entries_.assign({{0u, roles.text}});
    const std::vector<uint32_t> colours = RunColoursOf(entries);
    if (colours.empty()) return;
    std::array<bool, 16> kept{};
    for (const int role : {roles.antialias, roles.outline, roles.text, roles.background})
        kept[size_t(role)] = true;
    std::vector<Rgb> wanted;
    for (const uint32_t c : colours) wanted.push_back(Rgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    const std::vector<int> placed =
        PlaceRunColours(palette_.colours, kept, wanted, p.source != PaletteSource::Ifo);
    for (size_t i = 0; i < colours.size(); ++i) entries_.emplace_back(colours[i], placed[i]);
    for (size_t i = 0; i < 16; ++i)
        if (!(palette_.colours[i] == p.colours[i]))
            palette_.disc[i] = DiscEntryOf(RgbToVideoYCbCr(palette_.colours[i]));
    // A second text colour is coded in the antialias slot: only when the
    // roles' colours are told apart as the three drawn codes.
    const auto colourOf = [&](int role) { return p.colours[size_t(role)]; };
    const RoleColours drawn{colourOf(roles.antialias), colourOf(roles.outline), colourOf(roles.text)};
    twoColours_ = ClassifyPixel(drawn.text, drawn) == kCodeText &&
                  ClassifyPixel(drawn.outline, drawn) == kCodeOutline &&
                  ClassifyPixel(drawn.antialias, drawn) == kCodeAntialias;
}

int DvdColours::EntryOf(uint32_t colour) const {
    for (const auto& [c, entry] : entries_)
        if (c == colour) return entry;
    return roles_.text;
}

UnitSlots DvdColours::SlotsOf(const UnitColours& unit) const {
    return unit.Slots(roles_, palette_.colours, twoColours_, [this](uint32_t c) { return EntryOf(c); });
}

namespace {

// The look painting each code in `colourOf(code)`.
template <class ColourOf>
void Paint(const UnitSlots& slots, SubtitleLook& look, ColourOf colourOf) {
    look.colors = {colourOf(kCodeOutline), colourOf(slots.antialiasCode), colourOf(kCodeText)};
    look.second = {slots.second, colourOf(kCodeAntialias), kCodeAntialias};
}

}  // namespace

void DvdColours::ForCoder(const UnitSlots& slots, SubtitleLook& look, LayerCodes& codes) const {
    const RoleIndices& r = roles_;
    if (slots.second.empty()) {
        const RoleColours drawn{palette_.colours[size_t(r.antialias)], palette_.colours[size_t(r.outline)],
                                palette_.colours[size_t(r.text)]};
        look.colors = {drawn.outline, drawn.antialias, drawn.text};
        look.second = {};
        codes = {ClassifyPixel(drawn.outline, drawn), ClassifyPixel(drawn.antialias, drawn),
                 ClassifyPixel(drawn.text, drawn)};
        return;
    }
    Paint(slots, look, [&](unsigned code) {
        return palette_.colours[size_t(code == kCodeText      ? r.text
                                       : code == kCodeOutline ? r.outline
                                                              : r.antialias)];
    });
    codes = {kCodeOutline, slots.antialiasCode, kCodeText};
}

void DvdColours::AsShown(const UnitSlots& slots, SubtitleLook& look) const {
    const RoleIndices& e = slots.entries;
    Paint(slots, look, [&](unsigned code) {
        return DrawnColour(palette_.colours[size_t(code == kCodeText      ? e.text
                                                   : code == kCodeOutline ? e.outline
                                                                          : e.antialias)]);
    });
}

}  // namespace glyphon
