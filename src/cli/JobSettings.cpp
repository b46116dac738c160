#include "cli/JobSettings.h"

#include <strings.h>

#include "common/FileError.h"
#include "common/Convert.h"
#include "palette/IfoReader.h"
#include "palette/Palette.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// The font list position of `name`: an exact match first (the list's own
// "Arial" at position 0 before an installed Arial), then any letter case.
int FontPosition(const std::vector<std::string>& list, const std::string& name) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == name) return int(i);
    for (size_t i = 0; i < list.size(); ++i)
        if (strcasecmp(list[i].c_str(), name.c_str()) == 0) return int(i);
    return -1;
}

}  // namespace

JobSettings ResolveJobSettings(const ConvertOptions& o, const std::vector<std::string>& installedFamilies,
                               TextEngine& text) {
    JobSettings s;
    BatchJob& job = s.job;
    job.noIfo = !o.ifoFile;
    job.ifoFile = o.ifoFile.value_or("none");
    job.pal = o.pal.value_or(true);

    // The roles the palette source picks, as the loaders pick them.
    int textRole = kGenericText, outlineRole = kGenericOutline, antialiasRole = kGenericAntialias,
        backgroundRole = kGenericBackground;
    if (o.ifoFile) {
        try {
            const DefaultRoles roles = PickDefaultRoles(ReadIfoPalette(*o.ifoFile).entries);
            if (roles.Polychromatic()) {
                backgroundRole = outlineRole = *roles.dark;
                antialiasRole = *roles.middle;
                textRole = *roles.bright;
            } else {
                s.warnings.push_back(*o.ifoFile +
                                     ": no polychromatic palette in this IFO; the generic palette is used");
            }
        } catch (const FileError& e) {
            s.error = *o.ifoFile + ": " + WithFullStop(e.what());
            return s;
        }
    }
    if (o.colors) {
        textRole = (*o.colors)[0];
        outlineRole = (*o.colors)[1];
        antialiasRole = (*o.colors)[2];
        backgroundRole = (*o.colors)[3];
    }
    job.antialias = antialiasRole;
    job.outline = outlineRole;
    job.text = textRole;
    job.background = backgroundRole;

    s.families = installedFamilies;
    job.fontName = FontPosition(BuildFontNameList(s.families), o.fontName);
    if (job.fontName < 0) {
        s.families.push_back(o.fontName);
        job.fontName = FontPosition(BuildFontNameList(s.families), o.fontName);
        const int charset = CharsetFromName(FontCharsetItems()[size_t(o.fontCharset)]);
        const int style = StyleFromName(FontStyleItems()[size_t(o.fontStyle)]);
        const std::string face = text.FaceName(FontSpec{o.fontName, 20, charset, style});
        s.warnings.push_back("font \"" + o.fontName + "\" is not installed; \"" +
                             (face.empty() ? std::string("the built-in fallback") : face) + "\" is used instead");
    }
    job.fontCharset = o.fontCharset;
    job.fontStyle = o.fontStyle;
    job.fontSize = o.fontSize;
    job.align = o.align;
    job.offset = o.offset;
    job.offsetOr = o.offsetOr;
    job.outlineWidth = o.outlineWidth;
    return s;
}

}  // namespace glyphon
