#include "cli/NamedCommand.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "core/OutputNames.h"
#include "cli/Console.h"
#include "cli/FileConversion.h"
#include "cli/JobSettings.h"
#include "cli/OutputClash.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "common/Utf8.h"
#include "common/Version.h"
#include "core/ConversionJob.h"
#include "mux/FilmStandard.h"
#include "palette/IfoReader.h"
#include "mux/DvdAuthoring.h"
#include "render/FontList.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// Success only when everything written to out has arrived: help sent to a
// full disk or a closed pipe is a failure the caller should see.
int Flushed(std::FILE* out) {
    if (std::fflush(out) == 0 && !std::ferror(out)) return kExitConverted;
    std::fprintf(stderr, "glyphon: cannot write the text: %s\n", FileErrorText(errno).c_str());
    return kExitFailed;
}

// Muxes every file's stream into the film and writes the palette file and
// the dvdauthor project; false (said on the console) when that failed.
bool AuthorDisc(const ConvertOptions& o, const std::vector<ConversionJob>& jobs, std::vector<FileOutcome>& outcomes,
                const std::string& stem, StagedAuthoring& staged, Console& console) {
    DvdAuthoringRequest request;
    request.video = o.muxVideo;
    request.stem = stem;
    request.widescreen = jobs.front().look.widescreen;
    request.palette = jobs.front().palette.disc;
    for (size_t i = 0; i < outcomes.size(); ++i)
        request.streams.push_back(
            {jobs[i].outputs.mux.stream, jobs[i].outputs.mux.language, std::move(outcomes[i].muxUnits)});
    DvdAuthoringResult result;
    try {
        result = AuthorDvdFilm(request, &staged);
    } catch (const FileError& e) {
        const auto* output = dynamic_cast<const OutputFileError*>(&e);
        console.Message((output ? output->Path() : MuxedFileName(stem)) + ": " + WithFullStop(e.what()));
        return false;
    } catch (const std::exception& e) {
        console.Message(e.what());
        return false;
    }
    // Per file: its subtitles that start after the film's last frame.
    for (size_t i = 0; i < request.streams.size(); ++i) {
        int past = 0;
        const UnitSpool& units = request.streams[i].units;
        for (size_t k = 0; k < units.Count(); ++k)
            if (result.report.firstVideoPts + int64_t(units.Pts(k)) > result.report.lastVideoPts) ++past;
        if (past > 0)
            console.Message(o.files[i] + ": warning: " + std::to_string(past) +
                            (past == 1 ? " subtitle starts" : " subtitles start") + " after the end of the video in " +
                            o.muxVideo + "; appended at the end of " + MuxedFileName(stem));
    }
    return true;
}

// Puts the outputs of files converted for a mux in place, now that the mux
// succeeded, with the film, its palette and project (one unit: a signal
// meanwhile waits until all are in place); false (said on the console) when
// one cannot be.
bool CommitPending(std::vector<FileOutcome>& outcomes, StagedAuthoring& staged, Console& console) {
    OutputsCommitting committing;
    try {
        staged.Commit();
    } catch (const std::exception& e) {
        console.Message(WithFullStop(e.what()));
        return false;
    }
    for (FileOutcome& outcome : outcomes) {
        if (!outcome.pending) continue;
        try {
            outcome.pending->Commit();
        } catch (const std::exception& e) {
            console.Message(WithFullStop(e.what()));
            return false;
        }
    }
    return true;
}

// Every file the command reads; no output may be one of them.
std::vector<std::string> RunInputsOf(const ConvertOptions& o) {
    std::vector<std::string> inputs = o.files;
    inputs.push_back(o.muxVideo);
    if (o.ifoFile) inputs.push_back(*o.ifoFile);
    return inputs;
}

int Refuse(std::FILE* err, const std::string& reason) {
    std::fprintf(err, "glyphon: %s\nTry 'glyphon --help' for more information.\n", TerminalSafe(reason).c_str());
    return kExitUsage;
}

const char* StandardName(bool pal) { return pal ? "PAL (576 lines)" : "NTSC (480 lines)"; }
const char* Article(bool pal) { return pal ? "a " : "an "; }

// The subtitles of a muxed film take the film's standard; a --standard or an
// IFO that says otherwise is a mistake in the command line.
std::optional<std::string> TakeFilmStandard(ConvertOptions& o) {
    if (o.muxVideo.empty()) return std::nullopt;
    const std::optional<bool> pal = FilmIsPal(o.muxVideo);
    if (!pal) return std::nullopt;  // the mux itself says what is wrong with the film
    if (o.pal && *o.pal != *pal)
        return std::string("--standard ") + (*o.pal ? "pal" : "ntsc") + " contradicts " + o.muxVideo + ", " +
               Article(*pal) + StandardName(*pal) + " film";
    if (o.ifoFile) {
        try {
            const bool ifoPal = ReadIfoPalette(*o.ifoFile).IsPal();
            if (ifoPal != *pal)
                return *o.ifoFile + " is for " + StandardName(ifoPal) + " video, but " + o.muxVideo + " is " +
                       Article(*pal) + StandardName(*pal) + " film";
        } catch (const std::exception&) {
            // An IFO that cannot be read is reported where it is loaded.
        }
        return std::nullopt;
    }
    o.pal = pal;
    return std::nullopt;
}

}  // namespace

ConvertEnvironment MachineConvertEnvironment() {
    ConvertEnvironment env;
    env.installedFamilies = ListInstalledFontFamilies();  // also sets fontconfig up, before any thread
    env.makeTextEngine = [] { return CreateFreeTypeEngine(); };
    env.err = stderr;
    env.terminal = isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (env.terminal && ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0) env.terminalRows = size.ws_row;
    env.cores = int(std::thread::hardware_concurrency());
    if (env.cores < 1) env.cores = 1;
    return env;
}

int RunConvert(const ConvertOptions& options, const ConvertEnvironment& env) {
    ConvertOptions o = options;
    if (const auto collision = OutputClash(o)) return Refuse(env.err, *collision);
    if (const auto contradiction = TakeFilmStandard(o)) return Refuse(env.err, *contradiction);
    Console console(env.err, env.terminal && !o.quiet, env.terminalRows);

    const std::unique_ptr<TextEngine> probe = env.makeTextEngine();
    JobSettings settings = ResolveJobSettings(o, env.installedFamilies, *probe);
    for (const std::string& warning : settings.warnings) console.Message("warning: " + warning);
    if (!settings.error.empty()) {
        console.Message(settings.error);
        return kExitFailed;
    }
    if (!o.outputDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.outputDir, ec);
        if (ec || !std::filesystem::is_directory(o.outputDir)) {
            console.Message(o.outputDir + ": cannot create the output folder" +
                            (ec ? ": " + ec.message() : std::string()));
            return kExitFailed;
        }
    }

    const size_t count = o.files.size();
    // A film to mux into is checked before anything is written; every file
    // becomes one of its streams, muxed in one pass once all are converted.
    const std::string muxStem = count > 0 ? OutputStem(o.outputDir, o.files.front()) : std::string();
    bool widescreen = o.widescreen.value_or(false);
    double filmRate = 0;  // times MicroDVD files without a rate line when --fps does not
    if (!o.muxVideo.empty()) {
        try {
            CheckDvdMuxInput(o.muxVideo, MuxedFileName(muxStem));
            if (const auto refusal = OutputReplacingInput(AuthoringFileNames(muxStem), RunInputsOf(o))) {
                console.Message(*refusal);
                return kExitFailed;
            }
            if (const auto refusal = UnnameableInProject(muxStem)) {
                console.Message(*refusal);
                return kExitFailed;
            }
            const VideoFormat format = ReadVideoFormat(o.muxVideo);
            if (!o.widescreen) widescreen = format.widescreen;
            filmRate = format.frameRate;
            // The generic palette's standard follows the film unless chosen.
            if (!o.ifoFile && !o.pal) settings.job.palette.standard = format.pal ? VideoStandard::Pal : VideoStandard::Ntsc;
        } catch (const FileError& e) {
            console.Message(o.muxVideo + ": " + WithFullStop(e.what()));
            return kExitFailed;
        } catch (const std::exception& e) {
            console.Message(e.what());
            return kExitFailed;
        }
    }
    ApplyNamedColours(settings.job.palette, NamedRoleColours{o.textColor, o.outlineColor, o.antialiasColor});
    // One job per file: its language and stream, and what all files share.
    std::vector<ConversionJob> jobs(count, settings.job);
    for (size_t i = 0; i < count; ++i) {
        ConversionJob& job = jobs[i];
        job.subtitle.file = o.files[i];
        if (o.ifoFile) job.otherInputs.push_back(*o.ifoFile);
        job.subtitle.microDvdFps = o.fps > 0 ? o.fps : filmRate;
        job.subtitle.fontsDir = o.fontsDir;
        job.subtitle.charsetAuto = o.charsetAuto;
        job.look.wrap = o.wrap;
        job.look.widescreen = widescreen;
        job.look.refuseOutsideFrame = true;
        OutputRequest& out = job.outputs;
        if (o.languages.size() == count)
            out.language = o.languages[i];
        else if (!o.languages.empty())
            out.language = o.languages.front();
        else
            out.language = LanguageFromFileName(o.files[i]).value_or("en");
        out.mux = DvdMuxRequest{o.muxVideo, o.stream.value_or(0) + int(i), out.language, true};
        job.look.language = out.language;
        out.forced = o.forced;
    }
    std::vector<FileOutcome> outcomes(count);
    std::atomic<size_t> next{0};
    std::atomic<size_t> failed{0};
    // Each file has a model and a text engine of its own; the threads share
    // only the settings (read-only), the file index and the console.
    auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) {
            const std::string& file = o.files[i];
            console.Start(i, file);
            FileOutcome outcome;
            {
                const std::unique_ptr<TextEngine> text = env.makeTextEngine();
                outcome = ConvertFile(jobs[i], file, *text,
                                      [&](int done, int total) { console.Progress(i, done, total); });
            }
            if (!outcome.converted) ++failed;
            console.Finish(i, outcome.converted, outcome.messages);
            outcomes[i].muxUnits = std::move(outcome.muxUnits);
            outcomes[i].pending = std::move(outcome.pending);
        }
    };
    const size_t threads = std::min(count, size_t(o.jobs > 0 ? o.jobs : env.cores));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();

    if (failed > 0) {
        if (!o.muxVideo.empty())
            console.Message(MuxedFileName(muxStem) +
                            " not written, nor any other file: every subtitle file must be converted first");
        console.Message(std::to_string(failed.load()) + " of " + std::to_string(count) +
                        (count == 1 ? " file" : " files") + " not converted");
        return kExitFailed;
    }
    StagedAuthoring staged;
    if (!o.muxVideo.empty() && !AuthorDisc(o, jobs, outcomes, muxStem, staged, console))
        return kExitFailed;
    if (!CommitPending(outcomes, staged, console)) return kExitFailed;
    return kExitConverted;
}

std::optional<int> RunNamedCommand(const std::vector<std::string>& args, std::FILE* out) {
    const NamedCommand command = ParseNamedCommand(args);
    switch (command.kind) {
        case NamedCommand::NotNamed:
            return std::nullopt;
        case NamedCommand::Help:
            std::fputs(UsageText().c_str(), out);
            return Flushed(out);
        case NamedCommand::Version:
            std::fprintf(out, "glyphon %s\n", kVersion);
            return Flushed(out);
        case NamedCommand::UsageError:
            return Refuse(stderr, command.error);
        case NamedCommand::Convert:
            break;
    }
    return RunConvert(command.options, MachineConvertEnvironment());
}


}  // namespace glyphon
