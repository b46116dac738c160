// "Generate Sup": the window's controls turned into a conversion job, run by
// the conversion core with the window's progress bar, abort button and
// preview.
#include <memory>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/Convert.h"
#include "core/JobBuilder.h"
#include "core/RunPlan.h"
#include "render/FontTables.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

PaletteSource TForm1::HelpCase() const {
    PaletteSource source = PaletteSource::None;
    if (NoIfoMode && i_dont_have_ifo.checked) source = PaletteSource::NoIfo;
    if (MonochromeIfo && i_dont_have_ifo.checked) source = PaletteSource::MonochromeIfo;
    if (!i_dont_have_ifo.checked) source = PaletteSource::Ifo;
    return source;
}

RunSettings TForm1::CurrentSettings(const std::string& subtitleFile) const {
    RunSettings s;
    s.subtitle.file = subtitleFile;
    s.look = {ComboBoxFontName.Text(), ComboBoxFontCharset.Text(), ComboBoxFontStyle.Text(),
              ComboBoxFontSize.Text(), ComboBoxAlign.Text(),       ComboBoxOutlineWidth.Text(),
              offset.position,         offset_or.position};
    s.wrap = CheckBoxWrap.checked;
    s.widescreen = Widescreen;
    s.anchorBottom = CheckBoxAnchorBottom.checked;

    // The palette as the swatches show it (pure blue without them), the
    // roles as the lists name them.
    PaletteSettings& p = s.palette;
    for (size_t i = 0; i < p.colours.size(); ++i)
        p.colours[i] = i < Swatches.size() ? Swatches[i].color : kPureBlue;
    p.disc = AuthoringPalette();
    p.roles = RoleIndices{PaletteIndexOf(ComboBoxAntialias), PaletteIndexOf(ComboBoxOutline),
                          PaletteIndexOf(ComboBoxText), PaletteIndexOf(ComboBoxBg)};
    p.standard = IsPal() ? VideoStandard::Pal : VideoStandard::Ntsc;
    p.source = HelpCase();
    // The swatches and the authoring palette show these already (a run
    // paints them first); the translation gives the same entries again.
    p.named = GenericColours;
    // The IFO the palette came from is an input no output may replace.
    if (!i_dont_have_ifo.checked) s.ifoFile = OpenDialogifo.fileName;

    OutputRequest& out = s.outputs;
    ChooseOutputs(out);
    out.folder = OutputFolder;
    out.language = VobSubLanguage;
    out.mux = Mux;
    out.pgsRequest = Pgs;
    out.forced = ForcedSubtitles;
    return s;
}

JobTranslation TForm1::MakeConversionJob() const {
    RunSettings s = CurrentSettings(OpenDialogsub.fileName);
    if (Subtitles) {
        s.subtitle.utf8 = Subtitles->Utf8;
        s.subtitle.entries = std::make_shared<std::vector<Cue>>(Subtitles->Lines);
    }
    // A size or width list without a selection has no number: the run fails
    // on it when it comes to its first subtitle.
    return BuildConversionJob(s);
}

std::string TForm1::ComposeHelpText(const std::string& subtitleFile) const {
    return glyphon::ComposeHelpText(BuildConversionJob(CurrentSettings(subtitleFile)).job);
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

    // The job holds the entries the run starts with, whatever the list
    // becomes while messages run.
    JobTranslation built;
    try {
        ApplyGenericColours();
        built = MakeConversionJob();
    } catch (const std::exception& e) {
        ui_.ShowError(WithFullStop(e.what()));
        return;
    }
    ConversionJob& job = built.job;
    ProgressBar1.min = 0;
    ProgressBar1.max = int(job.subtitle.entries->size()) - 1;
    ProgressBar1.position = 0;
    // A styled script is converted from the file, as libass reads it.
    if (StyledScriptLoaded()) job.subtitle.entries.reset();
    RunWarnings.clear();
    DvdMuxFailed = false;
    RunRefused = false;

    ConversionHooks hooks;
    hooks.stopRequested = [this] { return GenerationStopped; };
    hooks.beforeSubtitle = [this](int, int) {
        ui_.ProcessMessages();  // the one point where "Abort" can be clicked
        ++ProgressBar1.position;
        return true;
    };
    hooks.progress = [this](int, int) { ui_.Changed(); };
    // The preview shows each subtitle on the blue frame while it is
    // generated, and the last one after the run. Without a window nobody
    // sees it: the run codes its units straight from the lines, to the
    // same bytes.
    if (ui_.ShowsPreview()) {
        hooks.canvas = &preview;
        hooks.bandTop = &BandTop;
        hooks.bandHeight = &BandHeight;
    }
    if (SeveralFiles()) return GenerateDisc(built, hooks);
    // The window's run is a plan of one input, carried out by the core.
    PlanHooks planHooks;
    planHooks.text = &text_;
    planHooks.run = hooks;
    // The window has no stream number: a film muxed before gets the new
    // stream after its own.
    RunPlan plan = PlanOfOneJob(job, built.settingError);
    plan.afterFilmStreams = true;
    const ConversionReport report = ReportOfOneInput(RunConversionPlan(plan, planHooks));

    if (report.failure) {
        // Reported with the system's message; the previous outputs stay as
        // they were and the window returns to idle.
        DvdMuxFailed = report.failure->stage == ConversionFailure::Stage::Mux;
        RunRefused = report.failure->stage == ConversionFailure::Stage::Refused;
        ui_.ShowOutputError(report.failure->file, WithFullStop(report.failure->message));
        return;
    }
    if (!report.converted) return;
    RunWarnings = report.warnings;
    if (CommandLineMode)
        ui_.Terminate(0);
    else
        ui_.ShowMessage(report.helpText);
}

}  // namespace glyphon
