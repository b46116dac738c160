#include "core/JobBuilder.h"

#include <strings.h>

#include "common/Convert.h"
#include "palette/Palette.h"
#include "render/FontTables.h"

namespace glyphon {

namespace {

// The list's item for `name`: an exact match first (the list's own "Arial"
// at position 0 before an installed Arial), then any letter case.
const std::string* FontItem(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& item : list)
        if (item == name) return &item;
    for (const std::string& item : list)
        if (strcasecmp(item.c_str(), name.c_str()) == 0) return &item;
    return nullptr;
}

// Sets the font, character set, style, size, alignment, offset, line
// spacing (held to their ranges and steps) and outline width; returns the
// message of a size or width whose text is no number.
std::string ApplyLookTexts(const LookTexts& texts, ConversionJob& job) {
    TextLook& look = job.look;
    job.subtitle.charset = CharsetFromName(texts.charset);
    look.fontName = texts.fontName;
    look.style = FontStyle(StyleFromName(texts.style));
    look.align = AlignmentOf(texts.align);
    look.offset = kOffsetSetting.Fit(texts.offset);
    look.lineSpacing = kLineSpacingSetting.Fit(texts.lineSpacing);
    try {
        look.sizePoints = StrToInt(texts.size);
        look.outlineWidth = StrToInt(texts.outlineWidth);
    } catch (const ConvertError& e) {
        return e.what();
    }
    return {};
}

// Gives the generic palette's role entries (those `palette.roles` names for
// text, outline and antialias) the named colours, both as drawn and as they
// go on the disc. Nothing with an IFO's own palette.
void ApplyNamedColours(PaletteChoice& palette, const NamedRoleColours& colours) {
    if (palette.source == PaletteSource::Ifo) return;
    const auto put = [&](const std::optional<Rgb>& colour, int role) {
        if (!colour || role < 0 || role >= 16) return;
        palette.colours[size_t(role)] = DrawnColour(*colour);
        palette.disc[size_t(role)] = DiscEntryOf(RgbToVideoYCbCr(*colour));
    };
    put(colours.outline, palette.roles.outline);
    put(colours.antialias, palette.roles.antialias);
    put(colours.text, palette.roles.text);
}

}  // namespace

Rgb DrawnColour(Rgb c) { return c == kPureBlue ? Rgb{0, 0, 254} : c; }

PaletteSettings GenericPaletteSettings(VideoStandard standard) {
    PaletteSettings p;
    const auto& generic = GenericPalette();
    for (size_t i = 0; i < p.colours.size(); ++i) p.colours[i] = generic[i].color;
    p.disc = GenericDiscEntries();
    p.roles = RoleIndices{kGenericAntialias, kGenericOutline, kGenericText, kGenericBackground};
    p.standard = standard;
    p.source = PaletteSource::NoIfo;
    return p;
}

PaletteSettings IfoPaletteSettings(const std::array<uint32_t, 16>& entries, VideoStandard standard) {
    const DefaultRoles roles = PickDefaultRoles(entries);
    PaletteSettings p = GenericPaletteSettings(standard);
    if (!roles.Polychromatic()) {
        p.source = PaletteSource::MonochromeIfo;
        return p;
    }
    for (size_t i = 0; i < p.colours.size(); ++i) {
        p.colours[i] = DisplayColor(entries[i]);
        p.disc[i] = entries[i] & 0xFFFFFF;
    }
    p.roles = RoleIndices{*roles.middle, *roles.dark, *roles.bright, *roles.dark};
    p.source = PaletteSource::Ifo;
    return p;
}

JobTranslation BuildConversionJob(const RunSettings& s) {
    JobTranslation t;
    ConversionJob& job = t.job;
    job.subtitle = s.subtitle;

    LookTexts texts = s.look;
    if (s.fontItems) {
        if (const std::string* item = FontItem(*s.fontItems, texts.fontName))
            texts.fontName = *item;
        else
            t.fontUnlisted = true;
    }
    t.settingError = ApplyLookTexts(texts, job);
    TextLook& look = job.look;
    look.wrap = s.wrap;
    look.widescreen = s.widescreen;
    look.anchorBottom = s.anchorBottom;
    look.refuseOutsideFrame = s.refuseOutsideFrame;
    look.language = s.outputs.language;

    PaletteChoice& p = job.palette;
    p.colours = s.palette.colours;
    p.disc = s.palette.disc;
    p.roles = s.palette.roles;
    p.standard = s.palette.standard;
    p.source = s.palette.source;
    ApplyNamedColours(p, s.palette.named);

    if (!s.ifoFile.empty()) job.otherInputs.push_back(s.ifoFile);
    job.outputs = s.outputs;
    return t;
}

}  // namespace glyphon
