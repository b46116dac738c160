#include "cli/NamedCommand.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "cli/Console.h"
#include "cli/FileConversion.h"
#include "cli/JobSettings.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "common/Utf8.h"
#include "common/Version.h"
#include "core/ConversionJob.h"
#include "core/OutputClash.h"
#include "core/OutputNames.h"
#include "core/RunPlan.h"
#include "palette/IfoReader.h"
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

int Refuse(std::FILE* err, const std::string& reason) {
    std::fprintf(err, "glyphon: %s\nTry 'glyphon --help' for more information.\n",
                 TerminalSafe(reason).c_str());
    return kExitUsage;
}

const char* StandardName(bool pal) { return pal ? "PAL (576 lines)" : "NTSC (480 lines)"; }
const char* Article(bool pal) { return pal ? "a " : "an "; }

// The subtitles of a muxed film take the film's standard; a --standard or an
// IFO that says otherwise is a mistake in the command line.
std::optional<std::string> TakeFilmStandard(ConvertOptions& o, const std::optional<FilmCheck>& film) {
    // The run itself says what is wrong with a film it cannot use.
    if (!film || !film->Usable() || !film->KnownStandard()) return std::nullopt;
    const bool pal = film->pal;
    if (o.pal && *o.pal != pal)
        return std::string("--standard ") + (*o.pal ? "pal" : "ntsc") + " contradicts " + o.muxVideo + ", " +
               Article(pal) + StandardName(pal) + " film";
    if (o.ifoFile) {
        try {
            const bool ifoPal = ReadIfoPalette(*o.ifoFile).IsPal();
            if (ifoPal != pal)
                return *o.ifoFile + " is for " + StandardName(ifoPal) + " video, but " + o.muxVideo + " is " +
                       Article(pal) + StandardName(pal) + " film";
        } catch (const std::exception&) {
            // An IFO that cannot be read is reported where it is loaded.
        }
        return std::nullopt;
    }
    o.pal = pal;
    return std::nullopt;
}

// The disc's failure in the command line's words.
std::string DiscFailureText(const ConversionFailure& f) {
    if (!f.file.empty()) return f.file + ": " + WithFullStop(f.message);
    if (f.stage == ConversionFailure::Stage::Output) return WithFullStop(f.message);
    return f.message;
}

}  // namespace

ConvertEnvironment MachineConvertEnvironment() {
    ConvertEnvironment env;
    env.installedFamilies = ListInstalledFontFamilies();  // also sets fontconfig up, before any thread
    env.makeTextEngine = [] { return CreateFreeTypeEngine(); };
    env.err = stderr;
    env.terminal = isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (env.terminal && ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0)
        env.terminalRows = size.ws_row;
    env.cores = int(std::thread::hardware_concurrency());
    if (env.cores < 1) env.cores = 1;
    return env;
}

int RunConvert(const ConvertOptions& options, const ConvertEnvironment& env) {
    ConvertOptions o = options;
    const size_t count = o.files.size();
    const std::string muxStem = count > 0 ? OutputStem(o.outputDir, o.files.front()) : std::string();
    // The film is read once here, for its standard, and handed to the run.
    std::optional<FilmCheck> film;
    if (!o.muxVideo.empty()) film = CheckFilm(o.muxVideo, DiscFilmName(muxStem));
    if (const auto contradiction = TakeFilmStandard(o, film)) return Refuse(env.err, *contradiction);
    Console console(env.err, env.terminal && !o.quiet, env.terminalRows);

    const std::unique_ptr<TextEngine> probe = env.makeTextEngine();
    JobSettings settings = ResolveJobSettings(o, film, env.installedFamilies, *probe);
    for (const std::string& warning : settings.warnings) console.Message("warning: " + warning);
    if (!settings.error.empty()) {
        console.Message(settings.error);
        return kExitFailed;
    }
    // Outputs that would meet across files are a mistake in the command:
    // refused before the output folder is made.
    if (const auto collision = OutputClash(settings.job, o.files)) return Refuse(env.err, *collision);
    if (!o.outputDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.outputDir, ec);
        if (ec || !std::filesystem::is_directory(o.outputDir)) {
            console.Message(o.outputDir + ": cannot create the output folder" +
                            (ec ? ": " + ec.message() : std::string()));
            return kExitFailed;
        }
    }

    // One plan: every file one input (its language and stream), what all
    // files share in the plan's job; with a film, every file becomes one of
    // its streams, muxed in one pass once all are converted.
    RunPlan plan;
    plan.film = film;
    plan.shared = std::move(settings.job);
    for (size_t i = 0; i < count; ++i) {
        PlanInput input;
        input.path = o.files[i];
        input.charset = plan.shared.subtitle.charset;
        if (o.languages.size() == count)
            input.language = o.languages[i];
        else if (!o.languages.empty())
            input.language = o.languages.front();
        else
            input.language = LanguageInFileName(o.files[i]).value_or("en");
        input.stream = o.stream.value_or(0) + int(i);
        plan.inputs.push_back(std::move(input));
    }
    plan.threads = int(std::min(count, size_t(o.jobs > 0 ? o.jobs : env.cores)));

    PlanHooks hooks;
    hooks.makeTextEngine = env.makeTextEngine;
    hooks.text = probe.get();  // the run's engine when it converts one file at a time
    hooks.started = [&](size_t i) { console.Start(i, o.files[i]); };
    hooks.progress = [&](size_t i, int done, int total) { console.Progress(i, done, total); };
    hooks.finished = [&](size_t i, const ConversionReport& report) {
        console.Finish(i, report.converted, DescribeRun(report, o.wrap));
    };
    const PlanReport report = RunConversionPlan(plan, hooks);
    if (report.failed > 0) {
        if (!o.muxVideo.empty())
            console.Message(DiscFilmName(muxStem) +
                            " not written, nor any other file: every subtitle file must be converted first");
        console.Message(std::to_string(report.failed) + " of " + std::to_string(count) +
                        (count == 1 ? " file" : " files") + " not converted");
        return kExitFailed;
    }
    for (const auto& [i, warning] : report.pastEnd) console.Message(o.files[i] + ": warning: " + warning);
    if (report.failure) {
        console.Message(DiscFailureText(*report.failure));
        return kExitFailed;
    }
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
