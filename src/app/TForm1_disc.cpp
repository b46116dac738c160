// "Generate Sup" with several subtitle files listed: every file is one
// stream of one disc, in list order, each with its language; with a film
// chosen, one muxed film, one palette file and one dvdauthor project hold
// them all, and each file's own outputs go beside it.
#include "app/TForm1.h"
#include "common/Convert.h"
#include "common/StagedFile.h"
#include "core/Convert.h"
#include "core/PendingOutputs.h"
#include "mux/DvdAuthoring.h"
#include "mux/DvdMux.h"

namespace glyphon {

void TForm1::GenerateDisc(const ConversionJob& base, const ConversionHooks& hooks) {
    const bool muxing = !Mux.video.empty();
    const std::string stem = OutputStem(OutputFolder, SubtitleFiles.front().file);
    if (muxing) {
        try {
            CheckDvdMuxInput(Mux.video, MuxedFileName(stem));
        } catch (const std::exception& e) {
            RunRefused = true;
            ui_.ShowError(WithFullStop(e.what()));
            return;
        }
    }
    std::vector<ConversionReport> reports;
    for (size_t i = 0; i < SubtitleFiles.size(); ++i) {
        ConversionJob job = base;
        const SubtitleFileItem& item = SubtitleFiles[i];
        job.subtitle.file = item.file;
        // Every file is read anew, its character set found as the named
        // line finds it; the loaded one was read the same way.
        job.subtitle.entries.reset();
        job.subtitle.charsetAuto = true;
        job.subtitle.microDvdFps = MicroDvdFrameRate;
        job.outputs.language = job.look.language = item.language;
        job.outputs.mux.stream = int(i);
        job.outputs.mux.language = item.language;
        job.outputs.mux.collectOnly = muxing;
        ProgressBar1.position = 0;
        ConversionReport report = RunConversion(job, text_, hooks);
        // The disc is the first file's to tell; every other file's help names
        // its own outputs.
        if (i > 0 && report.converted) {
            ConversionJob own = job;
            own.outputs.mux = {};
            report.helpText = glyphon::ComposeHelpText(own);
        }
        if (report.failure) {
            RunRefused = report.failure->stage == ConversionFailure::Stage::Refused;
            ui_.ShowError(WithFullStop(item.file + ": " + report.failure->message));
            return;  // the outputs held back so far are dropped
        }
        if (!report.converted) return;  // aborted
        for (const std::string& w : report.warnings) RunWarnings.push_back(item.file + ": " + w);
        reports.push_back(std::move(report));
    }
    std::string done;
    if (muxing) {
        DvdAuthoringRequest request;
        request.video = Mux.video;
        request.stem = stem;
        request.widescreen = Widescreen;
        request.palette = base.palette.disc;
        for (size_t i = 0; i < reports.size(); ++i)
            request.streams.push_back({int(i), SubtitleFiles[i].language, std::move(reports[i].muxUnits)});
        StagedAuthoring staged;
        try {
            const DvdAuthoringResult result = AuthorDvdFilm(request, &staged);
            staged.Commit();
            for (ConversionReport& report : reports)
                if (report.pending) report.pending->Commit();
            for (size_t i = 1; i < reports.size(); ++i) {
                StagedFile help(reports[i].stem + ".Glyphon_Help.txt");
                help.Write(reports[i].helpText.data(), reports[i].helpText.size());
                help.Close();
                help.Commit();
            }
            done = "The disc:";
            for (const std::string& file : result.written) done += "\r\n" + file;
        } catch (const std::exception& e) {
            DvdMuxFailed = true;
            ui_.ShowError(WithFullStop(e.what()));
            return;
        }
    }
    for (const ConversionReport& report : reports) done += (done.empty() ? "" : "\r\n\r\n") + report.helpText;
    if (CommandLineMode)
        ui_.Terminate(0);
    else
        ui_.ShowMessage(done);
}

}  // namespace glyphon
