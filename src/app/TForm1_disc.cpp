// "Generate Sup" with several subtitle files listed: a run plan of every
// file, one stream each in list order with its language, carried out by the
// core; with a film chosen, one muxed film, one palette file and one
// dvdauthor project hold them all.
#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/RunPlan.h"

namespace glyphon {

void TForm1::GenerateDisc(const JobTranslation& built, const ConversionHooks& hooks) {
    const ConversionJob& base = built.job;
    RunPlan plan;
    plan.shared = base;
    plan.settingError = built.settingError;
    // Every file is read anew, its character set found as the named line
    // finds it; the loaded one was read the same way.
    plan.shared.subtitle.entries.reset();
    plan.shared.subtitle.charsetAuto = true;
    plan.shared.subtitle.microDvdFps = MicroDvdFrameRate;
    for (size_t i = 0; i < SubtitleFiles.size(); ++i) {
        PlanInput input;
        input.path = SubtitleFiles[i].file;
        input.charset = base.subtitle.charset;
        input.language = SubtitleFiles[i].language;
        input.stream = int(i);
        plan.inputs.push_back(std::move(input));
    }
    // The window has no stream numbers: a film muxed before gets the new
    // streams after its own.
    plan.afterFilmStreams = true;
    PlanHooks planHooks;
    planHooks.text = &text_;
    planHooks.run = hooks;
    planHooks.started = [this](size_t) { ProgressBar1.position = 0; };
    const PlanReport report = RunConversionPlan(plan, planHooks);
    for (size_t i = 0; i < report.inputs.size(); ++i) {
        const ConversionReport& input = report.inputs[i];
        if (input.failure) {
            RunRefused = input.failure->stage == ConversionFailure::Stage::Refused;
            ui_.ShowError(WithFullStop(SubtitleFiles[i].file + ": " + input.failure->message));
            return;
        }
    }
    if (report.failure) {
        DvdMuxFailed = report.failure->stage == ConversionFailure::Stage::Mux;
        RunRefused = report.failure->stage == ConversionFailure::Stage::Refused;
        ui_.ShowError(WithFullStop(report.failure->message));
        return;
    }
    if (!report.converted) return;  // aborted
    for (size_t i = 0; i < report.inputs.size(); ++i)
        for (const std::string& w : report.inputs[i].warnings)
            RunWarnings.push_back(SubtitleFiles[i].file + ": " + w);
    for (const auto& [i, warning] : report.pastEnd) RunWarnings.push_back(warning);
    // The disc is the first file's help to tell; every other file's names its
    // own outputs.
    std::vector<std::string> helps;
    for (const ConversionReport& input : report.inputs) helps.push_back(input.helpText);
    std::string done;
    for (const std::string& help : helps) done += (done.empty() ? "" : "\r\n\r\n") + help;
    if (CommandLineMode)
        ui_.Terminate(0);
    else
        ui_.ShowMessage(done);
}

}  // namespace glyphon
