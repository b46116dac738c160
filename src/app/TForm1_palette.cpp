// The palette side of the main window: loading an IFO palette, the generic
// palette for discs without a usable one, the video standard buttons, the
// four colour roles and the colours help window.
#include "app/TForm1.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "palette/IfoReader.h"
#include "palette/Palette.h"
#include "render/FontTables.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

const char* const kSampleLine1 = "Rethymno.";
const char* const kSampleLine2 = "Crete Hellas.";

const char* const kNotPolychromaticMessage =
    "ATTENTION :\r"
    "Your loaded ifo has not a polycromatic color palette.\r"
    "Probably this ifo does not contain any subtitle and you are tryng to add the first one. \r"
    "Glyphon will create an generic polycromatic color palette in order to generate a correct colored sup "
    "file.\r"
    "After the generation of the sup file , Glyphon will tell you what to do using Ifoedit.\r"
    "For now just load your Srt and press Generate sup.";

// Swatch n sits at left 59 + 15n, top 62 (14 x 14); its number label at
// left 60 + 15n (+ labelShift), top 48.
PaletteSwatch MakeSwatch(int n, Rgb color, std::string entryText, int labelShift) {
    PaletteSwatch s;
    s.color = color;
    s.entryText = std::move(entryText);
    s.left = 59 + 15 * n;
    s.top = 62;
    s.labelLeft = 60 + 15 * n + labelShift;
    s.labelTop = 48;
    s.labelCaption = IntToStr(n);
    return s;
}

}  // namespace

void TForm1::ButtonLoadIfoClick() {
    // A cancelled dialog keeps the name of its last confirmed choice, and
    // that file is loaded again.
    if (!CommandLineMode) ui().Execute(OpenDialogifo);
    LoadChosenIfo();
}

void TForm1::OpenIfoFile(const std::string& fileName) {
    // The generic palette gives way, as unticking its box by hand would.
    SetNoIfoChecked(false);
    OpenDialogifo.fileName = fileName;
    LoadChosenIfo();
    ui_.Changed();
}

void TForm1::LoadChosenIfo() {
    const std::string fileName = OpenDialogifo.fileName;
    if (fileName.empty()) return;
    ui().ProcessMessages();
    EditLoadIfo.text = fileName;

    // The whole file is read before anything on screen changes, so a file
    // that cannot be read leaves everything but the file name field as it was.
    IfoPalette ifo;
    try {
        ifo = ReadIfoPalette(fileName);
    } catch (const FileError& e) {
        ReportError(e.what());
        return;
    } catch (const ConvertError& e) {
        ReportError(e.what());
        return;
    }

    std::vector<PaletteSwatch> swatches;
    swatches.reserve(kPaletteSize);
    for (int n = 0; n < kPaletteSize; ++n) {
        const uint32_t e = ifo.entries[size_t(n)];
        swatches.push_back(MakeSwatch(n, DisplayColor(e), EntryText(e), 0));
    }
    Swatches = std::move(swatches);

    SelectStandard(ifo.IsPal());
    IfoLoaded = true;

    // Each band's first grey becomes its roles' default; setting a position
    // from here runs no change handler.
    const DefaultRoles roles = PickDefaultRoles(ifo.entries);
    if (roles.dark) {
        ComboBoxBg.SetItemIndex(*roles.dark);
        ComboBoxOutline.SetItemIndex(*roles.dark);
    }
    if (roles.middle) ComboBoxAntialias.SetItemIndex(*roles.middle);
    if (roles.bright) ComboBoxText.SetItemIndex(*roles.bright);

    if (roles.Polychromatic()) {
        // The box is unticked whenever this button can be pressed; it is
        // cleared without its handler, which would remove the swatches just
        // built.
        i_dont_have_ifo.checked = false;
        MonochromeIfo = false;
        NoIfoMode = false;
        Ntsc.enabled = false;
        Pal.enabled = false;
    } else {
        Swatches.clear();
        ButtonLoadIfo.enabled = false;
        ShowGenericPalette();
        DrawPreviewWithSettings(kSampleLine1, kSampleLine2);
        IfoLoaded = true;
        ui().Changed();
        ui().ShowMessage(kNotPolychromaticMessage);
        // Ticking runs the box's handler: the generic palette once more, the
        // sample drawn again, the standard buttons enabled.
        SetNoIfoChecked(true);
        MonochromeIfo = true;
        NoIfoMode = false;
        Ntsc.enabled = false;
        Pal.enabled = false;
    }
    DrawPreviewWithSettings(kSampleLine1, kSampleLine2);
    ui().Changed();
}

void TForm1::ShowGenericPalette() {
    const auto& generic = GenericPalette();
    std::vector<PaletteSwatch> swatches;
    swatches.reserve(kPaletteSize);
    for (int n = 0; n < kPaletteSize; ++n) {
        const GenericEntry& g = generic[size_t(n)];
        swatches.push_back(MakeSwatch(n, g.color, g.entryText, g.labelShift));
    }
    Swatches = std::move(swatches);
    ComboBoxBg.SetItemIndex(kGenericBackground);
    ComboBoxText.SetItemIndex(kGenericText);
    ComboBoxOutline.SetItemIndex(kGenericOutline);
    ComboBoxAntialias.SetItemIndex(kGenericAntialias);
}

void TForm1::i_dont_have_ifoClick() {
    if (i_dont_have_ifo.checked) {
        NoIfoMode = true;
        ButtonLoadIfo.enabled = false;
        ShowGenericPalette();
        DrawPreviewWithSettings(kSampleLine1, kSampleLine2);
        IfoLoaded = true;
        Pal.enabled = true;
        Ntsc.enabled = true;
    } else {
        // The role positions, the IFO file name and the subtitles stay.
        NoIfoMode = false;
        ButtonLoadIfo.enabled = true;
        Swatches.clear();
        IfoLoaded = false;
        Pal.enabled = false;
        Ntsc.enabled = false;
    }
    ui().Changed();
}

void TForm1::PalClick() { LoadPreviewBackground(); }

void TForm1::ComboBoxAntialiasChange() { DrawSampleThenSelection(); }

void TForm1::ButtonColorsHelpClick() {
    ui().ShowModalWindow(WindowKind::ColorsHelp);
    // Returning from another window of the program activates this one again.
    FormActivate();
}

int TForm1::PaletteIndexOf(const TComboBox& roleList) const {
    const std::string text = roleList.Text();
    const std::vector<std::string>& items = ColorItems();
    for (int n = 0; n < kPaletteSize; ++n)
        if (text == items[size_t(n)]) return n;
    // A list without a selection (a position from the command line outside
    // the list) names no entry: the role falls back to entry 0, for drawing
    // and for the stream alike.
    return 0;
}

Rgb TForm1::RoleColor(const TComboBox& roleList) const {
    const size_t n = size_t(PaletteIndexOf(roleList));
    // Without a palette display there is no colour to draw a role in; pure
    // blue is the background, so nothing is drawn.
    return n < Swatches.size() ? Swatches[n].color : kPureBlue;
}

bool TForm1::HasPaletteDisplay() const { return Swatches.size() == size_t(kPaletteSize); }

}  // namespace glyphon
