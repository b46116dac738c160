#include "cli/JobSettings.h"

#include "common/Convert.h"
#include "common/FileError.h"
#include "core/JobBuilder.h"
#include "palette/IfoReader.h"
#include "render/FontTables.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// A list item by position; the window's list without a selection gives "".
const std::string& Item(const std::vector<std::string>& items, int position) {
    static const std::string none;
    return position >= 0 && size_t(position) < items.size() ? items[size_t(position)] : none;
}

}  // namespace

JobSettings ResolveJobSettings(const ConvertOptions& o, const std::optional<FilmCheck>& film,
                               const std::vector<std::string>& installedFamilies, TextEngine& text) {
    JobSettings s;
    RunSettings in;
    const bool filmRead = film && film->Usable();

    // The palette as its source gives it, the roles as the loaders pick them.
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
        in.palette = IfoPaletteSettings(ifo.entries, ifo.IsPal() ? VideoStandard::Pal : VideoStandard::Ntsc);
        if (in.palette.source == PaletteSource::MonochromeIfo)
            s.warnings.push_back(*o.ifoFile +
                                 ": no polychromatic palette in this IFO; the generic palette is used");
        in.ifoFile = *o.ifoFile;
    } else {
        // The generic palette's standard follows the film unless chosen.
        const bool pal = o.pal ? *o.pal : filmRead ? film->pal : true;
        in.palette = GenericPaletteSettings(pal ? VideoStandard::Pal : VideoStandard::Ntsc);
    }
    if (o.colors) {
        const auto& c = *o.colors;  // text, outline, antialias, background
        in.palette.roles = RoleIndices{c[2], c[1], c[0], c[3]};
    }
    in.palette.named = NamedRoleColours{o.textColor, o.outlineColor, o.antialiasColor};

    // The font by the list's spelling, every other list by its item's text,
    // translated as the window's are.
    const std::vector<std::string> fonts = BuildFontNameList(installedFamilies);
    in.look = {o.fontName,
               Item(FontCharsetItems(), o.fontCharset),
               Item(FontStyleItems(), o.fontStyle),
               Item(FontSizeItems(), o.fontSize),
               Item(AlignItems(), o.align),
               Item(OutlineWidthItems(), o.outlineWidth),
               o.offset,
               o.offsetOr};
    in.fontItems = &fonts;
    in.wrap = o.wrap;
    in.widescreen = o.widescreen.value_or(filmRead && film->widescreen);
    in.anchorBottom = o.anchorBottom;
    in.refuseOutsideFrame = true;

    // MicroDVD files without a rate line: --fps, else the film's own rate.
    in.subtitle.microDvdFps = o.fps > 0                       ? o.fps
                              : filmRead && film->rateNum > 0 ? double(film->rateNum) / double(film->rateDen)
                                                              : 0;
    in.subtitle.fontsDir = o.fontsDir;
    in.subtitle.charsetAuto = o.charsetAuto;

    OutputRequest& out = in.outputs;
    out.kinds = o.formats;
    out.folder = o.outputDir;
    out.language = o.language;
    out.mux.video = o.muxVideo;
    out.mux.stream = o.stream.value_or(0);
    out.pgsRequest = o.pgs;
    out.forced = o.forced;

    JobTranslation built = BuildConversionJob(in);
    s.job = std::move(built.job);
    if (built.fontUnlisted) {
        // Drawn with the face the text engine substitutes, as for any list
        // item whose face is missing.
        const std::string face =
            text.FaceName(FontSpec{o.fontName, 20, s.job.subtitle.charset, int(s.job.look.style)});
        s.warnings.push_back("font \"" + o.fontName + "\" is not installed; \"" +
                             (face.empty() ? std::string("the built-in fallback") : face) +
                             "\" is used instead");
    }
    if (!built.settingError.empty()) s.error = WithFullStop(built.settingError);
    return s;
}

}  // namespace glyphon
