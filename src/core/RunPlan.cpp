#include "core/RunPlan.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "core/OutputClash.h"
#include "core/OutputNames.h"
#include "core/PendingOutputs.h"
#include "core/SettingRanges.h"
#include "mux/DvdAuthoring.h"
#include "mux/DvdMux.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

ConversionFailure Failure(ConversionFailure::Stage stage, std::string message, std::string file = {}) {
    ConversionFailure f;
    f.stage = stage;
    f.message = std::move(message);
    f.file = std::move(file);
    return f;
}

FilmFacts FactsOf(const FilmCheck& check) {
    FilmFacts facts;
    facts.start.firstVideoPts = check.firstVideoPts;
    facts.start.rateNum = check.rateNum;
    facts.start.rateDen = check.rateDen;
    facts.start.width = check.width;
    facts.start.height = check.height;
    facts.start.aspectCode = check.aspectCode;
    facts.start.rateCode = check.rateCode;
    facts.format = FormatOfStart(facts.start);
    return facts;
}

// Input i's job: the shared one with its file, character set, language and
// stream.
ConversionJob JobOf(const RunPlan& plan, size_t i) {
    const PlanInput& in = plan.inputs[i];
    ConversionJob job = plan.shared;
    job.subtitle.file = in.path;
    job.subtitle.charset = in.charset;
    job.subtitle.entries = in.entries;
    job.subtitle.utf8 = in.utf8;
    job.outputs.language = in.language;
    job.look.language = in.language;
    job.outputs.mux.stream = in.stream;
    job.outputs.mux.language = in.language;
    if (i > 0) job.outputs.mux.discStem = OutputStem(plan.shared.outputs.folder, plan.inputs.front().path);
    if (i == 0 && plan.inputs.size() > 1)
        for (const PlanInput& other : plan.inputs)
            job.outputs.mux.discStreams += (job.outputs.mux.discStreams.empty() ? "" : ", ") +
                                           std::to_string(other.stream) + " (" + other.language + ")";
    return job;
}

// Its subtitles that start after the film's last frame, said once per input.
std::string PastEndText(const UnitList& units, const MuxReport& mux, const std::string& film,
                        const std::string& muxed) {
    int past = 0;
    for (size_t k = 0; k < units.Count(); ++k)
        if (mux.firstVideoPts + int64_t(units.Pts(k)) > mux.lastVideoPts) ++past;
    if (past == 0) return {};
    return std::to_string(past) + (past == 1 ? " subtitle starts" : " subtitles start") +
           " after the end of the video in " + film + "; appended at the end of " + muxed;
}

}  // namespace

FilmCheck CheckFilm(const std::string& film, const std::string& muxedPath, bool streams) {
    FilmCheck check;
    check.film = film;
    try {
        uint32_t held = 0;
        const FilmFacts facts = ReadFilmFacts(film, muxedPath, streams ? &held : nullptr);
        if (streams) check.heldStreams = held;
        check.width = facts.format.width;
        check.height = facts.format.height;
        check.pal = facts.format.pal;
        check.widescreen = facts.format.widescreen;
        check.firstVideoPts = facts.start.firstVideoPts;
        check.rateNum = facts.start.rateNum;
        check.rateDen = facts.start.rateDen;
        check.aspectCode = facts.start.aspectCode;
        check.rateCode = facts.start.rateCode;
    } catch (const FileError& e) {
        check.error = e.what();
        check.fileError = true;
    } catch (const std::exception& e) {
        check.error = e.what();
    }
    return check;
}

RunPlan PlanOfOneJob(const ConversionJob& job, const std::string& settingError) {
    RunPlan plan;
    plan.shared = job;
    plan.settingError = settingError;
    PlanInput input;
    input.path = job.subtitle.file;
    input.charset = job.subtitle.charset;
    input.language = job.outputs.language;
    input.stream = job.outputs.mux.stream;
    input.entries = job.subtitle.entries;
    input.utf8 = job.subtitle.utf8;
    plan.inputs.push_back(std::move(input));
    return plan;
}

ConversionReport ReportOfOneInput(PlanReport planned) {
    ConversionReport report = std::move(planned.inputs.front());
    if (planned.failure) {
        report.converted = false;
        report.failure = std::move(planned.failure);
    }
    for (auto& [i, warning] : planned.pastEnd) report.warnings.push_back(std::move(warning));
    report.muxOutputs = std::move(planned.muxOutputs);
    return report;
}

std::vector<std::string> PlanInputs(const RunPlan& plan) {
    std::vector<std::string> inputs;
    for (const PlanInput& in : plan.inputs) inputs.push_back(in.path);
    inputs.push_back(plan.shared.outputs.mux.video);
    for (const std::string& other : plan.shared.otherInputs) inputs.push_back(other);
    return inputs;
}

PlanReport RunConversionPlan(const RunPlan& plan, const PlanHooks& hooks) {
    PlanReport r;
    const size_t count = plan.inputs.size();
    r.inputs.resize(count);
    const ConversionJob& shared = plan.shared;
    const std::string& film = shared.outputs.mux.video;
    const bool disc = !film.empty() && count > 0;
    if (count > 0) r.muxStem = OutputStem(shared.outputs.folder, plan.inputs.front().path);
    if (disc && plan.afterFilmStreams) {
        RunPlan after = plan;
        after.afterFilmStreams = false;
        // One read of the whole film checks it and finds its streams; the
        // plan then reads it only to copy it.
        if (!after.film || !after.film->heldStreams)
            after.film = CheckFilm(film, MuxedFileName(r.muxStem), true);
        if (!after.film->Usable()) {
            r.failure = Failure(ConversionFailure::Stage::Mux, after.film->error,
                                after.film->fileError ? film : std::string());
            return r;
        }
        int first = 0;
        for (int s = 0; s < 32; ++s)
            if (*after.film->heldStreams & (1u << s)) first = s + 1;
        for (PlanInput& in : after.inputs) in.stream += first;
        int last = 0;
        for (const PlanInput& in : after.inputs) last = std::max(last, in.stream);
        if (last > kStreamSetting.maximum) {
            r.failure = Failure(ConversionFailure::Stage::Refused,
                                film + " already holds sub-picture streams up to " +
                                    std::to_string(first - 1) + "; a DVD holds 32 at most (0 to 31), so " +
                                    std::to_string(count) + " more do not fit");
            return r;
        }
        return RunConversionPlan(after, hooks);
    }

    // Outputs of two inputs that would land on one another (or on an input).
    if (count > 1) {
        std::vector<std::string> paths;
        for (const PlanInput& in : plan.inputs) paths.push_back(in.path);
        if (std::optional<std::string> clash = OutputClash(shared, paths)) {
            r.failure = Failure(ConversionFailure::Stage::Refused, *clash);
            return r;
        }
    }

    // The film and the disc's names are checked once, before any file is
    // touched.
    std::optional<FilmFacts> facts;
    if (disc) {
        const FilmCheck check = plan.film ? *plan.film : CheckFilm(film, MuxedFileName(r.muxStem));
        if (!check.Usable()) {
            r.failure =
                Failure(ConversionFailure::Stage::Mux, check.error, check.fileError ? film : std::string());
            return r;
        }
        std::optional<std::string> refusal =
            OutputReplacingInput(AuthoringFileNames(r.muxStem), PlanInputs(plan));
        if (!refusal) refusal = UnnameableInProject(r.muxStem);
        if (refusal) {
            r.failure = Failure(ConversionFailure::Stage::Refused, *refusal);
            return r;
        }
        facts = FactsOf(check);
    }

    // Each input drawn, encoded and written; with a film its outputs and
    // units wait in `handed` for the disc.
    std::vector<HandedOver> handed(count);
    std::atomic<size_t> next{0};
    std::atomic<size_t> failed{0};
    const size_t threads = std::max<size_t>(1, std::min(count, size_t(plan.threads > 0 ? plan.threads : 1)));
    const auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) {
            if (hooks.started) hooks.started(i);
            ConversionHooks run = hooks.run;
            run.progress = [&, i](int done, int total) {
                if (hooks.run.progress) hooks.run.progress(done, total);
                if (hooks.progress) hooks.progress(i, done, total);
            };
            run.handOver = disc ? &handed[i] : nullptr;
            {
                std::unique_ptr<TextEngine> own;
                TextEngine* text = threads == 1 ? hooks.text : nullptr;
                if (!text) {
                    own = hooks.makeTextEngine();
                    text = own.get();
                }
                r.inputs[i] = RunConversion(JobOf(plan, i), *text, run, plan.settingError);
            }
            if (!r.inputs[i].converted) ++failed;
            if (hooks.finished) hooks.finished(i, r.inputs[i]);
        }
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    r.failed = failed.load();
    if (r.failed > 0) return r;  // the handed-over outputs are removed
    if (!disc) {
        r.converted = true;
        return r;
    }

    // Every stream muxed into the film in one pass, with its palette file
    // and project; then the whole set put in place at once.
    DvdAuthoringRequest request;
    request.video = film;
    request.stem = r.muxStem;
    request.widescreen = shared.look.widescreen;
    request.palette = handed.front().disc;
    request.film = facts;
    for (size_t i = 0; i < count; ++i)
        request.streams.push_back(
            {plan.inputs[i].stream, plan.inputs[i].language, std::move(handed[i].units)});
    StagedAuthoring staged;
    DvdAuthoringResult result;
    try {
        result = AuthorDvdFilm(request, &staged);
    } catch (const FileError& e) {
        const auto* output = dynamic_cast<const OutputFileError*>(&e);
        r.failure = Failure(ConversionFailure::Stage::Mux, e.what(),
                            output ? output->Path() : MuxedFileName(r.muxStem));
        return r;
    } catch (const std::exception& e) {
        r.failure = Failure(ConversionFailure::Stage::Mux, e.what());
        return r;
    }
    r.muxOutputs = result.written;
    for (size_t i = 0; i < count; ++i) {
        std::string past =
            PastEndText(request.streams[i].units, result.report, film, MuxedFileName(r.muxStem));
        if (!past.empty()) r.pastEnd.emplace_back(i, std::move(past));
    }
    OutputsCommitting committing;  // a signal meanwhile waits until all are in place
    try {
        staged.Commit();
        for (HandedOver& h : handed)
            if (h.outputs) h.outputs->Commit();
    } catch (const std::exception& e) {
        r.failure = Failure(ConversionFailure::Stage::Output, e.what());
        return r;
    }
    r.converted = true;
    return r;
}

}  // namespace glyphon
