#include <filesystem>
#include <fstream>
#include <memory>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "mux/DvdAuthoring.h"
#include "mux/VobSubWriter.h"
#include "pgs/PgsSink.h"
#include "render/FontTables.h"
#include "subtitle/OverlapCut.h"
#include "subtitle/Subtitle.h"
#include "sup/SubPictureEncoder.h"
#include "sup/SupWriter.h"
#include "sup/UnitSink.h"

namespace glyphon {

namespace {

const char* const kFindColors =
    "Then find the Color 0 Y Cr CB ,doubleclick it, and put the value: 00 80 80\r\n"
    "Then find the Color 1 Y Cr CB ,doubleclick it, and put the value: 55 80 80\r\n"
    "Then find the Color 2 Y Cr CB ,doubleclick it, and put the value: AA 80 80\r\n"
    "Then find the Color 3 Y Cr CB ,doubleclick it, and put the value: FF 80 80\r\n";

const char* const kAfterAuthoringNew =
    "After authoring the new dvd, load (the generated from Ifoedit) VTS_01_0.IFO on Ifoedit and press "
    "VTS_PGCITI "
    "and then VTS_PGC1.\r\n";

std::string NoIfoText() {
    return std::string("All Done !!! (Case : No Ifo)\r\n") +
           "Since you didnt had any ifo, author your video with the generated sup using Ifoedit.\r\n" +
           kAfterAuthoringNew + kFindColors + "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

std::string MonochromeIfoText() {
    return std::string("All Done !!! (Case : Monocromatic Ifo)\r\n") +
           "Since you had an ifo with no polycromatic palette support , Glyphon generated for you a sup with "
           "a "
           "generic pallette.\r\n" +
           "Just author your video with the generated sup using Ifoedit.\r\n" + kAfterAuthoringNew +
           kFindColors + "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

std::string WithIfoText() {
    return std::string("All Done !!! (Case : With Ifo)\r\n") +
           "Since you already had an ifo with polycromatic palette support , Glyphon generated for you a sup "
           "with "
           "the same ifo pallette.\r\n" +
           "Just author your video with the generated sup using Ifoedit.\r\n" +
           "After authoring the new dvd, load the original ifo (the ifo that you have loaded on Glyphon) on "
           "Ifoedit and press VTS_PGCITI and then VTS_PGC1.\r\n" +
           "Then press Subtitle Color, Copy Colors from this PGC\r\n" +
           "Then load (the generated from Ifoedit) VTS_01_0.IFO on Ifoedit and press VTS_PGCITI and then "
           "VTS_PGC1\r\n" +
           "Then press Subtitle Color, Paste Colors into this PGC\r\n" +
           "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

// A path as one shell word: in single quotes, each quote inside written as
// '\''.
std::string ShellWord(const std::string& path) {
    std::string word = "'";
    for (const char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

// The instructions after muxing into a film: the dvdauthor command that
// builds the disc from the project written beside the film, as printed.
std::string MuxedFilmText(const std::string& stem, const std::string& film, int stream, bool pal) {
    return std::string("All Done !!! (Case : Muxed Film)\r\n") + "The subtitles of " + film +
           " are muxed into " + MuxedFileName(stem) + " as sub-picture stream " + std::to_string(stream) + " (" +
           (pal ? "PAL" : "NTSC") + "), their palette is in " + PaletteFileName(stem) +
           ", and the dvdauthor project " + ProjectFileName(stem) + " names them both.\r\n" +
           "Author the DVD with dvdauthor (Debian package dvdauthor); this command writes it into " + stem +
           ".dvd:\r\n\r\ndvdauthor -o " + ShellWord(stem + ".dvd") + " -x " + ShellWord(ProjectFileName(stem)) +
           "\r\n\r\n" +
           "Its VIDEO_TS folder can then be burnt to a disc or played from the folder.\r\n\r\n\r\nGenerated Files:\r\n";
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) ThrowFileError(errno);
    out << text;
    out.close();
    if (!out) ThrowFileError(errno ? errno : EIO);
}

// Keeps the band inside the frame rows, its top even: rows outside the frame
// do not exist and are never read. A band that lies wholly outside becomes
// two empty rows at the nearest edge, so that every subtitle still has its
// record and its timing.
void ClipBand(int& top, int& height, int frameHeight) {
    int bottom = top + height;  // one past the last row
    if (top < 0) top = 0;
    if (bottom > frameHeight) bottom = frameHeight;
    if (bottom - top < 1) {
        top = top >= frameHeight ? frameHeight - 2 : 0;
        bottom = top + 2;
    }
    height = bottom - top;
}

// Closes every sink, even after one fails; the first failure is reported.
void CloseAll(std::vector<std::unique_ptr<UnitSink>>& sinks) {
    std::exception_ptr first;
    for (auto& sink : sinks) {
        try {
            sink->Close();
        } catch (const std::exception&) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

}  // namespace

std::string OutputStem(const std::string& outputFolder, const std::string& subtitleFile) {
    const auto slash = subtitleFile.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : subtitleFile.substr(0, slash + 1);
    if (!outputFolder.empty()) folder = outputFolder.back() == '/' ? outputFolder : outputFolder + '/';
    const std::string name = slash == std::string::npos ? subtitleFile : subtitleFile.substr(slash + 1);
    return folder + ReplaceExtension(name, "");
}

std::string ReplaceExtension(const std::string& fileName, const std::string& ending) {
    return (fileName.size() > 3 ? fileName.substr(0, fileName.size() - 4) : fileName) + ending;
}

std::string TForm1::ComposeHelpText(const std::string& subtitleFile) const {
    std::string text;
    if (NoIfoMode && i_dont_have_ifo.checked) text = NoIfoText();
    if (MonochromeIfo && i_dont_have_ifo.checked) text = MonochromeIfoText();
    if (!i_dont_have_ifo.checked) text = WithIfoText();
    const std::string stem = OutputStem(OutputFolder, subtitleFile);
    // The list names the files the run writes.
    std::string written;
    if (!Mux.video.empty()) {
        text = MuxedFilmText(stem, Mux.video, Mux.stream, IsPal());
        written = MuxedFileName(stem) + "\r\n" + PaletteFileName(stem) + "\r\n" + ProjectFileName(stem) + "\r\n";
    }
    if (WriteSup) written += stem + ".sup" + "\r\n";
    if (CheckBoxVobSub.checked) {
        const std::string pair = VobSubStem(stem);
        written += pair + ".idx" + "\r\n" + pair + ".sub" + "\r\n";
    }
    if (CheckBoxPgs.checked) written += stem + ".pgs.sup" + "\r\n";
    return text + written + stem + ".Glyphon_Help.txt";
}

std::string TForm1::VobSubStem(const std::string& stem) const {
    // A MicroDVD subtitle file NAME.sub is never overwritten: beside it the
    // pair is NAME.vobsub.idx and NAME.vobsub.sub.
    std::error_code ec;
    return std::filesystem::equivalent(stem + ".sub", OpenDialogsub.fileName, ec) ? stem + ".vobsub" : stem;
}

void TForm1::CreateUnitSinks(const std::string& stem, std::vector<std::unique_ptr<UnitSink>>& sinks) {
    if (WriteSup) {
        auto sup = std::make_unique<SupWriter>();
        sup->Create(stem + ".sup");
        sinks.push_back(std::move(sup));
    }
    if (CheckBoxVobSub.checked) {
        VobSubHeader header;
        header.frameHeight = FrameHeight();
        for (size_t i = 0; i < header.palette.size() && i < Swatches.size(); ++i)
            header.palette[i] = Swatches[i].color;
        header.language = VobSubLanguage;
        const std::string pair = VobSubStem(stem);
        auto vobsub = std::make_unique<VobSubWriter>();
        vobsub->Create(pair + ".idx", pair + ".sub", header);
        sinks.push_back(std::move(vobsub));
    }
    if (CheckBoxPgs.checked) {
        // The look as the DVD frame has it, scaled by the sink to the
        // stream's size.
        PgsLook look;
        look.font = FontSpec{ComboBoxFontName.Text(), StrToInt(ComboBoxFontSize.Text()), SubtitleCharset(),
                             StyleFromName(ComboBoxFontStyle.Text())};
        look.offset = offset.position;
        look.offsetOr = offset_or.position;
        look.align = ComboBoxAlign.Text();
        look.outlineWidth = StrToInt(ComboBoxOutlineWidth.Text());
        const auto opaque = [](Rgb c) { return Rgba{c.r, c.g, c.b, 255}; };
        PgsOptions options;
        options.video = Pgs.video;
        options.colors.text = Pgs.text.value_or(opaque(RoleColor(ComboBoxText)));
        options.colors.outline = Pgs.outline.value_or(opaque(RoleColor(ComboBoxOutline)));
        options.colors.background = Pgs.background;
        auto pgs = std::make_unique<PgsSink>(text(), look, options);
        pgs->Create(stem + ".pgs.sup");
        sinks.push_back(std::move(pgs));
    }
    RunWarnings.clear();
    DvdMuxFailed = false;
    MuxOutputs.clear();
    if (!Mux.video.empty()) sinks.push_back(std::make_unique<DvdMuxSink>(Mux, stem, AuthoringPalette()));
}

void TForm1::ButtonGenerateSupClick() {
    GenerationStopped = !GenerationStopped;
    ProgressBar1.min = 0;
    ProgressBar1.position = 0;
    if (GenerationStopped) {
        // A run is under way and this click is its abort; the run notices
        // the flag before its next subtitle.
        ui_.ShowMessage("Operation Aborted");
        return;
    }
    SetControlsEnabled(false);
    // The run's end, whichever way it comes: idle again.
    struct Idle {
        TForm1& f;
        ~Idle() {
            f.GenerationStopped = true;
            f.SetControlsEnabled(true);
        }
    } idle{*this};

    if (!SubtitleLoaded || !Subtitles) {
        ui_.ShowMessage("Please load an Srt/Sub/Txt subtitle.");
        return;
    }
    if (!SubtitleFits) {
        ui_.ShowMessage("Please use smaller font.");
        return;
    }
    if (!IfoLoaded || !HasPaletteDisplay()) {
        // Without a palette display there are no role colours to draw with.
        ui_.ShowMessage("Please load an Ifo file first and then an Srt/Sub/Txt file.");
        return;
    }

    const std::string subtitleFile = OpenDialogsub.fileName;
    const std::string stem = OutputStem(OutputFolder, subtitleFile);
    std::vector<std::unique_ptr<UnitSink>> sinks;
    try {
        ApplyGenericColours();
        SubPictureEncoder encoder(
            RoleIndices{PaletteIndexOf(ComboBoxAntialias), PaletteIndexOf(ComboBoxOutline),
                        PaletteIndexOf(ComboBoxText), PaletteIndexOf(ComboBoxBg)},
            RoleColours{RoleColor(ComboBoxAntialias), RoleColor(ComboBoxOutline), RoleColor(ComboBoxText)});
        encoder.SetForced(ForcedSubtitles);
        const int count = Subtitles->Count();
        ProgressBar1.min = 0;
        ProgressBar1.max = count - 1;
        ProgressBar1.position = 0;
        CreateUnitSinks(stem, sinks);
        // Every output shows one subtitle at a time: a subtitle still up
        // when the next starts ends there. A time that is not a number ends
        // the list here and the run at that entry, as it always has.
        std::vector<CueTime> cues;
        cues.reserve(size_t(std::max(count, 0)));
        try {
            for (const SubtitleLine& entry : Subtitles->Lines)
                cues.push_back({RoundHalfEven(StrToFloat(entry.StartMs)), RoundHalfEven(StrToFloat(entry.EndMs))});
        } catch (const ConvertError&) {
        }
        if (const int cut = CutOverlaps(cues); cut > 0)
            RunWarnings.push_back(std::to_string(cut) + (cut == 1 ? " subtitle overlapped" : " subtitles overlapped") +
                                  " the next one and " + (cut == 1 ? "was" : "were") +
                                  " cut to end where it starts");
        for (int i = 1; i <= count; ++i) {
            if (GenerationStopped) continue;
            ui_.ProcessMessages();  // the one point where "Abort" can be clicked
            ++ProgressBar1.position;
            // The list may have been replaced while messages ran; the run
            // keeps to the entries it started with.
            const SubtitleLine entry = Subtitles->GetLine(i);
            // Every line of the entry, in the styles of its tags.
            const FontSpec font = ChosenFont();
            const std::vector<RunLine> lines = LinesToDraw(entry, font);
            RenderLines(lines, entry.Top, font, offset.position, offset_or.position, ComboBoxAlign.Text());
            int top = BandTop, height = BandHeight;
            ClipBand(top, height, preview.Height());
            if (size_t(i) > cues.size()) {
                StrToFloat(entry.StartMs);  // throws: the entry's time is not a number
                StrToFloat(entry.EndMs);
            }
            const CueTime& cue = cues[size_t(i - 1)];
            const auto& unit = encoder.Encode(preview, top, height, cue.endMs - cue.startMs);
            for (auto& sink : sinks) sink->Subtitle(cue.startMs, cue.endMs, lines, entry.Top);
            for (auto& sink : sinks) sink->Append(cue.startMs, unit);
            ui_.Changed();
        }
        CloseAll(sinks);
        if (!GenerationStopped) FinishDvdMux(sinks);
        const std::string help = ComposeHelpText(subtitleFile);
        if (!GenerationStopped) {
            WriteTextFile(stem + ".Glyphon_Help.txt", help);
            if (CommandLineMode)
                ui_.Terminate(0);
            else
                ui_.ShowMessage(help);
        }
    } catch (const std::exception& e) {
        // Report with the system's message; the units written so far stay
        // in the files and the window returns to idle.
        try {
            CloseAll(sinks);
        } catch (const std::exception&) {
        }
        ui_.ShowError(WithFullStop(e.what()));
    }
}

}  // namespace glyphon
