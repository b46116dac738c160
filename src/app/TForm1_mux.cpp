#include <filesystem>
#include <string>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/RunPlan.h"
#include "palette/ColorNames.h"
#include "palette/Palette.h"

namespace glyphon {

DiscPalette TForm1::AuthoringPalette() const {
    // The swatches of an IFO palette carry each entry as its eight stored
    // hexadecimal digits; the generic palette's swatches do not, and it goes
    // on the disc as the greys the help text names (the translation to a job
    // puts the named colours in their roles' entries).
    if (i_dont_have_ifo.checked || Swatches.size() != size_t(kPaletteSize)) return GenericDiscEntries();
    DiscPalette palette{};
    for (int i = 0; i < kPaletteSize; ++i)
        palette[size_t(i)] = uint32_t(std::stoul(Swatches[size_t(i)].entryText, nullptr, 16)) & 0xFFFFFF;
    return palette;
}

void TForm1::ApplyGenericColours() {
    if (!i_dont_have_ifo.checked || !GenericColours.Any() || Swatches.size() != size_t(kPaletteSize)) return;
    const auto put = [&](const std::optional<Rgb>& colour, const TComboBox& role) {
        if (colour) Swatches[size_t(PaletteIndexOf(role))].color = DrawnColour(*colour);
    };
    put(GenericColours.outline, ComboBoxOutline);
    put(GenericColours.antialias, ComboBoxAntialias);
    put(GenericColours.text, ComboBoxText);
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
