#include "launch/Launch.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/FileArgument.h"
#include "app/HeadlessUi.h"
#include "cli/NamedCommand.h"
#include "common/Utf8.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

// Without a display no window can be shown: a complete 16-argument line is
// converted without one; anything else is a mistake the usage explains, or,
// where a display was named but cannot be opened, a display fault to report.
int RunWithoutDisplay(int argc, char** argv, bool unreachable) {
    if (RecognizeCommandLine(std::vector<std::string>(argv, argv + argc))) {
        const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
        return RunHeadless(*text, MakeEnvironment(argc, argv));
    }
    if (unreachable) return ReportUnreachableDisplay();
    std::fputs(
        "glyphon: the window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
        "To convert without one, see 'glyphon convert --help'.\n",
        stderr);
    return kExitUsage;
}

}  // namespace

bool HaveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

int ReportUnreachableDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* name = x && *x ? x : std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "glyphon: cannot open the display \"%s\"\n", name ? name : "");
    return 2;
}

int RunProgram(int argc, char** argv, WindowRunner runWindow) {
    if (const std::optional<int> status = RunNamedCommand(std::vector<std::string>(argv, argv + argc)))
        return *status;
    const WindowStart start = ExamineWindowArguments(std::vector<std::string>(argv, argv + argc));
    if (start.kind == WindowStart::Usage) {
        std::fprintf(stderr, "glyphon: %s\nTry 'glyphon --help' for more information.\n",
                     TerminalSafe(start.message).c_str());
        return kExitUsage;
    }
    if (!HaveDisplay()) return RunWithoutDisplay(argc, argv, false);
    // A named display that is gone counts as none for a conversion job.
    if (!DisplayReachable(argc, argv)) return RunWithoutDisplay(argc, argv, true);
    return runWindow(argc, argv);
}

}  // namespace glyphon
