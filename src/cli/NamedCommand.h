// The start of a named-option command line: `glyphon convert ...`,
// `glyphon --help`, `glyphon --version`. These run the same with and
// without a display and never open a window.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/NamedOptions.h"

namespace glyphon {

class TextEngine;

// Exit statuses of a named command.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct ConvertEnvironment {
    std::vector<std::string> installedFamilies;
    // A text engine for one file; every file gets its own.
    std::function<std::unique_ptr<TextEngine>()> makeTextEngine;
    std::FILE* err = stderr;
    bool terminal = false;  // standard error is a terminal: progress lines
    int terminalRows = 24;
    int cores = 1;
};

// The machine's: installed fonts, FreeType engines, standard error.
ConvertEnvironment MachineConvertEnvironment();

// Converts every file of `options`; the exit status.
int RunConvert(const ConvertOptions& options, const ConvertEnvironment& env);

// Runs `args` (argv) when it is a named command and returns its exit status;
// nothing when it is not one. Help and version go to `out`, every other
// message to standard error (env.err).
std::optional<int> RunNamedCommand(const std::vector<std::string>& args, std::FILE* out = stdout);

}  // namespace glyphon
