// The preview image: its background picture, the preview drawing with the
// preview's own fit test, the handlers that redraw it, and the rendering of
// one subtitle for the generation run.
#include <optional>

#include "app/OwnPicture.h"
#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/DrawnLines.h"
#include "core/DvdColours.h"
#include "render/Bmp.h"
#include "render/FontTables.h"
#include "render/PreviewPictures.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

const char* const kSampleLine1 = "Rethymno.";
const char* const kSampleLine2 = "Crete Hellas";

// The lines' coloured runs painted as the DVD unit shows them: through the
// stream palette a run makes of the loaded file's colours.
void ShowDvdColours(const TForm1& f, const std::vector<RunLine>& lines, SubtitleLook& look) {
    if (!f.Subtitles) return;
    // The palette alone: the whole job would copy every cue at each redraw.
    const PaletteChoice palette = BuildConversionJob(f.CurrentSettings({})).job.palette;
    const DvdColours colours(palette, palette.roles, f.Subtitles->Lines);
    if (!colours.Any()) return;
    UnitColours unit;
    unit.Add(0, lines);
    colours.AsShown(colours.SlotsOf(unit), look);
}

}  // namespace

void TForm1::LoadPreviewBackground() {
    if (!ui().ShowsPreview()) return;
    // With a film chosen, its own picture at the selected subtitle's time
    // (at its start before a subtitle is selected).
    if (!Mux.video.empty()) {
        int64_t ms = 0;
        const int entry = ListBox1.itemIndex;
        if (SubtitleLoaded && Subtitles && entry >= 0 && entry < Subtitles->Count()) {
            const SubtitleLine& cue = Subtitles->Lines[size_t(entry)];
            // A script's event is previewed at its middle (DrawStyledPreview).
            ms = std::max<int64_t>(
                0, (StyledScriptLoaded() ? cue.start + (cue.end - cue.start) / 2 : cue.start) / 90);
        }
        if (std::optional<Frame> picture = ui().FilmFrame(Mux.video, ms, kFrameWidth, FrameHeight())) {
            preview = std::move(*picture);
            return;
        }
    }
    const bool pal = IsPal();
    const std::string& own = pal ? LabelImageChangedPAL.caption : LabelImageChangedNTSC.caption;
    // A missing or unreadable own picture quietly falls back to the built-in one.
    if (std::optional<Frame> picture = OwnPicture(ui(), own, FrameHeight())) {
        preview = std::move(*picture);
        return;
    }
    preview = BuiltInPicture(pal ? "PreviewPal720x576" : "PreviewNtsc720x480");
}

void TForm1::DrawPreview(const std::string& Line1, const std::string& Line2, int FontSize,
                         const std::string& FontName, int Charset, int Style, int Offset, int OffsetOr,
                         Alignment Align) {
    DrawPreviewLines({PlainLine(Line1), PlainLine(Line2)}, false,
                     FontSpec{FontName, FontSize, Charset, Style}, Offset, OffsetOr, Align);
}

void TForm1::DrawPreviewLines(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                              int OffsetOr, Alignment Align, const BoxPlace& place) {
    LoadPreviewBackground();
    bool fits = true;
    for (const RunLine& line : lines) fits = fits && MeasureRunLine(text(), line, font).width < kFitLimit;
    if (!fits) {
        std::string shown = "The string \r";
        for (const RunLine& line : lines) {
            std::string bytes;
            for (const TextRun& run : line) bytes += run.text;
            shown += ShownText(bytes) + "\r";
        }
        ui().ShowMessage(shown + "is too long.");
        SubtitleFits = false;
        ui().Changed();
        return;
    }
    SubtitleFits = true;
    if (!ui().ShowsPreview()) return;
    if (CheckBoxPgs.checked) {
        DrawPgsPreview(lines, top, font, Offset, OffsetOr, Align, place);
        ui().Changed();
        return;
    }
    SubtitleLook look = ChosenLook(font, Offset, OffsetOr, Align);
    look.place = place;
    ShowDvdColours(*this, lines, look);
    DrawSubtitleLines(preview, text(), lines, look, top);
    ui().Changed();
}

void TForm1::DrawPreviewWithSettings(const std::string& Line1, const std::string& Line2) {
    DrawPreview(Line1, Line2, StrToInt(ComboBoxFontSize.Text()), ComboBoxFontName.Text(), SubtitleCharset(),
                StyleFromName(ComboBoxFontStyle.Text()), offset.position, offset_or.position,
                AlignmentOf(ComboBoxAlign.Text()));
}

void TForm1::DrawSelectedEntryPreview() {
    if (!Subtitles) return;
    if (StyledScriptLoaded()) return DrawStyledPreview();
    const int entry = ListBox1.itemIndex + 1;
    if (entry < 1 || entry > Subtitles->Count()) return;
    const SubtitleLine line = Subtitles->GetLine(entry);
    const FontSpec font = ChosenFont();
    std::vector<RunLine> lines = LinesToDraw(line, font);
    BoxPlace place;
    if (!line.place().Stacked()) {
        // Where the cue's settings put it; only its lines with text take room there.
        place = BoxPlaceOf(line.place());
        lines.resize(std::max<size_t>(1, LinesWithText(lines)));
    }
    DrawPreviewLines(lines, line.AtTop(), font, offset.position, offset_or.position,
                     AlignmentOf(ComboBoxAlign.Text()), place);
}

void TForm1::DrawSampleThenSelection() {
    if (IfoLoaded) DrawPreviewWithSettings(kSampleLine1, kSampleLine2);
    if (IfoLoaded && SubtitleLoaded) DrawSelectedEntryPreview();
}

void TForm1::ListBox1Click() {
    if (IfoLoaded && SubtitleLoaded) DrawSelectedEntryPreview();
}

void TForm1::offsetChange() {
    DrawSampleThenSelection();
    LabelOffset.caption = IntToStr(offset.position);
}

void TForm1::offset_orChange() {
    // Only even spacings: an odd position moves on by one, which runs this
    // handler again for the new position before this run continues.
    if (offset_or.position % 2 != 0) SetOffsetOrPosition(offset_or.position + 1);
    DrawSampleThenSelection();
    LabelOffset_Or.caption = IntToStr(offset_or.position);
}

void TForm1::ComboBoxFontCharsetChange() { DrawSampleThenSelection(); }

void TForm1::BitBtnChangeImageClick() {
    const bool palChosen = ui().Execute(OpenDialogImagePAL);
    if (!OpenDialogImagePAL.fileName.empty()) {
        LabelImageChangedPAL.caption = OpenDialogImagePAL.fileName;
        LoadPreviewBackground();
        if (palChosen) CheckChosenPicture(OpenDialogImagePAL.fileName);
    }
    const bool ntscChosen = ui().Execute(OpenDialogImageNTSC);
    if (!OpenDialogImageNTSC.fileName.empty()) {
        LabelImageChangedNTSC.caption = OpenDialogImageNTSC.fileName;
        LoadPreviewBackground();
        if (ntscChosen) CheckChosenPicture(OpenDialogImageNTSC.fileName);
    }
    StoreChangedSettings();
    ui().Changed();
}

void TForm1::CheckChosenPicture(const std::string& path) {
    if (ui().LoadPicture(path)) return;
    // The bitmap reader tells what is wrong with the file, where it can.
    std::string why;
    if (ReadBmp24(path, &why) || why.empty()) why = "it cannot be read as a picture";
    ui().ShowMessage("The picture\r" + path + "\rcannot be used: " + why +
                     ".\rThe built-in picture is shown instead.");
}

void TForm1::RenderSubtitle(const std::string& Line1, const std::string& Line2, int FontSize,
                            const std::string& FontName, int Charset, int Style, int Offset, int OffsetOr,
                            Alignment Align) {
    RenderLines({PlainLine(Line1), PlainLine(Line2)}, false,
                FontSpec{FontName, FontSize, Charset, Style, WidthPercent(Widescreen)}, Offset, OffsetOr,
                Align);
}

}  // namespace glyphon
