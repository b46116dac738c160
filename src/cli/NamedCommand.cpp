#include "cli/NamedCommand.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "cli/Console.h"
#include "cli/FileConversion.h"
#include "cli/JobSettings.h"
#include "common/Version.h"
#include "core/ConversionJob.h"
#include "render/FontList.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// Two files whose outputs would land on the same name: one would overwrite
// the other, or both would write it at once.
std::optional<std::string> CollidingOutputs(const ConvertOptions& o) {
    std::map<std::string, std::string> seen;
    for (const std::string& file : o.files) {
        const std::filesystem::path stem(OutputStem(o.outputDir, file));
        const std::string key = std::filesystem::absolute(stem).lexically_normal().string();
        const auto [it, added] = seen.emplace(key, file);
        if (!added)
            return "'" + it->second + "' and '" + file + "' would both write " + stem.string() + ".sup";
    }
    return std::nullopt;
}

int Refuse(std::FILE* err, const std::string& reason) {
    std::fprintf(err, "glyphon: %s\nTry 'glyphon --help' for more information.\n", reason.c_str());
    return kExitUsage;
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

int RunConvert(const ConvertOptions& o, const ConvertEnvironment& env) {
    if (const auto collision = CollidingOutputs(o)) return Refuse(env.err, *collision);
    Console console(env.err, env.terminal && !o.quiet, env.terminalRows);

    const std::unique_ptr<TextEngine> probe = env.makeTextEngine();
    const JobSettings settings = ResolveJobSettings(o, env.installedFamilies, *probe);
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
                outcome = ConvertFile(settings.job, file, *text,
                                      [&](int done, int total) { console.Progress(i, done, total); });
            }
            if (!outcome.converted) ++failed;
            console.Finish(i, outcome.converted, outcome.messages);
        }
    };
    const size_t threads = std::min(count, size_t(o.jobs > 0 ? o.jobs : env.cores));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();

    if (failed > 0) {
        console.Message(std::to_string(failed.load()) + " of " + std::to_string(count) +
                        (count == 1 ? " file" : " files") + " not converted");
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
            return kExitConverted;
        case NamedCommand::Version:
            std::fprintf(out, "glyphon %s\n", kVersion);
            return kExitConverted;
        case NamedCommand::UsageError:
            return Refuse(stderr, command.error);
        case NamedCommand::Convert:
            break;
    }
    return RunConvert(command.options, MachineConvertEnvironment());
}

void PrintUsage(std::FILE* err) { std::fputs(UsageText().c_str(), err); }

}  // namespace glyphon
