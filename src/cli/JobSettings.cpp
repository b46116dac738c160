#include "cli/JobSettings.h"

#include <strings.h>

#include <algorithm>

#include "common/Convert.h"
#include "common/FileError.h"
#include "core/LookSettings.h"
#include "palette/IfoReader.h"
#include "palette/Palette.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// The font list's item for `name`: an exact match first (the list's own
// "Arial" at position 0 before an installed Arial), then any letter case.
const std::string* FontItem(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& item : list)
        if (item == name) return &item;
    for (const std::string& item : list)
        if (strcasecmp(item.c_str(), name.c_str()) == 0) return &item;
    return nullptr;
}

void UseGenericPalette(PaletteChoice& p) {
    const auto& generic = GenericPalette();
    for (size_t i = 0; i < p.colours.size(); ++i) p.colours[i] = generic[i].color;
    p.disc = GenericDiscEntries();
}

// A list item by position; the window's list without a selection gives "".
const std::string& Item(const std::vector<std::string>& items, int position) {
    static const std::string none;
    return position >= 0 && size_t(position) < items.size() ? items[size_t(position)] : none;
}

}  // namespace

JobSettings ResolveJobSettings(const ConvertOptions& o, const std::vector<std::string>& installedFamilies,
                               TextEngine& text) {
    JobSettings s;
    PaletteChoice& p = s.job.palette;

    // The roles the palette source picks, as the loaders pick them.
    int textRole = kGenericText, outlineRole = kGenericOutline, antialiasRole = kGenericAntialias,
        backgroundRole = kGenericBackground;
    if (o.ifoFile) {
        IfoPalette ifo;
        try {
            ifo = ReadIfoPalette(*o.ifoFile);
            // The window reads any file for some palette; the command line
            // wants the IFO it was told of, not a text file that turns the
            // frame NTSC.
            if (!StartsAsTitleSetIfo(*o.ifoFile)) {
                s.error =
                    *o.ifoFile +
                    ": not a DVD title set's IFO file (it does not start with \"DVDVIDEO-VTS\"); give the "
                    "VTS_nn_0.IFO of the title set";
                return s;
            }
        } catch (const FileError& e) {
            s.error = *o.ifoFile + ": " + WithFullStop(e.what());
            return s;
        } catch (const ConvertError& e) {
            s.error = *o.ifoFile + ": " + WithFullStop(e.what());
            return s;
        }
        p.standard = ifo.IsPal() ? VideoStandard::Pal : VideoStandard::Ntsc;
        const DefaultRoles roles = PickDefaultRoles(ifo.entries);
        if (roles.Polychromatic()) {
            backgroundRole = outlineRole = *roles.dark;
            antialiasRole = *roles.middle;
            textRole = *roles.bright;
            for (size_t i = 0; i < p.colours.size(); ++i) {
                p.colours[i] = DisplayColor(ifo.entries[i]);
                p.disc[i] = ifo.entries[i] & 0xFFFFFF;
            }
            p.source = PaletteSource::Ifo;
        } else {
            s.warnings.push_back(*o.ifoFile +
                                 ": no polychromatic palette in this IFO; the generic palette is used");
            UseGenericPalette(p);
            p.source = PaletteSource::MonochromeIfo;
        }
    } else {
        UseGenericPalette(p);
        p.standard = o.pal.value_or(true) ? VideoStandard::Pal : VideoStandard::Ntsc;
        p.source = PaletteSource::NoIfo;
    }
    if (o.colors) {
        textRole = (*o.colors)[0];
        outlineRole = (*o.colors)[1];
        antialiasRole = (*o.colors)[2];
        backgroundRole = (*o.colors)[3];
    }
    p.roles = RoleIndices{antialiasRole, outlineRole, textRole, backgroundRole};

    TextLook& look = s.job.look;
    // The font by the list's spelling, every other list by its item's text,
    // translated as the window's are.
    const std::vector<std::string> fonts = BuildFontNameList(installedFamilies);
    const std::string* item = FontItem(fonts, o.fontName);
    const std::string error = ApplyLookTexts(
        {item ? *item : o.fontName, Item(FontCharsetItems(), o.fontCharset),
         Item(FontStyleItems(), o.fontStyle), Item(FontSizeItems(), o.fontSize), Item(AlignItems(), o.align),
         Item(OutlineWidthItems(), o.outlineWidth), o.offset, o.offsetOr},
        s.job);
    if (!item) {
        // Drawn with the face the text engine substitutes, as for any list
        // item whose face is missing.
        const std::string face =
            text.FaceName(FontSpec{o.fontName, 20, s.job.subtitle.charset, int(look.style)});
        s.warnings.push_back("font \"" + o.fontName + "\" is not installed; \"" +
                             (face.empty() ? std::string("the built-in fallback") : face) +
                             "\" is used instead");
    }
    if (!error.empty()) {
        s.error = WithFullStop(error);
        return s;
    }
    look.anchorBottom = o.anchorBottom;

    OutputRequest& out = s.job.outputs;
    out.kinds = o.formats;
    out.folder = o.outputDir;
    out.language = o.language;
    out.mux = DvdMuxRequest{};
    out.mux.video = o.muxVideo;
    out.mux.stream = o.stream.value_or(0);
    out.pgsRequest = o.pgs;
    return s;
}

}  // namespace glyphon
