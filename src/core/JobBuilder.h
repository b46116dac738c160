// The one translation of a front end's settings into a conversion job. The
// window (and through it the 16-argument and batch lines) and the named line
// each fill a `RunSettings` with what they hold, in their own terms: the
// look's lists by their items' texts and the track bars by their positions,
// the palette as it is shown or read, the outputs asked for. Everything that
// turns those into the job's numbers and colours happens here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ConversionJob.h"
#include "palette/ColorNames.h"

namespace glyphon {

// The look's lists as their selected items' texts ("20", "Bold", "center";
// "" for a list without a selection) and the track bars' positions.
struct LookTexts {
    std::string fontName, charset, style, size, align, outlineWidth;
    int offset = kOffsetSetting.byDefault;
    int lineSpacing = kLineSpacingSetting.byDefault;
};

// The palette as a front end holds it.
struct PaletteSettings {
    std::array<Rgb, 16> colours{};  // each entry as drawn and recognised
    DiscPalette disc{};             // each entry as it goes on the disc
    RoleIndices roles;              // the entries of antialias, outline, text, background
    VideoStandard standard = VideoStandard::Pal;
    PaletteSource source = PaletteSource::NoIfo;
    // The generic palette's role entries drawn (and put on the disc) in these
    // colours; nothing with an IFO's own palette.
    NamedRoleColours named;
};

// The generic palette with its usual roles, chosen without an IFO.
PaletteSettings GenericPaletteSettings(VideoStandard standard);

// An IFO's palette with the roles its greys pick (each band's first grey);
// one without greys in every band gives the generic palette instead
// (PaletteSource::MonochromeIfo).
PaletteSettings IfoPaletteSettings(const std::array<uint32_t, 16>& entries, VideoStandard standard);

struct RunSettings {
    // The file and how it is read (its character set is the look's).
    SubtitleInput subtitle;
    LookTexts look;
    // The font list the name is picked from by its spelling (the exact item
    // first, then one in any letter case); none: the name as it is.
    const std::vector<std::string>* fontItems = nullptr;
    bool wrap = false;
    bool widescreen = false;
    bool anchorBottom = false;
    bool refuseOutsideFrame = false;
    PaletteSettings palette;
    // The IFO file the palette was read from: an input no output may
    // replace. Empty: none.
    std::string ifoFile;
    // The outputs asked for; their language is also the subtitles'.
    OutputRequest outputs;
};

struct JobTranslation {
    ConversionJob job;
    // The message of a size or outline width list whose text is no number (a
    // list without a selection; the value stays the default). Empty when
    // every setting is one. The window's run fails on it at its first
    // subtitle (RunPlan::settingError), the named line refuses to start.
    std::string settingError;
    // The font name is none of `fontItems`: it is drawn in the face the text
    // engine puts in its place.
    bool fontUnlisted = false;
};

JobTranslation BuildConversionJob(const RunSettings& settings);

// The colour a role is drawn in for a named colour: itself, except that pure
// blue is the frame's background and would not be seen as drawn.
Rgb DrawnColour(Rgb c);

}  // namespace glyphon
