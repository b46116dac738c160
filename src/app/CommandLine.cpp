#include "app/CommandLine.h"

namespace glyphon {

const std::array<const char*, kCommandLineArgCount>& CommandLineArgNames() {
    static const std::array<const char*, kCommandLineArgCount> names = {
        "haveifo",   "filenameifo", "filenamesub", "pal",         "colorantialias", "coloroutline",
        "colortext", "colorbg",     "fontname",    "fontcharset", "fontstyle",      "fontsize",
        "align",     "offset",      "offsetor",    "outline",
    };
    return names;
}

std::optional<std::vector<std::string>> RecognizeCommandLine(const std::vector<std::string>& args) {
    if (args.size() < size_t(kCommandLineArgCount) + 1) return std::nullopt;
    std::vector<std::string> stored;
    stored.reserve(kCommandLineArgCount);
    for (int i = 0; i < kCommandLineArgCount; ++i) {
        const std::string& arg = args[size_t(i) + 1];
        // A line that still holds the placeholders it was written from is
        // not a job.
        if (arg.empty() || arg == CommandLineArgNames()[size_t(i)]) return std::nullopt;
        stored.push_back(arg);
    }
    return stored;
}

}  // namespace glyphon
