#include <filesystem>
#include <string>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/RunPlan.h"
#include "palette/Palette.h"

namespace glyphon {

namespace {

// The roles the three colour lists name, as a palette choice of the generic
// palette's entries (drawn as the swatches show them) that named colours
// can be given to.
PaletteChoice GenericChoice(const TForm1& f) {
    PaletteChoice p;
    p.source = PaletteSource::NoIfo;
    p.disc = GenericDiscEntries();
    for (size_t i = 0; i < p.colours.size() && i < f.Swatches.size(); ++i) p.colours[i] = f.Swatches[i].color;
    p.roles = RoleIndices{f.PaletteIndexOf(f.ComboBoxAntialias), f.PaletteIndexOf(f.ComboBoxOutline),
                          f.PaletteIndexOf(f.ComboBoxText), f.PaletteIndexOf(f.ComboBoxBg)};
    return p;
}

}  // namespace

DiscPalette TForm1::AuthoringPalette() const {
    // The swatches of an IFO palette carry each entry as its eight stored
    // hexadecimal digits; the generic palette's swatches do not, and it goes
    // on the disc as the greys the help text names, or in the named colours.
    if (i_dont_have_ifo.checked || Swatches.size() != size_t(kPaletteSize)) {
        PaletteChoice generic = GenericChoice(*this);
        ApplyNamedColours(generic, GenericColours);
        return generic.disc;
    }
    DiscPalette palette{};
    for (int i = 0; i < kPaletteSize; ++i)
        palette[size_t(i)] = uint32_t(std::stoul(Swatches[size_t(i)].entryText, nullptr, 16)) & 0xFFFFFF;
    return palette;
}

void TForm1::ApplyGenericColours() {
    if (!i_dont_have_ifo.checked || !GenericColours.Any() || Swatches.size() != size_t(kPaletteSize)) return;
    PaletteChoice generic = GenericChoice(*this);
    ApplyNamedColours(generic, GenericColours);
    for (size_t i = 0; i < Swatches.size(); ++i) Swatches[i].color = generic.colours[i];
}

void TForm1::CheckBoxMuxClick() {
    if (!CheckBoxMux.checked) {
        Mux.video.clear();
        Widescreen = false;
        LabelFilm.caption.clear();
        DrawSampleThenSelection();
        ui().Changed();
        return;
    }
    if (!ui().Execute(OpenDialogMux) || OpenDialogMux.fileName.empty()) {
        CheckBoxMux.checked = false;
        ui().Changed();
        return;
    }
    const FilmCheck film = CheckFilm(OpenDialogMux.fileName, {});
    if (!film.Usable()) {
        CheckBoxMux.checked = false;
        Mux.video.clear();
        Widescreen = false;
        LabelFilm.caption.clear();
        ui().Changed();
        ui().ShowMessage("The film\r" + OpenDialogMux.fileName + "\rcannot be muxed into: " + film.error);
        return;
    }
    Mux.video = OpenDialogMux.fileName;
    Widescreen = film.widescreen;
    LabelFilm.caption = std::filesystem::path(Mux.video).filename().string() + "  " +
                        (film.pal ? "PAL" : "NTSC") + " " + IntToStr(film.width) + "x" +
                        IntToStr(film.height) + (film.widescreen ? " 16:9" : " 4:3");
    // The generic palette's standard follows the film, as on the command
    // line; an IFO's is the IFO's.
    if (i_dont_have_ifo.checked) SelectStandard(film.pal);
    StoreChangedSettings();
    // The text is drawn for the film's picture from now on.
    DrawSampleThenSelection();
    ui().Changed();
}

}  // namespace glyphon
