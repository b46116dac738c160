// Running both command lines in the test process with the real text engine:
// the named form through RunConvert, the 16-argument form through the same
// headless run the program uses without a display.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/HeadlessUi.h"
#include "cli/NamedCommand.h"
#include "render/FontList.h"
#include "render/TextEngine.h"
#include "support/TempDir.h"

namespace glyphon::test {

struct RunResult {
    int status = -1;
    std::string err;  // everything written to standard error
};

inline const std::vector<std::string>& Families() {
    static const std::vector<std::string> families = ListInstalledFontFamilies();
    return families;
}

// Standard error of a run, caught in a temporary file.
class CapturedErr {
public:
    CapturedErr() : file_(std::tmpfile()) {}
    ~CapturedErr() { std::fclose(file_); }
    std::FILE* file() { return file_; }
    std::string Text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;) text.append(buf, n);
        return text;
    }

private:
    std::FILE* file_;
};

// `glyphon convert ARGS...`
inline RunResult RunNamed(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), {"glyphon", "convert"});
    const NamedCommand command = ParseNamedCommand(args);
    CapturedErr err;
    RunResult r;
    if (command.kind != NamedCommand::Convert) {
        r.status = kExitUsage;
        r.err = command.error;
        return r;
    }
    ConvertEnvironment env;
    env.installedFamilies = Families();
    env.makeTextEngine = [] { return CreateFreeTypeEngine(); };
    env.err = err.file();
    env.terminal = terminal;
    env.cores = 2;
    r.status = RunConvert(command.options, env);
    r.err = err.Text();
    return r;
}

// `glyphon ARG1 ... ARG16` without a display, settings kept in `dir`.
inline RunResult RunSixteen(const TempDir& dir, const std::vector<std::string>& args) {
    AppEnvironment env;
    env.programDir = dir.path() + "/";
    env.settingsPath = dir.File("Glyphon_Settings.ini");
    env.args = {"glyphon"};
    env.args.insert(env.args.end(), args.begin(), args.end());
    env.installedFamilies = Families();
    const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    CapturedErr err;
    RunResult r;
    r.status = RunHeadless(*text, env, err.file());
    r.err = err.Text();
    return r;
}

// The ".sup" and help file written for `subtitle` (beside it, or in `folder`),
// removed after reading so that the next run starts afresh.
struct Outputs {
    std::string sup, help;
    friend bool operator==(const Outputs&, const Outputs&) = default;
};

inline Outputs TakeOutputs(const std::string& subtitle, const std::string& folder = {}) {
    std::filesystem::path stem(subtitle);
    stem.replace_extension();
    if (!folder.empty()) stem = std::filesystem::path(folder) / stem.filename();
    const std::string sup = stem.string() + ".sup", help = stem.string() + ".Glyphon_Help.txt";
    Outputs o{TempDir::Read(sup), TempDir::Read(help)};
    std::filesystem::remove(sup);
    std::filesystem::remove(help);
    return o;
}

}  // namespace glyphon::test
